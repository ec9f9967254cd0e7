"""The high-quality method (method 3) written out again from the rule in
tav_demosaic.h, plane by plane in NumPy, for 8-bit mosaics: the reference
the binding's results are compared with. Every plane is computed for the
frame's own rows and columns and read with mirrored indices (-1 reads 1,
n reads n - 2)."""

import numpy as np

# Colour of each site of the 2x2 tile, by Bayer order: 0 red, 1 green, 2 blue.
TILES = {"RG": ((0, 1), (1, 2)), "GR": ((1, 0), (2, 1)), "GB": ((1, 2), (0, 1)), "BG": ((2, 1), (1, 0))}


def _read(plane, dy, dx, reach=3):
    """plane shifted so that [y, x] holds plane[y + dy, x + dx], mirrored at the edges."""
    padded = np.pad(plane, reach, mode="reflect")
    h, w = plane.shape
    return padded[reach + dy:reach + dy + h, reach + dx:reach + dx + w]


def _clamp(v, top):
    return np.clip(v, 0, top)


def hq_rgb(mosaic, order, top=255):
    """R, G, B planes (H x W x 3, int64) of the rule for an 8-bit mosaic in the given Bayer order."""
    p = mosaic.astype(np.int64)
    h, w = p.shape
    tile = np.array(TILES[order])
    colour = tile[np.arange(h)[:, None] % 2, np.arange(w)[None, :] % 2]
    green_site = colour == 1

    def difference(dy, dx):
        # 16 x (G - C) along one axis: cubic estimate of the other colour plus a
        # quarter of the second difference.
        at = lambda k: _read(p, k * dy, k * dx)  # noqa: E731
        e = 9 * (at(-1) + at(1)) - at(-3) - at(3) + 2 * p - at(-2) - at(2)
        return np.where(green_site, 16 * p - e, e - 16 * p)

    d_h, d_v = difference(0, 1), difference(1, 0)
    g_h = np.abs(_read(d_h, 0, -1) - _read(d_h, 0, 1))
    g_v = np.abs(_read(d_v, -1, 0) - _read(d_v, 1, 0))
    sum_h = sum(_read(g_h, dy, dx) for dy in range(-2, 3) for dx in range(-2, 3))
    sum_v = sum(_read(g_v, dy, dx) for dy in range(-2, 3) for dx in range(-2, 3))
    s_h = _read(d_h, 0, -1) + 2 * d_h + _read(d_h, 0, 1)
    s_v = _read(d_v, -1, 0) + 2 * d_v + _read(d_v, 1, 0)
    s = np.where(9 * sum_h < 8 * sum_v, 2 * s_h, np.where(9 * sum_v < 8 * sum_h, 2 * s_v, s_h + s_v))
    g = np.where(green_site, p, _clamp(p + ((s + 64) >> 7), top))

    out = np.empty((h, w, 3), np.int64)
    out[..., 1] = g
    for c in (0, 2):
        # D = P - G at the sites of colour c; elsewhere never read.
        d = np.where(colour == c, p - g, 0)
        at = lambda dy, dx: _read(d, dy, dx)  # noqa: E731
        # a. green sites: along the axis that holds colour c.
        row = 9 * (at(0, -1) + at(0, 1)) - at(0, -3) - at(0, 3)
        column = 9 * (at(-1, 0) + at(1, 0)) - at(-3, 0) - at(3, 0)
        beside = _read(colour, 0, 1) == c
        on_green = _clamp(g + ((np.where(beside, row, column) + 8) >> 4), top)
        # b. sites of the other colour: along the better diagonal, or the 12-tap mean.
        gg = lambda dy, dx: _read(g, dy, dx)  # noqa: E731
        g1 = np.abs(gg(-1, -1) - gg(1, 1)) + np.abs(at(-1, -1) - at(1, 1)) + np.abs(2 * g - gg(-2, -2) - gg(2, 2))
        g2 = np.abs(gg(-1, 1) - gg(1, -1)) + np.abs(at(-1, 1) - at(1, -1)) + np.abs(2 * g - gg(-2, 2) - gg(2, -2))
        s4 = at(-1, -1) + at(-1, 1) + at(1, -1) + at(1, 1)
        s8 = sum(at(dy, dx) for dy, dx in ((-3, -1), (-3, 1), (3, -1), (3, 1), (-1, -3), (1, -3), (-1, 3), (1, 3)))
        c_main = 4 * (9 * (at(-1, -1) + at(1, 1)) - at(-3, -3) - at(3, 3))
        c_anti = 4 * (9 * (at(-1, 1) + at(1, -1)) - at(-3, 3) - at(3, -3))
        cross = np.where(2 * g1 < g2, c_main, np.where(2 * g2 < g1, c_anti, 22 * s4 - 3 * s8))
        on_other = _clamp(g + ((cross + 32) >> 6), top)
        out[..., c] = np.where(colour == c, p, np.where(green_site, on_green, on_other))
    return out


def hq_output(mosaic, order, output):
    """The rule's result in one of the seven output layouts, as uint8."""
    rgb = hq_rgb(mosaic, order)
    if output == "Mono8":
        return ((77 * rgb[..., 0] + 150 * rgb[..., 1] + 29 * rgb[..., 2] + 128) >> 8).astype(np.uint8)
    bgr = output.startswith("BGR")
    pixels = rgb[..., ::-1] if bgr else rgb
    if output.endswith("_Planar"):
        return np.ascontiguousarray(np.moveaxis(pixels, 2, 0)).astype(np.uint8)
    if output.endswith("A8"):
        pixels = np.concatenate([pixels, np.zeros(pixels.shape[:2] + (1,), np.int64)], axis=2)
    return pixels.astype(np.uint8)
