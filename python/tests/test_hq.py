"""method="hq": the library's results against the rule written out again in
NumPy (hq_reference.py), for every Bayer order, odd and smallest sizes, every
output type and the deeper input formats; the Demosaicer and the thread
setting give the same bytes."""

import numpy as np
import pytest

import tav
from conftest import pack12
from hq_reference import hq_output, hq_rgb

ORDERS = ["RG", "GR", "GB", "BG"]


def first_difference(result, expected):
    wrong = np.argwhere(result != expected)
    if not len(wrong):
        return ""
    at = tuple(wrong[0])
    return "%d wrong, first at %s: got %d, expected %d" % (len(wrong), at, result[at], expected[at])


@pytest.mark.parametrize("order", ORDERS)
@pytest.mark.parametrize("size", [(4, 4), (5, 7), (7, 4), (11, 13), (24, 38)])
def test_every_order_and_size_matches_the_rule(rng, order, size):
    mosaic = rng.integers(0, 256, size, dtype=np.uint8)
    result = tav.demosaic(mosaic, "Bayer%s8" % order, method="hq")
    expected = hq_output(mosaic, order, "RGB8")
    assert not first_difference(result, expected), first_difference(result, expected)


@pytest.mark.parametrize("order", ORDERS)
def test_edges_and_flat_areas_match_the_rule(order):
    # Steps and stripes in both directions and a flat corner: every branch of
    # the direction and diagonal choices, and the clamps at 0 and 255.
    y, x = np.mgrid[0:30, 0:34]
    mosaic = np.where(x < 9, 250, np.where(y % 4 < 2, 5, 180)).astype(np.uint8)
    mosaic[18:, 20:] = np.where((x[18:, 20:] + y[18:, 20:]) % 6 < 3, 0, 255)
    mosaic[:6, 26:] = 77
    result = tav.demosaic(mosaic, "Bayer%s8" % order, method="hq")
    assert not first_difference(result, hq_output(mosaic, order, "RGB8"))


@pytest.mark.parametrize("output", [t.name for t in tav.OUTPUT_TYPES])
def test_every_output_type_matches_the_rule(rng, output):
    mosaic = rng.integers(0, 256, (15, 22), dtype=np.uint8)
    result = tav.demosaic(mosaic, "BayerGB8", method="hq", output=output)
    assert not first_difference(result, hq_output(mosaic, "GB", output))


def test_deeper_and_packed_samples_are_reduced_first(rng):
    samples = rng.integers(0, 4096, (12, 18), dtype=np.uint16)
    expected = hq_output((samples >> 4).astype(np.uint8), "BG", "BGRA8")
    np.testing.assert_array_equal(tav.demosaic(samples, "BayerBG12", method="hq", output="BGRA8"), expected)
    np.testing.assert_array_equal(
        tav.demosaic(pack12(samples), "BayerBG12Packed", width=18, method="hq", output="BGRA8"), expected)
    words = rng.integers(0, 65536, (9, 10), dtype=np.uint16)
    np.testing.assert_array_equal(tav.demosaic(words, "BayerGR16", method="hq"),
                                  hq_output((words >> 8).astype(np.uint8), "GR", "RGB8"))


@pytest.mark.parametrize("order", ORDERS)
def test_the_picture_pipeline_runs_the_rule_on_its_14_bit_samples(rng, order):
    # A neutral pipeline with the linear curve: samples scaled to 0..16383 by
    # (s * M + 2^(k-1)) >> k, the rule with 16383 as its largest value, and
    # each colour written as round(255 * v / 16383). M and k are the ones the
    # pipeline picks: the largest k up to 31 that keeps M below 2^15.
    for bits, multiplier, shift in ((8, 16447, 8), (12, 16387, 12)):
        samples = rng.integers(0, 1 << bits, (14, 18), dtype=np.uint8 if bits == 8 else np.uint16)
        result = tav.demosaic(samples, "Bayer%s%d" % (order, bits), method="hq", curve="linear")
        linear = np.minimum(16383, (samples.astype(np.int64) * multiplier + (1 << (shift - 1))) >> shift)
        expected = ((hq_rgb(linear, order, top=16383) * 510 + 16383) // 32766).astype(np.uint8)
        assert not first_difference(result, expected), (bits, first_difference(result, expected))


def test_grey_input_ignores_the_method_and_the_number_names_it(rng):
    frame = rng.integers(0, 256, (8, 8), dtype=np.uint8)
    np.testing.assert_array_equal(tav.demosaic(frame, "Mono8", method="hq"), tav.demosaic(frame, "Mono8"))
    assert tav.demosaic(frame, "BayerRG8", method=3).tobytes() == tav.demosaic(frame, "BayerRG8", method="hq").tobytes()


def test_threads_and_the_demosaicer_give_the_one_call_bytes(rng):
    samples = rng.integers(0, 4096, (256, 384), dtype=np.uint16)
    packed = pack12(samples)
    settings = dict(black=(60, 64, 64, 70), wb=(1.8, 1.0, 1.5), curve="srgb")
    one = tav.demosaic(packed, "BayerRG12Packed", width=384, method="hq", output="BGRA8", **settings)
    for threads in (0, 2, 3):
        np.testing.assert_array_equal(
            tav.demosaic(packed, "BayerRG12Packed", width=384, method="hq", output="BGRA8", threads=threads,
                         **settings), one)
    with tav.Demosaicer("BayerRG12Packed", 384, 256, method="hq", output="BGRA8", threads=2, **settings) as d:
        assert d.method == "hq"
        np.testing.assert_array_equal(d.process(packed), one)
        d.method = "edge"
        assert d.method == "edge"
        d.method = 3
        assert d.method == "hq"
        np.testing.assert_array_equal(d.process(packed), one)
    plain = tav.demosaic(samples, "BayerRG12", method="hq")
    np.testing.assert_array_equal(tav.demosaic(samples, "BayerRG12", method="hq", threads=2), plain)
