#!/usr/bin/python3
"""Demosaicing quality run: mosaics every image of the development set as RGGB and prints, per method, the mean
CPSNR over the photographs (peak 255, 8-pixel border excluded), the CPSNR of each image (the colour chart too)
and the time per megapixel; then the same means and times in the issue's compact form, and whether the
library's hq method gave the prototype's bytes on every image.

usage: /usr/bin/python3 bench/quality/quality.py [--images DIR] [--proto BIN] [--only a,b] [--no-anchors]
  DIR    PNGs of the development set (default build/quality-devset; made by make_devset.py when missing)
  BIN    the prototype's driver (default build/quality/hq_demosaic; bench/quality/build.sh makes it)
Environment: TAV_PY (default build/python) for the tav module; QA_ANCHORS (default ../shared/quality-anchors)
for the converters' runners; QA_WORK for their scratch files (default /tmp/tav-quality).

Times: ours and the prototype are timed in memory on the mosaic tiled 4x4 (1536x1024), best of 5, one
thread. LibRaw and RawTherapee are timed as whole processes (start-up, DNG decode and TIFF write included) on
the 384x256 image, so their figures are upper bounds of the demosaicing alone.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

ap = argparse.ArgumentParser()
ap.add_argument('--images', default=os.path.join(ROOT, 'build/quality-devset'))
ap.add_argument('--proto', default=os.path.join(ROOT, 'build/quality/hq_demosaic'))
ap.add_argument('--only', default='', help='comma-separated method labels (substring match)')
ap.add_argument('--no-anchors', action='store_true')
args = ap.parse_args()

if not os.path.isdir(args.images) or not any(f.endswith('.png') for f in os.listdir(args.images)):
    subprocess.run([sys.executable, os.path.join(HERE, 'make_devset.py'), args.images], check=True)

os.environ['QA_IMAGES'] = args.images
os.environ.setdefault('TAV_PY', os.path.join(ROOT, 'build/python'))
os.environ.setdefault('QA_WORK', '/tmp/tav-quality')
sys.path.insert(0, os.environ['TAV_PY'])
sys.path.insert(0, os.environ.get('QA_ANCHORS', os.path.join(ROOT, '..', 'shared', 'quality-anchors')))

import numpy as np  # noqa: E402
import tav  # noqa: E402

try:
    import common as C  # noqa: E402  (load_truth, mosaic_rggb, cpsnr, write_dng)
    import anchors as A  # noqa: E402
except Exception as e:  # the shared runners need tifffile and cv2
    A = None
    print('anchors unavailable (%s): converters skipped' % e)
    import types
    from PIL import Image

    def _load_truth(name):
        with Image.open(os.path.join(args.images, name + '.png')) as im:
            return np.asarray(im.convert('RGB'))

    def _mosaic_rggb(rgb):
        m = np.empty(rgb.shape[:2], rgb.dtype)
        m[0::2, 0::2], m[0::2, 1::2] = rgb[0::2, 0::2, 0], rgb[0::2, 1::2, 1]
        m[1::2, 0::2], m[1::2, 1::2] = rgb[1::2, 0::2, 1], rgb[1::2, 1::2, 2]
        return m

    def _cpsnr(out, truth, border=8):
        e = (np.asarray(out, np.float64) - truth)[border:-border, border:-border, :3]
        return 10 * np.log10(255.0 ** 2 / np.mean(e * e))

    C = types.SimpleNamespace(
        NAMES=sorted(f[:-4] for f in os.listdir(args.images) if f.endswith('.png')),
        load_truth=_load_truth, mosaic_rggb=_mosaic_rggb, cpsnr=_cpsnr)

WORK = os.environ['QA_WORK']
TILES = 4
REPS = 5


def tiled(m):
    return np.ascontiguousarray(np.tile(m, (TILES, TILES)))


def time_per_mp(run, m):
    big = tiled(m)
    best = 1e9
    for _ in range(REPS):
        t = time.perf_counter()
        run(big)
        best = min(best, time.perf_counter() - t)
    return best * 1e3 / (big.size / 1e6)


def run_tav(method):
    def go(m):
        return tav.demosaic(m, 'BayerRG8', method=method, output='RGB8', threads=1)

    def run(m):
        return go(m).astype(np.float64), time_per_mp(go, m)
    return run


def run_proto(m):
    h, w = m.shape
    src, dst = os.path.join(WORK, 'proto_in.raw'), os.path.join(WORK, 'proto_out.raw')
    m.tofile(src)
    subprocess.run([args.proto, str(w), str(h), src, dst], check=True)
    out = np.fromfile(dst, np.uint8).reshape(h, w, 3).astype(np.float64)
    big = tiled(m)
    big.tofile(src)
    r = subprocess.run([args.proto, '--repeat', str(REPS), str(w * TILES), str(h * TILES), src, dst],
                       check=True, capture_output=True, text=True)
    return out, float(r.stdout.split()[-1])


def anchor_runner(kind, arg):
    def run(m):
        name = run.current
        dng = os.path.join(WORK, name + '.dng')
        out, seconds = A.run_method(kind, arg, m, dng, name)
        return out, seconds * 1e3 / (m.size / 1e6)
    return run


methods = [('ours, bilinear', run_tav('bilinear')), ('ours, edge', run_tav('edge')), ('ours, hq', run_tav('hq'))]
if os.access(args.proto, os.X_OK):
    methods.append(('prototype hq', run_proto))
else:
    print('prototype driver %s not built: skipped (bench/quality/build.sh)' % args.proto)
if A is not None and not args.no_anchors:
    if shutil.which('dcraw_emu'):
        for n, q in [('VNG', 1), ('PPG', 2), ('AHD', 3), ('DCB', 4), ('DHT', 11), ('AAHD', 12)]:
            methods.append(('LibRaw ' + n, anchor_runner('libraw', q)))
    else:
        print('dcraw_emu not found (apt-get install libraw-bin): LibRaw skipped')
    if shutil.which('rawtherapee-cli'):
        for n in ['rcd', 'lmmse', 'dcb', 'amaze']:
            methods.append(('RawTherapee ' + n.upper(), anchor_runner('rt', n)))
    else:
        print('rawtherapee-cli not found (apt-get install rawtherapee): RawTherapee skipped')
if args.only:
    keys = [k.strip().lower() for k in args.only.split(',')]
    methods = [(label, r) for label, r in methods if any(k in label.lower() for k in keys)]

os.makedirs(WORK, exist_ok=True)
names = C.NAMES
photos = [n for n in names if n != 'chart']
truths = {n: C.load_truth(n) for n in names}
mosaics = {n: np.ascontiguousarray(C.mosaic_rggb(truths[n])) for n in names}
if A is not None:
    for n in names:
        C.write_dng(os.path.join(WORK, n + '.dng'), mosaics[n])

rows = []
outputs = {}  # label -> image name -> result, for the library-against-prototype check
for label, run in methods:
    scores, times = {}, []
    for n in names:
        run.current = n
        try:
            out, ms = run(mosaics[n])
        except (subprocess.CalledProcessError, OSError, RuntimeError) as e:
            print('%s on %s failed: %s' % (label, n, e))
            break
        scores[n] = C.cpsnr(out, truths[n])
        times.append(ms)
        outputs.setdefault(label, {})[n] = out
    else:
        rows.append((label, np.mean([scores[n] for n in photos]), scores, float(np.median(times))))
        print('%-18s %.2f dB' % (label, rows[-1][1]), file=sys.stderr)

print('| method | mean dB (photographs) | ' + ' | '.join(names) + ' | ms per MP |')
print('|---' * (len(names) + 3) + '|')
for label, mean, scores, ms in rows:
    print('| %s | **%.2f** | %s | %.3g |' % (label, mean, ' | '.join('%.2f' % scores[n] for n in names), ms))

# The same in the form: mean over the photographs and time per megapixel, the converters grouped as
# there (their times are whole processes, so they are given in brackets).
GROUPS = [['ours, bilinear'], ['ours, edge'], ['ours, hq'], ['prototype hq'],
          ['LibRaw VNG', 'LibRaw PPG', 'LibRaw AHD'], ['LibRaw DCB', 'LibRaw DHT', 'LibRaw AAHD'],
          ['RawTherapee RCD', 'RawTherapee LMMSE', 'RawTherapee DCB', 'RawTherapee AMAZE']]
measured = {label: (mean, ms) for label, mean, _, ms in rows}
print('\n| method | mean dB | time per megapixel, one core |')
print('|---|---|---|')
for group in GROUPS:
    present = [label for label in group if label in measured]
    if not present:
        continue
    converter = not present[0].startswith(('ours', 'prototype'))
    prefix = present[0].split(' ')[0] + ' ' if converter else ''
    shown = ' / '.join(label[len(prefix):] for label in present)
    means = ' / '.join('%.1f' % measured[label][0] for label in present)
    times = ' / '.join(('%.3g' if measured[label][1] < 100 else '%.0f') % measured[label][1] for label in present)
    print('| %s%s | %s | %s |' % (prefix, shown, means, '(%s ms)' % times if converter else times + ' ms'))

# The library's hq method implements the prototype's rule: the two must give the same bytes.
if 'ours, hq' in outputs and 'prototype hq' in outputs:
    ours, proto = outputs['ours, hq'], outputs['prototype hq']
    differing = {n: int(np.count_nonzero(ours[n] != proto[n])) for n in names if n in ours and n in proto}
    if any(differing.values()):
        print('\nours, hq differs from the prototype: %s samples' %
              ', '.join('%s %d' % (n, k) for n, k in differing.items() if k))
    else:
        print('\nours, hq gives the same bytes as the prototype on all %d images' % len(differing))
