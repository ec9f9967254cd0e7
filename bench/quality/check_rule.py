#!/usr/bin/python3
"""Self-checks of the prototype driver: the four Bayer phases give the same interior as RG on the same scene
shifted by one column and/or row; mirrored borders match a run on an explicitly mirror-padded mosaic; 16-bit
input scaled by 256 lands within one 8-bit step of the 8-bit result.

the plane-by-plane form gives the same bytes as the per-pixel rule.

usage: /usr/bin/python3 bench/quality/check_rule.py [BIN]   (default build/quality/hq_demosaic)"""
import os
import subprocess
import sys
import tempfile

import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BIN = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, 'build/quality/hq_demosaic')
TMP = tempfile.mkdtemp()
REACH = 9  # rows and columns of the mosaic a pixel's result depends on


def run(m, phase='RG', bits=8, path='planes'):
    h, w = m.shape
    src, dst = os.path.join(TMP, 'in.raw'), os.path.join(TMP, 'out.raw')
    m.astype(np.uint8 if bits == 8 else '<u2').tofile(src)
    subprocess.run([BIN, '--phase', phase, '--bits', str(bits), '--path', path, str(w), str(h), src, dst], check=True)
    return np.fromfile(dst, np.uint8 if bits == 8 else '<u2').reshape(h, w, 3).astype(np.int64)


def mosaic(rgb, red_col, red_row):
    h, w, _ = rgb.shape
    yy, xx = np.mgrid[0:h, 0:w]
    colour = np.where((xx % 2 == red_col) & (yy % 2 == red_row), 0,
                      np.where((xx % 2 != red_col) & (yy % 2 != red_row), 2, 1))
    return np.take_along_axis(rgb, colour[..., None], 2)[..., 0]


rng = np.random.default_rng(7)
# a smooth random scene with some edges, so every branch of the rule is taken
base = rng.integers(0, 256, (40, 46, 3)).astype(np.float64)
for _ in range(2):
    base = (base + np.roll(base, 1, 0) + np.roll(base, 1, 1)) / 3
scene = np.clip(np.round(base * 1.5 - 64) + rng.integers(-20, 21, base.shape), 0, 255).astype(np.int64)
failures = 0

ref = run(mosaic(scene, 0, 0), 'RG')
for phase, dx, dy in (('GR', 1, 0), ('GB', 0, 1), ('BG', 1, 1)):
    shifted = scene[dy:, dx:]
    out = run(mosaic(shifted, 0 if dx == 0 else 1, 0 if dy == 0 else 1), phase)
    # in the shifted frame red sits at column dx-parity, row dy-parity; the interiors must agree
    a = out[REACH:-REACH, REACH:-REACH]
    b = ref[dy + REACH:dy + REACH + a.shape[0], dx + REACH:dx + REACH + a.shape[1]]
    if not np.array_equal(a, b):
        failures += 1
        print('phase %s: interior differs from RG at %d pixels' % (phase, int((a != b).any(2).sum())))

# mirrored border: pad the mosaic by mirroring (no repeat) and compare the original area
for phase, rc, rr in (('RG', 0, 0), ('GR', 1, 0), ('GB', 0, 1), ('BG', 1, 1)):
    for h, w in ((13, 17), (24, 9)):
        m = mosaic(scene[:h, :w], rc, rr)
        pad = 2 * REACH
        big = np.pad(m, pad, mode='reflect')
        prc, prr = (rc + pad) % 2, (rr + pad) % 2
        big_phase = {(0, 0): 'RG', (1, 0): 'GR', (0, 1): 'GB', (1, 1): 'BG'}[(prc, prr)]
        a = run(m, phase)
        b = run(big, big_phase)[pad:pad + h, pad:pad + w]
        if not np.array_equal(a, b):
            failures += 1
            print('phase %s %dx%d: border differs from the padded run at %d pixels'
                  % (phase, w, h, int((a != b).any(2).sum())))

m8 = mosaic(scene, 0, 0)
o8 = run(m8)
o16 = run(m8 * 256, 'RG', 16)
# Rounding green to 8 bits can flip a later direction choice, so a few samples may differ by more.
far = float(np.mean(np.abs(o16 / 256.0 - o8) > 1))
if far > 0.02:  # a wrong scale or rounding would differ nearly everywhere
    failures += 1
    print('16-bit result differs from 8-bit by more than one step at %.2f%% of samples' % (100 * far))
# the plane-by-plane form against the per-pixel rule, every phase, 8 and 16 bits, odd sizes and
# frames taller than one band
checks = 12
for phase, rc, rr in (('RG', 0, 0), ('GR', 1, 0), ('GB', 0, 1), ('BG', 1, 1)):
    for bits, scale in ((8, 1), (16, 257)):
        tall = np.tile(scene, (3, 1, 1))[:111, :37]
        m = mosaic(tall, rc, rr) * scale
        checks += 1
        if not np.array_equal(run(m, phase, bits, 'plain'), run(m, phase, bits, 'planes')):
            failures += 1
            print('phase %s, %d bits: the plane form differs from the plain rule' % (phase, bits))
print('%d passed, %d failed' % (checks - failures, failures))
sys.exit(1 if failures else 0)
