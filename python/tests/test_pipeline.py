"""The picture pipeline from Python: settings reach the library in the right
order and orientation, a Demosaicer gives what tav.demosaic gives frame by
frame, statistics match a count made here, and out= arrays are used only
when they are safe to write."""

import threading

import numpy as np
import pytest

import tav
from conftest import pack12

UNIT = (1 << 17) << 12  # table word: gain 1.0, offset 0


def frame12(rng, height=48, width=64):
    return rng.integers(0, 4096, (height, width), dtype=np.uint16)


def expected_stats(samples, black, white, order="RG"):
    """Sums by colour over 2x2 tiles without a sample at the white point, of
    max(sample - black, 0), black in tile order; counted here from the
    definition, not by the library."""
    h, w = samples.shape[0] // 2 * 2, samples.shape[1] // 2 * 2
    s = samples[:h, :w].astype(np.int64)
    tiles = [s[0::2, 0::2], s[0::2, 1::2], s[1::2, 0::2], s[1::2, 1::2]]
    saturated = np.zeros(tiles[0].shape, bool)
    for t in tiles:
        saturated |= t >= white
    colour_of = {"RG": (0, 1, 1, 2), "BG": (2, 1, 1, 0), "GR": (1, 0, 2, 1), "GB": (1, 2, 0, 1)}[order]
    sums = [0, 0, 0]
    for position, t in enumerate(tiles):
        sums[colour_of[position]] += int(np.maximum(t - black[position], 0)[~saturated].sum())
    return tuple(sums), int((~saturated).sum()), int(saturated.sum())


@pytest.mark.parametrize("order", ["RG", "GB"])
def test_black_levels_in_tile_order_reach_the_statistics(rng, order):
    samples = frame12(rng)
    samples[:6, :6] = 4095  # a few saturated tiles
    black = (10, 200, 300, 40)
    _, stats = tav.demosaic(samples, "Bayer%s12" % order, black=black, stats=True)
    assert (stats.sum, stats.tiles, stats.saturated) == expected_stats(samples, black, 4095, order)
    assert stats.histogram.sum() == samples.size and not stats.histogram.flags.writeable


def test_white_balance_is_red_green_blue_and_grey_world_neutralises_a_cast():
    # A grey scene seen by a sensor whose red sites give half, blue 0.8 of green.
    samples = np.full((32, 32), 2000, np.uint16)
    samples[0::2, 0::2] = 1000  # R of RGGB
    samples[1::2, 1::2] = 1600  # B
    image, stats = tav.demosaic(samples, "BayerRG12", stats=True)
    assert stats.grey_world() == pytest.approx((2.0, 1.0, 1.25))
    assert image[..., 0].mean() < image[..., 2].mean() < image[..., 1].mean()
    balanced = tav.demosaic(samples, "BayerRG12", wb=stats.grey_world(), output="BGR8")
    assert np.ptp(balanced.astype(int), axis=2).max() <= 1


def test_the_matrix_is_row_major_output_from_camera_colours(rng):
    samples = frame12(rng)
    plain = tav.demosaic(samples, "BayerRG12", stats=True)[0]
    swap_red_blue = [[0, 0, 1], [0, 1, 0], [1, 0, 0]]
    swapped = tav.demosaic(samples, "BayerRG12", ccm=swap_red_blue)
    np.testing.assert_array_equal(swapped, plain[..., ::-1])
    # Green made of red only: row 1 picks column 0.
    from_red = tav.demosaic(samples, "BayerRG12", ccm=[[1, 0, 0], [1, 0, 0], [0, 0, 1]])
    np.testing.assert_array_equal(from_red[..., 1], plain[..., 0])


def test_curves_and_gamma_alone(rng):
    ramp = np.tile(np.arange(0, 4096, 64, dtype=np.uint16), (8, 1))
    linear = tav.demosaic(ramp, "Mono12", output="Mono8", curve="linear")
    srgb = tav.demosaic(ramp, "Mono12", output="Mono8", curve="srgb")
    assert np.all(srgb >= linear) and srgb[0, 4] > 2 * linear[0, 4]
    np.testing.assert_array_equal(tav.demosaic(ramp, "Mono12", gamma=2.2),
                                  tav.demosaic(ramp, "Mono12", curve="gamma", gamma=2.2))
    with pytest.raises(ValueError, match="^gamma: curve 'gamma' needs gamma="):
        tav.demosaic(ramp, "Mono12", curve="gamma")


