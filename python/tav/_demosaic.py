"""demosaic (8-bit output through the demosaic entry) and demosaic16 (the
16-bit bilinear and edge-directed paths)."""

import numpy as np

from . import _arguments, _formats, _frames, _outputs, _tav
from ._demosaicer import Demosaicer
from ._errors import check

_ORDERS = {"RG": 0, "GR": 1, "GB": 2, "BG": 3, "RGGB": 0, "GRBG": 1, "GBRG": 2, "BGGR": 3}
_METHODS16 = {"bilinear": "bilinear", "edge": "edge"}


def demosaic(frame, pixel_format, *, width=None, height=None, method="bilinear", output="RGB8",
             threads=1, black=None, wb=None, ccm=None, curve=None, gamma=None, shading=None, stats=False):
    """Demosaics one raw frame into a new C-contiguous uint8 array.

    frame: a 2-D uint8 array (8-bit formats; packed formats as rows of bytes,
    with `width` giving the pixel count) or uint16 array (10- to 16-bit
    formats). Rows may be a view of a wider array. Any other bytes-like
    object is read as back-to-back rows and needs `width` and `height`.
    The frame is never modified.

    Returns H x W x 3 (RGB8, BGR8), H x W x 4 (RGBA8, BGRA8), 3 x H x W
    (RGB8_Planar, BGR8_Planar, planes in the type's order) or H x W (Mono8).
    `threads` is the context's thread setting (1: the calling thread only,
    0: one per online processor). Raises TavError when the library refuses.

    Picture pipeline: black (one int, or four in 2x2 tile order), wb (gains
    R, G, B), ccm (3x3), curve ("linear", "srgb", "gamma") and gamma,
    shading (a ShadingTable); see tav.Demosaicer. When any of them is given,
    or stats=True, the frame goes through the pipeline (the ones not given
    are neutral); otherwise it is the plain conversion. stats=True returns
    (image, FrameStats).
    """
    fmt = _formats.pixel_format(pixel_format)
    kind = _formats.output_type(output)
    method_number = _formats.method(method)
    threads = _arguments.integer("threads", threads, 0, 2**31 - 1)
    if not isinstance(stats, (bool, np.bool_)):
        raise TypeError("stats: expected a bool, got %s" % type(stats).__name__)
    pipeline = bool(stats) or any(v is not None for v in (black, wb, ccm, curve, gamma, shading))
    array, rows, columns, line_bytes = _frames.library_frame(frame, fmt, width, height, compacts=not pipeline)
    _outputs.require_fits(rows * columns * kind.channels, "bytes")
    out = np.empty(_outputs.shape(kind, rows, columns), dtype=np.uint8)
    if not pipeline:
        check("tavDemosaicing", _tav.demosaic(array, rows, columns, line_bytes, fmt.code, method_number,
                                              kind.code, threads, out))
        return out
    with Demosaicer(fmt.name, columns, rows, method=method_number, output=kind.name, threads=threads,
                    black=black, wb=wb, ccm=ccm, curve=curve, gamma=gamma, shading=shading) as stream:
        image = stream._convert(array, rows, columns, line_bytes, out)
        return (image, stream.stats) if stats else image


# Smallest frames of the 16-bit paths: (height, width) by order index RG, GR, GB, BG.
_SMALLEST16 = {"bilinear": [(4, 4)] * 4, "edge": [(6, 5), (6, 5), (7, 5), (7, 5)]}


def _frame16(frame):
    if not isinstance(frame, np.ndarray):
        raise TypeError("frame: expected a 2-D uint16 NumPy array, got %s" % type(frame).__name__)
    if frame.dtype.kind != "u" or frame.dtype.itemsize != 2:
        raise TypeError("frame: expected a uint16 array, got %s" % frame.dtype)
    if frame.ndim != 2:
        raise ValueError("frame: expected a 2-D array, got %d dimensions" % frame.ndim)
    for name, size in zip(("height", "width"), frame.shape):
        _arguments.integer(name, size, 0, _arguments.INT32_MAX)
    # The 16-bit paths read native words, rows back to back.
    return np.require(frame, np.uint16, ["C_CONTIGUOUS", "ALIGNED"])


def _bilinear16(source, order, planar):
    """Every order is read straight from the frame: the result is what the
    RG path gives on the frame with a mirrored row above and/or column in
    front, cropped back, without that copy."""
    height, width = source.shape
    out = np.empty((3, height, width) if planar else (height, width, 3), dtype=np.uint16)
    entry = "tavDemosaicingBilinearU16P" if planar else "tavDemosaicingBilinearU16"
    if order != 0:
        entry += "Order"
    check(entry, _tav.bilinear16(source, height, width, order, planar, out), _limit16("bilinear", order))
    # B, G, R from the library; R, G, B as a view.
    if planar:
        return out[::-1]
    return out[:, :, ::-1]


def _limit16(kind, order):
    height, width = _SMALLEST16[kind][order]
    order_name = ("RG", "GR", "GB", "BG")[order]
    return "%s frames in %s order must be at least %d wide and %d high" % (kind, order_name, width, height)


def _edge16(source, order, planar):
    height, width = source.shape
    out = np.empty((height, width, 3), dtype=np.uint16)
    name = ("demosaicingEdgeRGGBU16", "demosaicingEdgeGRBGU16", "demosaicingEdgeGBRGU16",
            "demosaicingEdgeBGGRU16")[order]
    check(name, _tav.edge16(source, height, width, order, out), _limit16("edge", order))
    return np.moveaxis(out, 2, 0)[::-1] if planar else out[:, :, ::-1]


def demosaic16(frame, order="RG", method="bilinear", planar=False):
    """Demosaics a uint16 H x W Bayer frame through the 16-bit paths.

    order: "RG", "GR", "GB" or "BG" (or "RGGB" etc.); method: "bilinear" or
    "edge". Returns uint16 H x W x 3 in R, G, B order, or 3 x H x W planes
    R, G, B with planar=True: views of the library's B, G, R output. Samples
    are used as they stand (no scaling).
    """
    source = _frame16(frame)
    order_index = _arguments.choice("order", order, _ORDERS)
    kind = _arguments.choice("method", method, _METHODS16)
    if not isinstance(planar, (bool, np.bool_)):
        raise TypeError("planar: expected a bool, got %s" % type(planar).__name__)
    _outputs.require_fits(3 * source.size, "16-bit samples")
    if kind == "bilinear":
        return _bilinear16(source, order_index, bool(planar))
    return _edge16(source, order_index, bool(planar))
