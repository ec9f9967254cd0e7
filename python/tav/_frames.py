"""Turns the `frame` argument of demosaic into a buffer and row stride for
the library, copying only where the library could not read the caller's
memory as it is or would write into it."""

import numpy as np

from . import _arguments, _formats
from ._arguments import INT32_MAX


def _size(name, value):
    return _arguments.integer(name, value, 0, INT32_MAX)


def _from_bytes_like(frame, fmt, width, height):
    """A 2-D uint8 (or little-endian uint16) array over a bytes-like frame."""
    try:
        view = memoryview(frame)
    except TypeError:
        raise TypeError("frame: expected a 2-D NumPy array or a bytes-like object, got %s"
                        % type(frame).__name__) from None
    if width is None or height is None:
        raise ValueError("width, height: both are required for a bytes-like frame")
    width, height = _size("width", width), _size("height", height)
    if not view.c_contiguous:
        raise ValueError("frame: a bytes-like frame must be contiguous")
    row = _formats.row_bytes(fmt, width)
    if view.nbytes != row * height:
        raise ValueError("frame: %d bytes, expected %d for %dx%d %s (%d bytes per row)"
                         % (view.nbytes, row * height, width, height, fmt.name, row))
    data = np.frombuffer(view.cast("B"), dtype=np.uint8).reshape(height, row)
    return data.view("<u2") if fmt.storage == _formats.WORDS16 else data


def _checked_dtype(array, fmt):
    if fmt.storage == _formats.WORDS16:
        if array.dtype.kind != "u" or array.dtype.itemsize != 2:
            raise TypeError("frame: %s needs a uint16 array, got %s" % (fmt.name, array.dtype))
        # The library reads little-endian words.
        return array if array.dtype.str == "<u2" else array.astype("<u2")
    if array.dtype != np.uint8:
        what = "rows of bytes" if fmt.storage == _formats.PACKED else "one byte per sample"
        raise TypeError("frame: %s needs a uint8 array (%s), got %s" % (fmt.name, what, array.dtype))
    return array


def library_frame(frame, fmt, width, height, compacts=True):
    """Returns (array, height, width, line_bytes) for tavDemosaicing.
    `compacts`: the conversion compacts padded 8-bit rows in place (without a
    picture pipeline), so such frames are copied first."""
    if isinstance(frame, np.ndarray) and frame.ndim != 2:
        # Only a 1-D array of bytes is read as back-to-back rows.
        if frame.ndim != 1:
            raise ValueError("frame: expected a 2-D array, got %d dimensions (shape %s)"
                             % (frame.ndim, frame.shape))
        if frame.dtype != np.uint8:
            raise TypeError("frame: a 1-D array is read as raw bytes and must be uint8, got %s; "
                            "give samples as a 2-D array" % frame.dtype)
    if isinstance(frame, np.ndarray) and frame.ndim == 2:
        array = frame
        if height is not None and _size("height", height) != array.shape[0]:
            raise ValueError("height: %d, but the frame has %d rows" % (height, array.shape[0]))
    else:
        array = _from_bytes_like(frame, fmt, width, height)
    array = _checked_dtype(array, fmt)
    height = _size("height", array.shape[0])

    if fmt.storage == _formats.PACKED:
        if width is None:
            raise ValueError("width: required for %s, whose rows are bytes (3 per 2 pixels)" % fmt.name)
        width = _size("width", width)
        columns = _formats.row_bytes(fmt, width)
        if columns > array.shape[1]:
            raise ValueError("width: %d pixels of %s need %d bytes per row, the frame has %d"
                             % (width, fmt.name, columns, array.shape[1]))
    else:
        width = array.shape[1] if width is None else _size("width", width)
        if width > array.shape[1]:
            raise ValueError("width: %d, but the frame has %d samples per row" % (width, array.shape[1]))
        columns = width
    row = _formats.row_bytes(fmt, width)
    if row > INT32_MAX:
        raise ValueError("width: rows of %d bytes do not fit the library's 32-bit row length" % row)

    stride, step = array.strides
    usable = (step == array.itemsize and row <= stride <= INT32_MAX
              and (fmt.storage != _formats.WORDS16 or stride % 2 == 0))
    # 8-bit rows with padding would be compacted in place by the library.
    if not usable or (compacts and fmt.storage == _formats.BYTES8 and stride != row):
        array = np.ascontiguousarray(array[:, :columns])
        stride = row
    return array, height, width, stride
