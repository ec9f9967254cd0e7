"""A bounded random sweep over the table shapes that once read or wrote past
their buffers: forged and odd-sized table headers, words edited behind a
table's back, and averages no frame can give. Every call must end in a
result the library filled completely or a Python exception, never a crash.
TAV_FUZZ_ITERATIONS sets the number of rounds (CI runs more under ASan)."""

import os

import numpy as np
import pytest

import tav

ROUNDS = int(os.environ.get("TAV_FUZZ_ITERATIONS", "300"))
UNIT = (1 << 17) << 12
REFUSALS = (ValueError, TypeError, tav.TavError)


def random_header(rng):
    mode = int(rng.choice([0, 1, 1, 2, 0xFFFFFFFF]))
    side = lambda: int(rng.choice([rng.integers(1, 12), rng.integers(0, 2**32), 2**31 - 1, 2**31, 0]))
    return mode, side(), side()


def random_words(rng):
    mode, height, width = random_header(rng)
    if rng.random() < 0.5 and mode in (0, 1) and height * width < 4096:
        count = height * width if mode == 1 else (height // 2) * (width // 2)
    else:
        count = int(rng.integers(0, 64))
    count += int(rng.choice([0, 0, 0, -1, 1]))
    params = rng.integers(0, 2**32, max(count, 0), dtype=np.uint64)
    return np.concatenate([np.array([mode, height, width], np.uint64), params]).astype(np.uint32)


def correct_fully(table, rng):
    """Corrects a frame of the table's size into two differently prefilled
    outputs: an accepted call must write every sample alike."""
    if table.height * table.width > 4096:
        return
    frame = rng.integers(0, 1024, (table.height, table.width), dtype=np.uint16)
    outs = [np.full(frame.shape, fill, np.uint16) for fill in (0, 0xFFFF)]
    try:
        for out in outs:
            tav.correct(frame, table, "Mono10", out=out)
    except REFUSALS:
        return
    np.testing.assert_array_equal(outs[0], outs[1])


@pytest.mark.parametrize("seed", range(4))
def test_random_tables_are_refused_or_fill_their_output(seed):
    rng = np.random.default_rng(seed)
    for _ in range(ROUNDS // 4):
        words = random_words(rng)
        data = words.astype("<u4").tobytes()
        for make in (lambda: tav.ShadingTable(words),
                     lambda: tav.ShadingTable.from_bytes(data, headerless=True),
                     lambda: tav.ShadingTable.from_bytes(b"TAVSHADE" + np.array([1, 10], "<u4").tobytes() + data),
                     lambda: tav.ShadingTable.from_bytes(data[:int(rng.integers(0, len(data) + 1))])):
            try:
                table = make()
            except REFUSALS:
                continue
            correct_fully(table, rng)


@pytest.mark.parametrize("seed", range(4))
def test_tables_edited_behind_their_back_are_never_read_past(seed):
    rng = np.random.default_rng(100 + seed)
    base = tav.ShadingTable(np.array([1, 8, 8] + [UNIT] * 64, np.uint32), bits=10)
    frame = np.zeros((8, 8), np.uint16)
    for _ in range(ROUNDS // 4):
        table = tav.ShadingTable(base.words, bits=10)
        with pytest.raises(ValueError):
            table.words.flags.writeable = True
        forged = random_words(rng)
        table._words = forged
        try:
            tav.correct(np.zeros((forged[1] % 64 + 1, forged[2] % 64 + 1), np.uint16) if rng.random() < 0.5
                        else frame, table, "Mono10")
        except REFUSALS:
            pass


@pytest.mark.parametrize("seed", range(2))
def test_hostile_averages_give_a_checked_table_or_a_refusal(seed):
    rng = np.random.default_rng(200 + seed)
    specials = np.array([np.nan, np.inf, -np.inf, -1.0, 0.0, 4095.0, 4096.0, 1e30], np.float32)
    for _ in range(ROUNDS // 8):
        height, width = (int(rng.choice([30, 32, 34, 33])) for _ in range(2))
        grey = rng.uniform(0, 1100, (height, width)).astype(np.float32)
        dark = rng.uniform(0, 200, (height, width)).astype(np.float32)
        for frame in (grey, dark):
            spots = rng.integers(0, frame.size, int(rng.integers(0, 3)))
            frame.reshape(-1)[spots] = rng.choice(specials, spots.size)
        try:
            table = tav.shading_table(grey, dark, mode=str(rng.choice(["pixel", "cell"])), bits=10,
                                      order=rng.choice([None, "RG", "BG"]))
        except REFUSALS:
            continue
        assert np.all(table.words[3:] >> 12 != 0)
        assert np.all(np.isfinite(grey)) and grey.max() <= 1023 and dark.min() >= 0
        correct_fully(table, rng)


def random_setting(rng, name):
    """A value for a pipeline setting: often sound, often hostile."""
    specials = [np.nan, np.inf, -np.inf, -1.0, 0.0, 1e-40, 64.0, 64.0001, 1e30, 10**400, "1,2", None, True]
    pick = lambda values: values[int(rng.integers(0, len(values)))]
    if rng.random() < 0.3:
        return pick(specials)
    if name == "black":
        return pick([int(rng.integers(-5, 5000)), tuple(int(v) for v in rng.integers(0, 300, 4)),
                     tuple(int(v) for v in rng.integers(0, 300, int(rng.integers(0, 6)))), 2**63, 1.5])
    if name == "wb":
        return tuple(pick([float(rng.uniform(0.01, 70)), pick(specials)]) if rng.random() < 0.2
                     else float(rng.uniform(0.1, 8)) for _ in range(pick([3, 3, 3, 2, 4])))
    if name == "ccm":
        shape = pick([(3, 3), (3, 3), (3, 3), (9,), (2, 3), (3, 3, 1)])
        matrix = rng.uniform(-3, 3, shape)
        if rng.random() < 0.3:
            matrix.reshape(-1)[int(rng.integers(0, matrix.size))] = pick([np.nan, np.inf, 16.5, -17.0, 1e300])
        return matrix
    if name == "curve":
        return pick(["linear", "srgb", "gamma", "SRGB ", "log", 2, ""])
    if name == "gamma":
        return pick([float(rng.uniform(0.01, 12)), 0.1, 10.0, 2.2])
    size = pick([(16, 16), (16, 16), (8, 16)])
    count = size[0] * size[1] // (1 if rng.random() < 0.5 else 4)
    mode = 1 if count == size[0] * size[1] else 0
    words = np.array([mode, size[0], size[1]] + list(rng.integers(0, 2**32, count, dtype=np.uint64)), np.uint64)
    words[3:] = (words[3:] & 0xFFF) | (int(rng.integers(1, 1 << 19)) << 12)  # gains nonzero
    return tav.ShadingTable(words.astype(np.uint32))


PIPELINE_FORMATS = [("BayerRG8", np.uint8, 256), ("BayerGB12", np.uint16, 4096), ("Mono10", np.uint16, 1024),
                    ("BayerBG16", np.uint16, 65536)]


@pytest.mark.parametrize("seed", range(4))
def test_hostile_pipeline_settings_are_refused_or_fill_their_output(seed):
    rng = np.random.default_rng(300 + seed)
    names = ("black", "wb", "ccm", "curve", "gamma", "shading")
    for _ in range(ROUNDS // 8):
        name, dtype, top = PIPELINE_FORMATS[int(rng.integers(0, len(PIPELINE_FORMATS)))]
        frame = rng.integers(0, top, (16, 16), dtype=dtype)
        settings = {n: random_setting(rng, n) for n in names if rng.random() < 0.4}
        output = str(rng.choice(["RGB8", "BGRA8", "RGB8_Planar", "Mono8"]))
        method = str(rng.choice(["nearest", "bilinear", "edge", "hq"]))
        try:
            first = tav.demosaic(frame, name, output=output, method=method, **settings)
        except REFUSALS:
            first = None
        # The same values set one by one on a stream: each refusal leaves the
        # settings that were there, and every accepted frame is written whole.
        d = tav.Demosaicer(name, 16, 16, output=output, method=method)
        for setting, value in settings.items():
            before = (d.black, d.wb, d.ccm.tolist(), d.curve, d.gamma, d.shading)
            try:
                setattr(d, setting, value)
            except REFUSALS:
                assert (d.black, d.wb, d.ccm.tolist(), d.curve, d.gamma, d.shading) == before
        outs = [np.full(first.shape if first is not None else d.process(frame).shape, fill, np.uint8)
                for fill in (0, 255)]
        for out in outs:
            d.process(frame, out=out)
        np.testing.assert_array_equal(outs[0], outs[1])
        if first is not None:
            assert first.shape == outs[0].shape
