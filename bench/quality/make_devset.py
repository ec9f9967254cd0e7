#!/usr/bin/python3
"""Build the demosaicing development set: six photographs from Debian's mate-backgrounds package, box-filtered
down 3-4x (so JPEG blocks and the camera's own demosaicing traces vanish) and cropped to 384x256, plus a
synthetic colour chart. Deterministic: the same package version gives the same bytes.

The photographs are GPL-2+ artwork of mate-backgrounds; they are generated here at run time, not checked in.

usage: /usr/bin/python3 make_devset.py [OUT_DIR]      (default: build/quality-devset)
needs: apt-get install mate-backgrounds python3-pil python3-numpy
"""
import os
import sys

import numpy as np
from PIL import Image

SRC = '/usr/share/backgrounds/mate/nature/'
W, H = 384, 256

# name: (file, downscale factor, crop left, crop top) -- the crop offsets are in downscaled pixels and pick
# a region with fine detail and saturated colour edges.
PHOTOS = {
    'dune': ('Dune.jpg', 3, 100, 60),
    'garden': ('Garden.jpg', 4, 180, 40),
    'meadow': ('GreenMeadow.jpg', 3, 20, 40),
    'ladybird': ('LadyBird.jpg', 4, 256, 100),
    'raindrops': ('RainDrops.jpg', 3, 120, 110),
    'twowings': ('TwoWings.jpg', 4, 160, 60),
}

# sRGB values of a 24-patch colour-checker layout (6 x 4), 8-bit.
CHART = [
    (115, 82, 68), (194, 150, 130), (98, 122, 157), (87, 108, 67), (133, 128, 177), (103, 189, 170),
    (214, 126, 44), (80, 91, 166), (193, 90, 99), (94, 60, 108), (157, 188, 64), (224, 163, 46),
    (56, 61, 150), (70, 148, 73), (175, 54, 60), (231, 199, 31), (187, 86, 149), (8, 133, 161),
    (243, 243, 242), (200, 200, 200), (160, 160, 160), (122, 122, 121), (85, 85, 85), (52, 52, 52),
]


def box_down(rgb, f):
    """Mean of each f x f block, rounded half up; the partial last row/column of blocks is dropped."""
    h, w = (rgb.shape[0] // f) * f, (rgb.shape[1] // f) * f
    a = rgb[:h, :w].astype(np.int64).reshape(h // f, f, w // f, f, 3).sum(axis=(1, 3))
    n = f * f
    return ((a + n // 2) // n).astype(np.uint8)


def photo(file, f, left, top):
    with Image.open(SRC + file) as im:
        rgb = np.asarray(im.convert('RGB'))
    small = box_down(rgb, f)
    if small.shape[0] < top + H or small.shape[1] < left + W:
        raise SystemExit('%s: crop %dx%d at (%d,%d) does not fit %s' % (file, W, H, left, top, small.shape))
    return small[top:top + H, left:left + W]


def colour_chart():
    """Patches drawn 4x larger with a 12-pixel grey gap, then box-filtered down 4x: the patch edges fall at
    every phase of the mosaic and are anti-aliased like a photographed chart."""
    s = 4
    big = np.full((H * s, W * s, 3), 96, np.uint8)
    pw, ph, gap = W * s // 6, H * s // 4, 12 * s
    for i, c in enumerate(CHART):
        x0, y0 = (i % 6) * pw + gap // 2 + 3, (i // 6) * ph + gap // 2 + 5
        big[y0:y0 + ph - gap, x0:x0 + pw - gap] = c
    return box_down(big, s)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else 'build/quality-devset'
    os.makedirs(out, exist_ok=True)
    images = {name: photo(*args) for name, args in PHOTOS.items()}
    images['chart'] = colour_chart()
    for name, rgb in images.items():
        Image.fromarray(rgb).save(os.path.join(out, name + '.png'), optimize=False)
    print('%d images (%dx%d) in %s: %s' % (len(images), W, H, out, ' '.join(images)))


if __name__ == '__main__':
    main()
