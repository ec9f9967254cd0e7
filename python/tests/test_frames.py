"""How frames reach the library: depths and packing, padded views, read-only
and non-contiguous arrays, bytes-like input; the input is never modified."""

import numpy as np
import pytest

import tav
from conftest import pack12

METHODS = ["nearest", "bilinear", "edge", "hq"]


@pytest.mark.parametrize("method", METHODS)
@pytest.mark.parametrize("order", ["RG", "BG"])
def test_packed_and_unpacked_12_bit_agree_with_8_bit_input(rng, method, order):
    samples = rng.integers(0, 4096, (24, 30), dtype=np.uint16)
    expected = tav.demosaic((samples >> 4).astype(np.uint8), "Bayer%s8" % order, method=method)
    np.testing.assert_array_equal(tav.demosaic(samples, "Bayer%s12" % order, method=method), expected)
    packed = pack12(samples)
    np.testing.assert_array_equal(
        tav.demosaic(packed, "Bayer%s12Packed" % order, width=30, method=method), expected)


def test_mono_depths_and_numeric_codes(rng):
    samples = rng.integers(0, 4096, (8, 10), dtype=np.uint16)
    grey = (samples >> 4).astype(np.uint8)
    np.testing.assert_array_equal(tav.demosaic(samples, 0x01100005, output="Mono8"), grey)
    np.testing.assert_array_equal(tav.demosaic(pack12(samples), "mono12packed", width=10, output="mono8"), grey)
    np.testing.assert_array_equal(tav.demosaic(grey, "Mono8", output="BGR8 planar"), np.stack([grey] * 3))


def padded(rng, dtype, high, rows, row_length, extra):
    """A view of `rows` x `row_length` elements inside a wider array."""
    base = rng.integers(0, high, (rows, row_length + extra), dtype=dtype)
    return base, base[:, :row_length]


@pytest.mark.parametrize("method", METHODS)
def test_padded_views_give_the_tight_result_and_stay_untouched(rng, method):
    base8, view8 = padded(rng, np.uint8, 256, 12, 16, 7)
    before = base8.copy()
    assert view8.strides[0] != view8.shape[1]
    result = tav.demosaic(view8, "BayerGR8", method=method)
    np.testing.assert_array_equal(base8, before)  # the library would compact padded 8-bit rows in place
    np.testing.assert_array_equal(result, tav.demosaic(view8.copy(), "BayerGR8", method=method))
    # The same through width= on the whole padded array.
    np.testing.assert_array_equal(tav.demosaic(base8, "BayerGR8", width=16, method=method), result)

    base16, view16 = padded(rng, np.uint16, 1024, 12, 16, 5)
    before = base16.copy()
    result = tav.demosaic(view16, "BayerGR10", method=method, output="RGBA8")
    np.testing.assert_array_equal(base16, before)
    np.testing.assert_array_equal(result, tav.demosaic(view16.copy(), "BayerGR10", method=method, output="RGBA8"))

    tight = pack12(rng.integers(0, 4096, (12, 16), dtype=np.uint16))
    wide = np.zeros((12, 24 + 9), dtype=np.uint8)
    wide[:, :24] = tight
    np.testing.assert_array_equal(tav.demosaic(wide, "BayerGR12Packed", width=16, method=method),
                                  tav.demosaic(tight, "BayerGR12Packed", width=16, method=method))


def test_read_only_and_non_contiguous_arrays(rng):
    samples = rng.integers(0, 4096, (16, 20), dtype=np.uint16)
    expected = tav.demosaic(samples, "BayerRG12", method="edge")
    cases = {
        "read-only": samples.copy(),
        "Fortran order": np.asfortranarray(samples),
        "every other column of a wider array": np.repeat(samples, 2, axis=1)[:, ::2],
        "big-endian": samples.astype(">u2"),
    }
    cases["read-only"].flags.writeable = False
    for name, frame in cases.items():
        before = frame.copy()
        np.testing.assert_array_equal(tav.demosaic(frame, "BayerRG12", method="edge"), expected, err_msg=name)
        np.testing.assert_array_equal(frame, before, err_msg=name)

    # A padded 8-bit read-only view: copied, not compacted in place.
    wide = np.zeros((16, 25), dtype=np.uint8)
    wide[:, :20] = samples >> 4
    wide.flags.writeable = False
    np.testing.assert_array_equal(tav.demosaic(wide[:, :20], "BayerRG8", method="edge"), expected)