def test_shading_in_the_pipeline_is_the_correction_then_the_pipeline(rng):
    samples = rng.integers(100, 1000, (32, 32), dtype=np.uint16)
    grey = np.fromfunction(lambda y, x: 900 - 3 * (np.abs(x - 16) + np.abs(y - 16)), (32, 32)).astype(np.float32)
    table = tav.shading_table(grey, np.full((32, 32), 20, np.float32), bits=10, order="RG")
    corrected = tav.correct(samples, table, "BayerRG10")
    np.testing.assert_array_equal(tav.demosaic(samples, "BayerRG10", shading=table, curve="srgb"),
                                  tav.demosaic(corrected, "BayerRG10", curve="srgb"))
    with pytest.raises(ValueError, match=r"^shading: the table is for 32x32 frames, these are 30x32"):
        tav.demosaic(samples[:, :30], "BayerRG10", shading=table)


def test_without_pipeline_arguments_the_plain_conversion_is_unchanged(rng):
    samples = frame12(rng)
    plain = tav.demosaic(samples, "BayerRG12", method="edge")
    assert not isinstance(plain, tuple)
    assert tav.demosaic(samples, "BayerRG12", method="edge", stats=True)[0].shape == plain.shape


SETTINGS = [dict(), dict(black=64, wb=(1.8, 1.0, 1.4), curve="srgb"),
            dict(black=(60, 64, 66, 70), ccm=[[1.6, -0.4, -0.2], [-0.3, 1.5, -0.2], [0, -0.5, 1.5]],
                 curve="gamma", gamma=2.2)]


@pytest.mark.parametrize("threads", [1, 0])
def test_a_demosaicer_gives_what_demosaic_gives_frame_after_frame(rng, threads):
    samples = [frame12(rng, 64, 96) for _ in range(3)]
    d = tav.Demosaicer("BayerRG12Packed", 96, 64, method="edge", output="BGRA8", threads=threads)
    applied = {}
    for settings in SETTINGS:
        d.update(**settings)
        applied.update(settings)
        for s in samples:
            image = d.process(pack12(s))
            expected, stats = tav.demosaic(pack12(s), "BayerRG12Packed", width=96, method="edge",
                                           output="BGRA8", stats=True, **applied)
            np.testing.assert_array_equal(image, expected)
            assert d.stats == stats
    d.output = "RGB8_Planar"
    assert d.process(pack12(samples[0])).shape == (3, 64, 96)


def test_changed_settings_apply_from_the_next_frame_and_read_back_checked(rng):
    samples = frame12(rng)
    d = tav.Demosaicer("BayerRG12", 64, 48)
    first = d.process(samples)
    d.wb = np.array([2.0, 1.0, 1.5])
    d.black = 64
    assert d.wb == (2.0, 1.0, 1.5) and d.black == (64, 64, 64, 64)
    np.testing.assert_array_equal(d.process(samples), tav.demosaic(samples, "BayerRG12", wb=(2, 1, 1.5), black=64))
    d.wb = d.black = None
    np.testing.assert_array_equal(d.process(samples), first)
    assert not d.ccm.flags.writeable


HOSTILE = [
    ("black", -1, ValueError, "black: -1 is negative"),
    ("black", 4095, ValueError, "black: 4095 is at or above the white point 4095 of BayerRG12"),
    ("black", 2**70, ValueError, "^black"),
    ("black", (1, 2), ValueError, "black: expected one integer or four .* got 2 values"),
    ("black", "64", TypeError, "^black"),
    ("black", 64.5, TypeError, "black: expected integers"),
    ("black", True, TypeError, "^black"),
    ("wb", (1, 2), ValueError, "wb: expected three gains .* got 2 values"),
    ("wb", "1,2,3", TypeError, "^wb"),
    ("wb", (1, np.nan, 1), ValueError, "wb: the green gain nan is not a finite number"),
    ("wb", (np.inf, 1, 1), ValueError, "wb: the red gain inf is not a finite number"),
    ("wb", (1, 1, 0), ValueError, r"wb: the blue gain 0.0 is outside \(0, 64\]"),
    ("wb", (1, 1, -2), ValueError, "wb: the blue gain -2.0 is outside"),
    ("wb", (65, 1, 1), ValueError, "wb: the red gain 65.0 is outside"),
    ("wb", (1e300, 1, 1), ValueError, "wb: the red gain 1e[+]?300 is outside"),
    ("wb", (10**400, 1, 1), ValueError, "wb: the red gain .* is not a finite number"),
    ("wb", (1e-50, 1, 1), ValueError, "wb: the red gain 0.0 is outside"),
    ("ccm", np.eye(3)[:2], ValueError, r"ccm: expected a 3x3 matrix, got shape \(2, 3\)"),
    ("ccm", list(range(9)), ValueError, r"ccm: expected a 3x3 matrix, got shape \(9,\)"),
    ("ccm", "identity", TypeError, "^ccm"),
    ("ccm", [[1, 0, 0], [0, np.nan, 0], [0, 0, 1]], ValueError, "ccm: the entry at row 1, column 1 nan"),
    ("ccm", [[1, 0, 0], [0, 1, 0], [0, 0, 17]], ValueError, r"ccm: the entry at row 2, column 2, 17.0, is outside"),
    ("ccm", [[1, 0, 0], [0, 1, 0], ["a", 0, 1]], TypeError, "^ccm"),
    ("curve", "log", ValueError, "curve: unknown value 'log'"),
    ("curve", 2, TypeError, "^curve"),
    ("gamma", 0.05, ValueError, r"gamma: 0.05\d* is outside \[0.1, 10\]"),
    ("gamma", np.nan, ValueError, "gamma: nan is not a finite number"),
    ("gamma", "2.2", TypeError, "^gamma"),
    ("shading", b"TAVSHADE", TypeError, "shading: expected a tav.ShadingTable"),
    ("shading", tav.ShadingTable(np.array([1, 4, 4] + [UNIT] * 16, np.uint32)), ValueError,
     "shading: the table is for 4x4 frames, these are 64x48"),
]


