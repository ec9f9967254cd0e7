#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

Each seed is one case in the layout its harness reads (fields from the
front, little-endian), followed by sample bytes. Run from anywhere; the
files are checked in, so this is only needed when a harness layout changes.
"""
import os
import random
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
rng = random.Random(11)


def payload(n):
    return bytes(rng.randrange(256) for _ in range(n))


def i32(v):
    return b"\xff" + struct.pack("<i", v)  # a side or value given in full


def f32(v):
    return struct.pack("<f", v)


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    # Only the seeds written here: inputs kept from fuzzing runs stay.
    for old in os.listdir(folder):
        if old.startswith("seed-"):
            os.remove(os.path.join(folder, old))
    for k, seed in enumerate(seeds):
        with open(os.path.join(folder, "seed-%02d" % k), "wb") as f:
            f.write(seed)


# type index, output index, method, height, width, row byte, then samples
demosaic = [
    bytes([8, 1, 1, 8, 8, 0]) + payload(64),            # RG8 -> BGR8 bilinear
    bytes([12, 4, 2, 9, 7, 0x81]) + payload(96),        # RG12 -> planar edge, padded rows
    bytes([17, 6, 2, 7, 9, 0]) + payload(80),           # GB10p -> Mono8 edge
    bytes([2, 2, 0, 5, 6, 0]) + payload(64),            # Mono12 -> RGBA8
    bytes([10, 3, 0, 6, 5, 0x90]) + payload(64),        # BG8 -> BGRA8 nearest, padded
    bytes([9, 0, 4, 8, 8, 0x85]) + payload(64),         # unknown method on padded 8-bit
    bytes([11, 5, 1, 4, 4, 0, 1]) + payload(32),        # GR10 -> BGR planar, called twice
    bytes([8, 1, 2, 5, 5, 0]) + payload(32),            # edge below its minimum
    bytes([8, 2, 1]) + i32(26755) + i32(26755) + bytes([0]),  # output beyond INT32_MAX
    bytes([19, 1, 1, 8, 8, 0]) + payload(64),           # not an input type
]
# routine, height, width, option byte, then samples
demosaic16 = [bytes([r, 9, 10, o]) + payload(200) for r, o in
              [(0, 0), (1, 1), (4, 2), (5, 3), (6, 4), (7, 5), (8, 0), (12, 1), (14, 0), (16, 1),
               (18, 2), (19, 3), (22, 2), (23, 2), (24, 0)]]
demosaic16.append(bytes([16, 8, 8, 0, 0xFF]) + struct.pack("<i", -2**31))  # start column INT32_MIN
# kernel, height, width, flag, weights flag, then samples
kernels8 = [bytes([k, 7 + k % 3, 9 + k % 4, k & 1, 0]) + payload(80) for k in range(14)]
kernels8.append(bytes([3, 8, 8, 0, 1]) + struct.pack("<iii", 300, -5, 2**31 - 1) + payload(64))
# selector 0: mode, bits, width, height, then floats
grey = b"".join(f32(200.0 + rng.random() * 50) for _ in range(64))
specials = f32(float("nan")) + f32(float("inf")) + f32(float("-inf")) + f32(-0.0)
shading = [
    bytes([0, 1, 12, 32, 32]) + grey + specials,
    bytes([0, 0, 10, 34, 32]) + grey,
    bytes([1, 0, 12, 3, 64, 48, 1]) + f32(20.0) + grey + specials,
    bytes([1, 0, 8, 2, 40, 32, 0]) + f32(float("nan")) + grey,
    bytes([2, 3, 8, 8, 1, 0x01]) + payload(300),   # GB12, per pixel, odd address
    bytes([2, 0, 8, 8, 0, 0x02]) + payload(300),   # Mono8, cells, in place
    bytes([2, 4, 6, 6, 1, 0x00]) + payload(100),   # Mono16: not corrected
    bytes([3, 32, 32, 16, 16, 2, 2]) + struct.pack("<i", 256) + grey,
    bytes([3, 32, 32, 16, 16, 4, 2]) + struct.pack("<i", 256) + grey,  # more block rows than rows
]
ffc = [
    bytes([0, 1, 12, 32, 32]) + grey,
    bytes([1, 0, 1, 12, 3, 64, 32]) + f32(10.0) + grey,
    bytes([2, 1, 8, 8, 1, 0]) + payload(200),
    bytes([2, 2, 8, 8, 0, 1]) + payload(200),
    bytes([3]) + struct.pack("<i", -101) + bytes([4]) + payload(16) + struct.pack("<i", 4),
]
table = struct.pack("<III", 1, 2, 2) + struct.pack("<IIII", 0x20000000, 0x30000010, 0, 0xFFFFFFFF)
tavraw = [
    b"\x01" + table,
    b"\x01" + struct.pack("<III", 0, 4, 4) + struct.pack("<IIII", 1, 2, 3, 4),
    b"\x01" + struct.pack("<III", 7, 1, 1),
    b"\x00" + bytes([0, 8, 4, 0]) + payload(32),    # first format, 8 x 4, packed rows
    b"\x00" + bytes([5, 6, 2, 0]) + payload(24),
    b"\x00" + bytes([9, 6, 3, 0]) + payload(27),
]


# Picture pipeline: type index (0..30, the order of tav_types.h), output
# index, method, height, width, row byte, flags (1: two threads, 2 without 4:
# no pipeline, 8: a neutral pipeline first, 16: a shading table, 32: its mode
# changes after it is set, 64: a matrix), then four black levels, three gains,
# [nine matrix entries], curve, gamma, [table: shape, mode, words],
# [changed mode], then samples. Values are given in full (tag 0xE0).
def full_i(v):
    return b"\xe0" + struct.pack("<i", v)


def full_f(v):
    return b"\xe0" + f32(v)


def settings(black=(0, 0, 0, 0), gains=(1.0, 1.0, 1.0), matrix=None, curve=0, gamma=1.0):
    out = b"".join(full_i(b) for b in black) + b"".join(full_f(g) for g in gains)
    if matrix is not None:
        out += b"".join(full_f(m) for m in matrix)
    return out + full_i(curve) + full_f(gamma)


def table_words(count):  # gains 0.5 .. 2.5, any offset
    return b"".join(struct.pack("<I", rng.randrange(2**32)) for _ in range(count))


def words(count, bits):  # samples within the depth, in 16-bit words
    return b"".join(struct.pack("<H", rng.randrange(2**bits)) for _ in range(count))


camera = (1.62, -0.41, -0.21, -0.28, 1.49, -0.21, -0.06, -0.47, 1.53)
srgb, gamma = 1, 2
pipeline = [
    # RG12Packed -> BGRA8 bilinear, black 64, gains, matrix, sRGB
    bytes([28, 3, 1, 8, 8, 0, 64]) + settings((64,) * 4, (2.0, 1.0, 1.6), camera, srgb) + payload(96),
    # the same, edge, two threads
    bytes([28, 3, 2, 10, 12, 0, 65]) + settings((64,) * 4, (2.0, 1.0, 1.6), camera, srgb) + payload(180),
    # RG8 -> BGR8 bilinear: gains, matrix, sRGB
    bytes([8, 1, 1, 9, 9, 0, 64]) + settings((0,) * 4, (1.9, 1.0, 1.6), camera, srgb) + payload(81),
    # BG12 -> RGB8 planar, edge, gamma 2.2, per-pixel table of the frame's size
    bytes([18, 4, 2, 6, 6, 0, 16]) + settings((100, 90, 90, 110), (1.3, 1.0, 2.4), None, gamma, 2.2)
    + bytes([0, 1]) + table_words(36) + words(36, 12),
    # Mono12 -> Mono8 on an odd frame with a 2x2 table
    bytes([2, 6, 1, 9, 7, 0, 17]) + settings((200, 0, 0, 0)) + bytes([1, 0]) + table_words(12) + words(63, 12),
    # GB10Packed -> RGBA8 nearest, table one row short: refused at the frame
    bytes([25, 2, 0, 6, 8, 0, 16]) + settings() + bytes([2, 0xFF, 0, 1]) + table_words(40) + payload(72),
    # GR8 with padded rows -> BGR8: the rows must be read where they lie
    bytes([7, 1, 1, 8, 10, 0x86, 64]) + settings((16,) * 4, (1.5, 1.0, 1.5), camera, srgb) + payload(120),
    # a NaN gain after a neutral pipeline: refused, the neutral one stays
    bytes([16, 0, 1, 8, 8, 0, 8]) + settings((0,) * 4, (float("nan"), 1.0, 1.0)) + words(64, 12),
    # table mode changed to the other after it was set: per pixel to 2x2, and 2x2 to per pixel
    bytes([12, 3, 1, 8, 8, 0, 48]) + settings() + bytes([0, 1]) + table_words(64) + bytes([0]) + words(64, 10),
    bytes([12, 3, 1, 8, 8, 0, 48]) + settings() + bytes([0, 0]) + table_words(16) + bytes([1]) + words(64, 10),
    # black level at the 8-bit white point: refused at the frame
    bytes([9, 1, 1, 8, 8, 0, 0]) + settings((255, 0, 0, 0)) + payload(64),
    # infinite matrix entry, unknown curve, gamma out of range
    bytes([8, 1, 1, 8, 8, 0, 64]) + settings((0,) * 4, (1.0, 1.0, 1.0), (float("inf"),) + camera[1:], 7, 40.0)
    + payload(64),
    # no pipeline, Mono16 -> BGRA8 on two threads: statistics stay zero
    bytes([4, 3, 1, 8, 8, 0, 3]) + settings() + words(64, 16),
    # a saturated RG16 frame, extreme gains and matrix
    bytes([20, 1, 2, 8, 8, 0, 64]) + settings((0,) * 4, (64.0, 1e-30, 64.0), (16.0, -16.0) * 4 + (16.0,))
    + b"\xff" * 128,
]

# The high-quality method; written last so that the seeds above keep their bytes.
demosaic += [
    bytes([12, 0, 3, 9, 7, 0x83]) + payload(279),       # RG12 -> RGB8 hq, padded rows
    bytes([8, 6, 3, 4, 4, 0]) + payload(16),            # RG8 -> Mono8 hq, the smallest frame
    bytes([18, 4, 3, 5, 11, 0]) + payload(90),          # BG12Packed -> planar hq
]
pipeline += [
    # GB10Packed -> BGR8 hq on two threads, gains, matrix, sRGB
    bytes([25, 1, 3, 10, 9, 0, 65]) + settings((16,) * 4, (1.8, 1.0, 1.4), camera, srgb) + payload(150),
    # GR16 -> RGB8 planar hq, gamma 2.2, a 2x2 table
    bytes([19, 4, 3, 8, 6, 0, 16]) + settings((500, 400, 400, 600), (1.2, 1.0, 2.0), None, gamma, 2.2)
    + bytes([0, 0]) + table_words(12) + words(48, 16),
]

write("fuzz_demosaic", demosaic)
write("fuzz_demosaic16", demosaic16)
write("fuzz_kernels8", kernels8)
write("fuzz_shading", shading)
write("fuzz_ffc", ffc)
write("fuzz_tavraw", tavraw)
write("fuzz_pipeline", pipeline)