def test_16_bit_rows_at_an_odd_byte_stride(rng):
    samples = rng.integers(0, 1024, (10, 12), dtype=np.uint16)
    raw = np.zeros(10 * 25 + 1, dtype=np.uint8)
    rows = np.ndarray((10, 12), dtype="<u2", buffer=raw, offset=1, strides=(25, 2))
    rows[...] = samples
    np.testing.assert_array_equal(tav.demosaic(rows, "BayerBG10"), tav.demosaic(samples, "BayerBG10"))


def test_bytes_like_frames(rng):
    samples = rng.integers(0, 4096, (8, 12), dtype=np.uint16)
    expected = tav.demosaic(samples, "BayerGB12")
    raw = samples.astype("<u2").tobytes()
    for frame in (raw, bytearray(raw), memoryview(raw), np.frombuffer(raw, dtype=np.uint8)):
        np.testing.assert_array_equal(tav.demosaic(frame, "BayerGB12", width=12, height=8), expected)
    packed = pack12(samples).tobytes()
    np.testing.assert_array_equal(tav.demosaic(packed, "BayerGB12Packed", width=12, height=8),
                                  tav.demosaic((samples >> 4).astype(np.uint8), "BayerGB8"))


@pytest.mark.parametrize("output, shape", [("RGB8", (6, 7, 3)), ("BGRA8", (6, 7, 4)),
                                           ("RGB8_Planar", (3, 6, 7)), ("Mono8", (6, 7))])
def test_output_shapes_and_orders(output, shape):
    frame = np.full((6, 7), 200, dtype=np.uint8)
    frame[0::2, 0::2] = 10  # red sites of BayerRG8 are dark: red is 10, green and blue 200
    result = tav.demosaic(frame, "BayerRG8", method="nearest", output=output)
    assert result.shape == shape and result.dtype == np.uint8 and result.flags.c_contiguous
    if output == "RGB8":
        assert tuple(result[3, 3]) == (10, 200, 200)
    if output == "BGRA8":
        assert tuple(result[3, 3]) == (200, 200, 10, 0)
    if output == "RGB8_Planar":
        assert (result[0] == 10).all() and (result[2] == 200).all()


@pytest.mark.parametrize("threads", [0, 2, 3])
def test_thread_setting_gives_the_same_result(rng, threads):
    frame = rng.integers(0, 256, (64, 48), dtype=np.uint8)
    np.testing.assert_array_equal(tav.demosaic(frame, "BayerBG8", method="edge", threads=threads),
                                  tav.demosaic(frame, "BayerBG8", method="edge"))


def test_16_bit_results_are_rgb_views_of_an_untouched_input(rng):
    frame = rng.integers(0, 65536, (9, 11), dtype=np.uint16)
    before = frame.copy()
    frame.flags.writeable = False
    for method in ("bilinear", "edge"):
        rgb = tav.demosaic16(frame, "rg", method=method)
        planes = tav.demosaic16(np.asfortranarray(frame), "RGGB", method=method, planar=True)
        assert rgb.shape == (9, 11, 3) and planes.shape == (3, 9, 11) and rgb.dtype == np.uint16
        np.testing.assert_array_equal(np.moveaxis(rgb, 2, 0), planes)
        assert rgb[0, 0, 0] == frame[0, 0]  # red site keeps its own sample
    np.testing.assert_array_equal(frame, before)
