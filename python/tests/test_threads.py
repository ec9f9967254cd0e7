"""Python threads run library calls at once on separate contexts: results
are those of one thread, and each call's diagnostic reaches its own
exception and nothing else."""

from concurrent.futures import ThreadPoolExecutor

import numpy as np

import tav
from conftest import pack12


def test_two_threads_give_the_same_bytes_as_one(rng):
    samples = rng.integers(0, 4096, (240, 320), dtype=np.uint16)
    packed = pack12(samples)
    jobs = [(packed, "BayerRG12Packed", dict(width=320, method=m, output=o))
            for m in ("nearest", "bilinear", "edge", "hq") for o in ("RGB8", "BGRA8", "RGB8_Planar", "Mono8")]
    jobs += [(samples, "BayerGR12", dict(method=m)) for m in ("bilinear", "edge", "hq")]
    expected = [tav.demosaic(frame, fmt, **options).tobytes() for frame, fmt, options in jobs]
    expected16 = tav.demosaic16(samples, "BG", method="edge").tobytes()

    def run(job):
        frame, fmt, options = job
        return tav.demosaic(frame, fmt, **options).tobytes()

    with ThreadPoolExecutor(max_workers=2) as pool:
        for _ in range(3):
            assert list(pool.map(run, jobs)) == expected
        results16 = pool.map(lambda _: tav.demosaic16(samples, "BG", method="edge").tobytes(), range(4))
        assert all(r == expected16 for r in results16)


def test_diagnostics_stay_with_the_call_that_printed_them(capfd, rng):
    small = np.zeros((3, 8), dtype=np.uint8)
    grey = np.ones((30, 30), dtype=np.float32)
    frame = rng.integers(0, 256, (200, 200), dtype=np.uint8)

    def fail_demosaic(_):
        try:
            tav.demosaic(small, "BayerRG8")
        except tav.TavError as error:
            return error.diagnostics

    def fail_table(_):
        try:
            tav.shading_table(grey, grey, bits=8)
        except tav.TavError as error:
            return error.diagnostics

    def succeed(_):
        tav.demosaic(frame, "BayerBG8", method="edge")
        return ""

    with ThreadPoolExecutor(max_workers=3) as pool:
        failures = [pool.submit(f, i) for i in range(200) for f in (fail_demosaic, fail_table, succeed)]
        texts = [f.result() for f in failures]
    assert texts == ["error line = [96]", "error line = [600]", ""] * 200
    assert capfd.readouterr().out == ""


def test_a_demosaicer_per_thread_gives_the_bytes_of_one_thread(rng):
    frames = [rng.integers(0, 4096, (120, 160), dtype=np.uint16) for _ in range(6)]
    settings = dict(method="edge", output="BGRA8", black=(60, 64, 64, 70), wb=(1.8, 1.0, 1.5), curve="srgb")
    single = tav.Demosaicer("BayerGR12", 160, 120, **settings)
    expected = [(single.process(f).tobytes(), single.stats.sum) for f in frames]

    def run(_):
        own = tav.Demosaicer("BayerGR12", 160, 120, threads=2, **settings)
        return [(own.process(f).tobytes(), own.stats.sum) for f in frames]

    with ThreadPoolExecutor(max_workers=3) as pool:
        assert all(result == expected for result in pool.map(run, range(6)))