@pytest.mark.parametrize("name, value, error, message", HOSTILE, ids=[h[0] + str(i) for i, h in enumerate(HOSTILE)])
def test_hostile_settings_are_refused_by_name_and_change_nothing(rng, name, value, error, message):
    samples = frame12(rng)
    d = tav.Demosaicer("BayerRG12", 64, 48, black=16, wb=(1.5, 1, 1.2), curve="srgb")
    before = d.process(samples)
    settings = (d.black, d.wb, d.ccm.tolist(), d.curve, d.gamma, d.shading)
    with pytest.raises(error, match=message):
        setattr(d, name, value)
    assert (d.black, d.wb, d.ccm.tolist(), d.curve, d.gamma, d.shading) == settings
    np.testing.assert_array_equal(d.process(samples), before)
    with pytest.raises(error, match=message):
        tav.demosaic(samples, "BayerRG12", **{name: value})
    with pytest.raises(error, match=message):
        tav.Demosaicer("BayerRG12", 64, 48, **{name: value})


def test_mono_frames_take_one_black_level_and_a_curve_needs_its_gamma():
    with pytest.raises(ValueError, match=r"black: Mono12 has one black level for every pixel, got \(1, 2, 3, 4\)"):
        tav.Demosaicer("Mono12", 8, 8, black=(1, 2, 3, 4))
    assert tav.Demosaicer("Mono12", 8, 8, black=(5, 5, 5, 5)).black == (5, 5, 5, 5)
    d = tav.Demosaicer("Mono12", 8, 8)
    with pytest.raises(ValueError, match="^gamma: curve 'gamma' needs"):
        d.curve = "gamma"
    assert d.curve == "linear"
    d.gamma = 2.0  # kept while the curve is linear, used once it is chosen
    d.curve = "gamma"
    with pytest.raises(ValueError, match="^gamma: curve 'gamma' needs"):
        d.gamma = None
    assert (d.curve, d.gamma) == ("gamma", 2.0)
    with pytest.raises(ValueError, match="^wb"):
        d.update(curve="srgb", wb=(0, 1, 1))
    assert d.curve == "gamma"
    with pytest.raises(TypeError, match="^update: threads is not a pipeline setting"):
        d.update(threads=2)
    d.update(curve="linear", gamma=None)


def test_grey_world_has_a_gain_for_every_frame():
    stats = tav.FrameStats((100, 400, 50), 10, 0, np.zeros(64, np.uint32))
    assert stats.grey_world() == (2.0, 1.0, 4.0)
    # No red, no blue, no green light summed: those gains stay 1.0.
    assert tav.FrameStats((0, 400, 50), 10, 0, np.zeros(64)).grey_world() == (1.0, 1.0, 4.0)
    assert tav.FrameStats((7, 0, 9), 10, 0, np.zeros(64)).grey_world() == (1.0, 1.0, 1.0)
    assert tav.FrameStats((0, 0, 0), 0, 99, np.zeros(64)).grey_world() == (1.0, 1.0, 1.0)
    # Far beyond what the pipeline takes: capped at 64, so wb= accepts it.
    gains = tav.FrameStats((1, 10**6, 1), 10, 0, np.zeros(64)).grey_world()
    assert gains == (64.0, 1.0, 64.0)
    tav.Demosaicer("BayerRG8", 8, 8, wb=gains)
    dark = tav.demosaic(np.zeros((16, 16), np.uint16), "BayerRG12", stats=True)[1]
    assert dark.sum == (0, 0, 0) and dark.tiles == 64 and dark.grey_world() == (1.0, 1.0, 1.0)


