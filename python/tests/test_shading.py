"""Shading tables: a vignetted frame comes out flat, tables survive their
bytes form, and correction writes where it is asked to."""

import pickle

import numpy as np
import pytest

import tav


def vignetting(height, width):
    y, x = np.mgrid[0:height, 0:width]
    r2 = ((x - width / 2) / (width / 2)) ** 2 + ((y - height / 2) / (height / 2)) ** 2
    return 1.0 - 0.35 * r2  # corners get about a third less light


def exposures(rng, level, shading, dark, count, top):
    frames = [np.clip(dark + level * shading + rng.normal(0, 0.0005 * top, shading.shape), 0, top) for _ in range(count)]
    return [np.rint(f).astype(np.uint16 if top > 255 else np.uint8) for f in frames]


@pytest.mark.parametrize("mode", ["pixel", "cell"])
@pytest.mark.parametrize("fmt, bits", [("BayerRG12", 12), ("Mono8", 8)])
def test_a_vignetted_frame_comes_out_flat(rng, mode, fmt, bits):
    top = 2**bits - 1
    shading = vignetting(64, 96)
    dark = rng.uniform(0.02, 0.04, shading.shape) * top  # fixed-pattern dark level
    grey = tav.average(exposures(rng, 0.75 * top, shading, dark, 8, top))
    black = tav.average(exposures(rng, 0, shading, dark, 8, top))
    table = tav.shading_table(grey, black, mode=mode, bits=bits)
    assert (table.mode, table.height, table.width) == (mode, 64, 96)

    scene = exposures(rng, 0.5 * top, shading, dark, 1, top)[0]
    before = scene.copy()
    corrected = tav.correct(scene, table, fmt).astype(float)
    np.testing.assert_array_equal(scene, before)
    raw_spread = np.ptp(scene.astype(float)) / scene.mean()
    assert raw_spread > 0.3
    # Left: noise and the cell mode's shared gains; the fall-off is gone.
    assert corrected.std() / corrected.mean() < (0.02 if mode == "pixel" else 0.03)
    corner, centre = corrected[:8, :8].mean(), corrected[28:36, 44:52].mean()
    assert abs(corner / centre - 1) < 0.02


def test_tables_round_trip_through_bytes(rng):
    grey = rng.uniform(500, 900, (32, 40)).astype(np.float32)
    dark = rng.uniform(0, 50, (32, 40)).astype(np.float32)
    for mode, words in (("pixel", 3 + 32 * 40), ("cell", 3 + 16 * 20)):
        table = tav.shading_table(grey, dark, mode=mode, bits=10)
        data = bytes(table)
        assert len(data) == 16 + 4 * words
        assert data[:16] == b"TAVSHADE" + np.array([1, 10], dtype="<u4").tobytes()
        assert data[16:28] == np.array([mode == "pixel", 32, 40], dtype="<u4").tobytes()
        again = tav.ShadingTable.from_bytes(data)
        assert again == table and bytes(again) == data
        assert (again.mode, again.height, again.width) == (mode, 32, 40)
        assert pickle.loads(pickle.dumps(table)) == table
        assert tav.ShadingTable(table.words, bits=10) == table
        assert not table.words.flags.writeable
        frame = rng.integers(0, 1024, (32, 40), dtype=np.uint16)
        np.testing.assert_array_equal(tav.correct(frame, again, "Mono10"), tav.correct(frame, table, "Mono10"))


def test_correct_in_place_into_out_and_over_views(rng):
    grey = rng.uniform(150, 250, (32, 32)).astype(np.float32)
    dark = rng.uniform(0, 20, (32, 32)).astype(np.float32)
    table = tav.shading_table(grey, dark, mode="cell", bits=8)
    frame = rng.integers(0, 256, (32, 32), dtype=np.uint8)
    expected = tav.correct(frame, table, "BayerGB8")
    assert not np.array_equal(expected, frame)

    in_place = frame.copy()
    assert tav.correct(in_place, table, "BayerGB8", out=in_place) is in_place
    np.testing.assert_array_equal(in_place, expected)

    out = np.zeros_like(frame)
    assert tav.correct(frame, table, "BayerGB8", out=out) is out
    np.testing.assert_array_equal(out, expected)

    # A strided view corrected in place: the rest of its base is untouched.
    base = np.repeat(frame, 2, axis=1)
    view = base[:, ::2]
    tav.correct(view, table, "BayerGB8", out=view)
    np.testing.assert_array_equal(view, expected)
    np.testing.assert_array_equal(base[:, 1::2], frame)

    # An output that overlaps the input one row further on reads the
    # uncorrected input all the same.
    shared = np.zeros((33, 32), dtype=np.uint8)
    shared[:32] = frame
    tav.correct(shared[:32], table, "BayerGB8", out=shared[1:])
    np.testing.assert_array_equal(shared[1:], expected)

    read_only = frame.copy()
    read_only.flags.writeable = False
    np.testing.assert_array_equal(tav.correct(read_only, table, "BayerGB8"), expected)


def test_average_divides_the_sums_by_the_count_in_float():
    a = np.array([[10, 200], [0, 255]], dtype=np.uint8)
    b = np.array([[11, 201], [1, 255]], dtype=np.uint8)
    expected = ((a.astype(np.uint32) + b) .astype(np.float32) / np.float32(2))
    for frames in ([a, b], np.stack([a, b]), (f for f in [a, b])):
        result = tav.average(frames)
        assert result.dtype == np.float32
        np.testing.assert_array_equal(result, expected)
    deep = np.array([[4095, 1]], dtype=np.uint16)
    np.testing.assert_array_equal(tav.average([deep, deep.astype(">u2"), deep]), deep.astype(np.float32))
