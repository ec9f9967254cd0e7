"""The binding gives exactly the library's output, as the command-line tool
writes it with --raw-out."""

import numpy as np
import pytest

import tav

OUTPUTS = [t.name for t in tav.OUTPUT_TYPES]


@pytest.mark.parametrize("method", ["nearest", "bilinear", "edge", "hq"])
def test_every_method_and_output_type_matches_the_tool(tmp_path, tavraw, rng, method):
    frame = rng.integers(0, 4096, (30, 40), dtype=np.uint16)
    frame.astype("<u2").tofile(tmp_path / "f.raw")
    for output in OUTPUTS:
        tavraw("convert", "-f", "BayerGB12", "-w", 40, "-H", 30, "-m", method, "-t", output,
               "--raw-out", "ref.bin", "-o", "f.png", "f.raw")
        expected = np.fromfile(tmp_path / "ref.bin", dtype=np.uint8)
        result = tav.demosaic(frame, "BayerGB12", method=method, output=output)
        assert result.flags.c_contiguous
        assert result.tobytes() == expected.tobytes(), output


@pytest.mark.parametrize("order", ["RG", "GR", "GB", "BG"])
@pytest.mark.parametrize("planar", [False, True])
def test_16_bit_edge_matches_the_tool(tmp_path, tavraw, rng, order, planar):
    frame = rng.integers(0, 1024, (21, 26), dtype=np.uint16)
    frame.astype("<u2").tofile(tmp_path / "f.raw")
    tavraw("convert", "--u16", "-m", "edge", "-f", "Bayer%s10" % order, "-w", 26, "-H", 21,
           "-t", "RGB8_Planar" if planar else "RGB8", "--raw-out", "ref.bin", "-o", "f.png", "f.raw")
    bgr = np.fromfile(tmp_path / "ref.bin", dtype="<u2")
    result = tav.demosaic16(frame, order, method="edge", planar=planar)
    if planar:
        expected = bgr.reshape(3, 21, 26)[::-1]
    else:
        expected = bgr.reshape(21, 26, 3)[:, :, ::-1]
    np.testing.assert_array_equal(result, expected)


@pytest.mark.parametrize("order", ["RG", "GR", "GB", "BG"])
def test_16_bit_bilinear_equals_8_bit_bilinear_on_8_bit_values(rng, order):
    # Both paths interpolate by the same rule; for samples below 256 they must
    # agree, which also checks how other orders reach the red-first kernel.
    frame = rng.integers(0, 256, (19, 24), dtype=np.uint16)
    eight = tav.demosaic(frame.astype(np.uint8), "Bayer%s8" % order, method="bilinear")
    np.testing.assert_array_equal(tav.demosaic16(frame, order), eight)
    planes = tav.demosaic16(frame, order, planar=True)
    np.testing.assert_array_equal(planes, np.moveaxis(eight, 2, 0))


@pytest.mark.parametrize("order", ["GR", "GB", "BG"])
@pytest.mark.parametrize("shape", [(19, 24), (20, 25), (7, 4), (4, 5)])
def test_16_bit_bilinear_other_orders_equal_the_mirrored_copy(rng, order, shape):
    # Read from the frame as it is, other orders give what the RG path gives
    # on the frame with a mirrored row above and/or column in front.
    frame = rng.integers(0, 65536, shape, dtype=np.uint16)
    pad_y, pad_x = (1 if order in ("GB", "BG") else 0), (1 if order in ("GR", "BG") else 0)
    padded = np.pad(frame, ((pad_y, 0), (pad_x, 0)), mode="reflect")
    expected = tav.demosaic16(padded, "RG")[pad_y:, pad_x:]
    np.testing.assert_array_equal(tav.demosaic16(frame, order), expected)
    expected_planes = tav.demosaic16(padded, "RG", planar=True)[:, pad_y:, pad_x:]
    np.testing.assert_array_equal(tav.demosaic16(frame, order, planar=True), expected_planes)


@pytest.mark.parametrize("mode", ["pixel", "cell"])
def test_shading_table_and_correction_match_the_tool(tmp_path, tavraw, rng, mode):
    grey = rng.integers(600, 900, (32, 48), dtype=np.uint16)
    dark = rng.integers(10, 40, (32, 48), dtype=np.uint16)
    frame = rng.integers(0, 1024, (32, 48), dtype=np.uint16)
    for name, data in (("g", grey), ("d", dark), ("f", frame)):
        data.astype("<u2").tofile(tmp_path / (name + ".raw"))
    tavraw("calibrate", "-f", "BayerRG10", "-w", 48, "-H", 32, "--grey", "g.raw", "--dark", "d.raw",
           "--mode", mode, "-o", "t.tbl")
    tavraw("correct", "-t", "t.tbl", "-f", "BayerRG10", "-o", "c.raw", "f.raw")

    table = tav.shading_table(tav.average([grey]), tav.average([dark]), mode=mode, bits=10)
    # The tool's file is the table behind a 16-byte header: magic, version 1, sample bits.
    stored = (tmp_path / "t.tbl").read_bytes()
    assert stored[:16] == b"TAVSHADE" + (1).to_bytes(4, "little") + (10).to_bytes(4, "little")
    assert bytes(table) == stored
    assert tav.ShadingTable.from_bytes(stored) == table and table.bits == 10
    corrected = tav.correct(frame, table, "BayerRG10")
    assert corrected.astype("<u2").tobytes() == (tmp_path / "c.raw").read_bytes()