def test_out_arrays_are_used_only_when_safe(rng):
    samples = frame12(rng)
    d = tav.Demosaicer("BayerRG12", 64, 48, curve="srgb")
    expected = d.process(samples)
    out = np.zeros((48, 64, 3), np.uint8)
    assert d.process(samples, out=out) is out
    np.testing.assert_array_equal(out, expected)

    read_only = np.zeros((48, 64, 3), np.uint8)
    read_only.flags.writeable = False
    wide = np.zeros((48, 64, 6), np.uint8)
    for bad, error, message in ((read_only, ValueError, "out: the array is read-only"),
                                (np.zeros((48, 64, 4), np.uint8), ValueError, r"out: shape \(48, 64, 4\)"),
                                (np.zeros((47, 64, 3), np.uint8), ValueError, "out: shape"),
                                (np.zeros((48, 64, 3), np.uint16), TypeError, "out: expected a uint8 array"),
                                (wide[:, :, ::2], ValueError, "out: the array must be C-contiguous"),
                                (np.zeros((48, 64, 3), np.uint8).T.copy().T, ValueError, "C-contiguous"),
                                (bytearray(48 * 64 * 3), TypeError, "out: expected a NumPy array")):
        before = np.array(bad, copy=True) if isinstance(bad, np.ndarray) else None
        with pytest.raises(error, match=message):
            d.process(samples, out=bad)
        if before is not None:
            np.testing.assert_array_equal(bad, before)

    # An out array over the frame's own memory would overwrite it while it is read.
    memory = np.zeros(48 * 64 * 3, np.uint8)
    frame = memory[:48 * 64 * 2].view("<u2").reshape(48, 64)
    frame[...] = samples
    with pytest.raises(ValueError, match="out: the array overlaps the frame's memory"):
        d.process(frame, out=memory.reshape(48, 64, 3))
    np.testing.assert_array_equal(frame, samples)
    raw = bytearray(samples.astype("<u2").tobytes() + bytes(48 * 64))
    with pytest.raises(ValueError, match="overlaps"):
        d.process(memoryview(raw)[:48 * 64 * 2], out=np.frombuffer(raw, np.uint8)[:48 * 64 * 3].reshape(48, 64, 3))


def test_padded_8_bit_rows_are_read_in_place_and_left_alone(rng):
    wide = rng.integers(0, 256, (32, 48), dtype=np.uint8)
    before = wide.copy()
    image = tav.demosaic(wide[:, :40], "BayerRG8", black=4)
    assert image.shape == (32, 40, 3)
    np.testing.assert_array_equal(wide, before)
    np.testing.assert_array_equal(image, tav.demosaic(np.ascontiguousarray(wide[:, :40]), "BayerRG8", black=4))


def test_frames_of_another_size_and_closed_demosaicers_are_refused(rng):
    with tav.Demosaicer("BayerRG12", 64, 48) as d:
        with pytest.raises(ValueError, match="^frame: 40 rows, this Demosaicer converts 64x48 frames"):
            d.process(frame12(rng, 40, 64))
        with pytest.raises(ValueError, match="^width"):
            d.process(frame12(rng, 48, 60))
        with pytest.raises(tav.TavError) as refused:
            tav.Demosaicer("BayerRG8", 3, 3).process(np.zeros((3, 3), np.uint8))
        assert refused.value.line == 96
        assert d.stats is None
    with pytest.raises(ValueError, match="Demosaicer: closed"):
        d.process(frame12(rng))
    with pytest.raises(ValueError, match="Demosaicer: closed"):
        d.wb = (1, 1, 1)
    with pytest.raises(TypeError, match="cannot be pickled"):
        __import__("pickle").dumps(d)


def test_one_demosaicer_shared_by_two_threads_refuses_instead_of_racing(rng):
    samples = frame12(rng, 240, 320)
    d = tav.Demosaicer("BayerRG12", 320, 240, method="edge", curve="srgb")
    expected = d.process(samples)
    outcomes = []

    def work():
        for _ in range(40):
            try:
                outcomes.append(np.array_equal(d.process(samples), expected))
            except RuntimeError as error:
                outcomes.append(str(error))
            try:
                d.wb = (1.0, 1.0, 1.0)
            except RuntimeError as error:
                outcomes.append(str(error))

    threads = [threading.Thread(target=work) for _ in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert False not in outcomes and outcomes.count(True) > 0
    refusals = [o for o in outcomes if o is not True]
    assert all("a Demosaicer serves one thread at a time" in o for o in refusals), refusals[:3]
