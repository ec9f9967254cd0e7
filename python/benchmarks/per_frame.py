"""Per-frame cost of a stream of frames from Python: a Demosaicer that keeps
one context (and its worker threads) against tav.demosaic, which makes a
context per call. Prints milliseconds per frame, the median of three runs
made in this one process.

    PYTHONPATH=build/python /usr/bin/python3 python/benchmarks/per_frame.py [--frames N] [--threads T]
"""

import argparse
import statistics
import time

import numpy as np

import tav

PIPELINE = dict(black=256, wb=(1.9, 1.0, 1.6), ccm=[[1.6, -0.4, -0.2], [-0.3, 1.5, -0.2], [0.0, -0.5, 1.5]],
                curve="srgb")


def packed12(rng, height, width):
    samples = rng.integers(0, 4096, (height, width), dtype=np.uint16)
    first, second = samples[:, 0::2], samples[:, 1::2]
    groups = np.empty((height, width // 2, 3), np.uint8)
    groups[..., 0] = first >> 4
    groups[..., 1] = (first & 0xF) | ((second & 0xF) << 4)
    groups[..., 2] = second >> 4
    return groups.reshape(height, -1)


def per_frame_ms(convert, frames):
    convert()  # warm: first allocations, worker start
    start = time.perf_counter()
    for _ in range(frames):
        convert()
    return 1000.0 * (time.perf_counter() - start) / frames


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--frames", type=int, default=30)
    parser.add_argument("--threads", type=int, default=0)
    parser.add_argument("--width", type=int, default=1920)
    parser.add_argument("--height", type=int, default=1080)
    options = parser.parse_args()
    w, h, threads = options.width, options.height, options.threads
    raw = packed12(np.random.default_rng(1), h, w)
    common = dict(width=w, method="bilinear", output="BGRA8", threads=threads)
    stream = tav.Demosaicer("BayerRG12Packed", w, h, method="bilinear", output="BGRA8", threads=threads, **PIPELINE)
    plain_stream = tav.Demosaicer("BayerRG12Packed", w, h, method="bilinear", output="BGRA8", threads=threads)
    out = np.empty((h, w, 4), np.uint8)
    cases = [
        ("tav.demosaic, no pipeline", lambda: tav.demosaic(raw, "BayerRG12Packed", **common)),
        ("tav.demosaic, pipeline", lambda: tav.demosaic(raw, "BayerRG12Packed", **common, **PIPELINE)),
        ("Demosaicer.process, pipeline", lambda: stream.process(raw)),
        ("Demosaicer.process, pipeline, out=", lambda: stream.process(raw, out=out)),
        ("Demosaicer.process, neutral pipeline, out=", lambda: plain_stream.process(raw, out=out)),
    ]
    print("BayerRG12Packed -> BGRA8 bilinear, %dx%d, threads=%d, %d frames a run, median of 3 runs"
          % (w, h, threads, options.frames))
    for name, convert in cases:
        runs = [per_frame_ms(convert, options.frames) for _ in range(3)]
        print("  %-44s %7.2f ms/frame  (runs %s)" % (name, statistics.median(runs),
                                                    ", ".join("%.2f" % r for r in runs)))


if __name__ == "__main__":
    main()
