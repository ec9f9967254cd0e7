"""Output arrays of the 8-bit conversion: their shape, the library's size
limit, and the checks of an `out=` array supplied by the caller."""

import numpy as np

from ._arguments import INT32_MAX


def shape(kind, height, width):
    """H x W x 3 or 4, 3 x H x W for planar types, H x W for Mono8."""
    if kind.planar:
        return (3, height, width)
    if kind.channels == 1:
        return (height, width)
    return (height, width, kind.channels)


def require_fits(count, unit):
    """Refuses, before allocating it, an output the library would refuse for
    its size: more than INT32_MAX bytes (8-bit output) or samples (16-bit)."""
    if count > INT32_MAX:
        raise ValueError("frame: the output would hold %d %s, more than the library's limit of %d"
                         % (count, unit, INT32_MAX))


def checked_out(out, expected_shape, inputs):
    """`out` itself when the library can write the image into it: a
    writeable, C-contiguous uint8 array of the image's shape that shares no
    memory with any of `inputs` (the frame as given and as handed over)."""
    if not isinstance(out, np.ndarray):
        raise TypeError("out: expected a NumPy array, got %s" % type(out).__name__)
    if out.dtype != np.uint8:
        raise TypeError("out: expected a uint8 array, got %s" % out.dtype)
    if out.shape != tuple(expected_shape):
        raise ValueError("out: shape %s, the image needs %s" % (out.shape, tuple(expected_shape)))
    if not out.flags.c_contiguous:
        raise ValueError("out: the array must be C-contiguous (rows back to back)")
    if not out.flags.writeable:
        raise ValueError("out: the array is read-only")
    for source in inputs:
        if source is not None and np.may_share_memory(out, source):
            raise ValueError("out: the array overlaps the frame's memory; the frame would be overwritten "
                             "while it is read")
    return out
