"""Lens shading (flat-field) correction: tables from averaged grey and dark
exposures, their bytes form, and their application to raw frames."""

import numpy as np

from . import _arguments, _formats, _tav
from ._arguments import INT32_MAX
from ._errors import check

_MODES = {"cell": 0, "pixel": 1}
_MODE_NAMES = {0: "cell", 1: "pixel"}
_HEADER_WORDS = 3


def _parameter_words(mode, height, width):
    if mode == 1:
        return height * width
    if mode == 0:
        return (height // 2) * (width // 2)
    return 0  # a mode the library refuses before writing anything


class ShadingTable:
    """A parameter table: the words mode, height, width, then one gain and
    offset word per pixel ("pixel") or per 2x2 cell ("cell").

    bytes(table) gives the words little-endian (the layout of table files);
    ShadingTable.from_bytes reads them back. ShadingTable(words) takes the
    32-bit words themselves. The table is immutable.
    """

    __slots__ = ("_words",)

    def __init__(self, words):
        values = np.asarray(words).reshape(-1)
        if values.dtype.kind not in "ui":
            raise TypeError("words: expected 32-bit unsigned words, got %s" % values.dtype)
        if values.size and (values.min() < 0 or values.max() > 0xFFFFFFFF):
            raise ValueError("words: values outside 0..0xFFFFFFFF")
        words = values.astype(np.uint32)  # always a copy of its own
        if words.size < _HEADER_WORDS:
            raise ValueError("words: %d words, a table has at least %d" % (words.size, _HEADER_WORDS))
        mode, height, width = (int(w) for w in words[:_HEADER_WORDS])
        if mode not in _MODE_NAMES:
            raise ValueError("words: mode %d is neither 0 (cell) nor 1 (pixel)" % mode)
        if not (0 < height <= INT32_MAX and 0 < width <= INT32_MAX):
            raise ValueError("words: the header's size %dx%d is not a frame size" % (width, height))
        expected = _HEADER_WORDS + _parameter_words(mode, height, width)
        if words.size != expected:
            raise ValueError("words: %d words, a %s table for %dx%d has %d"
                             % (words.size, _MODE_NAMES[mode], width, height, expected))
        words.flags.writeable = False
        self._words = words

    @classmethod
    def from_bytes(cls, data):
        """A table from its bytes: 32-bit little-endian words."""
        try:
            view = memoryview(data)
        except TypeError:
            raise TypeError("data: expected a bytes-like object, got %s" % type(data).__name__) from None
        if view.nbytes % 4:
            raise ValueError("data: %d bytes is not a whole number of 32-bit words" % view.nbytes)
        return cls(np.frombuffer(view.tobytes(), dtype="<u4"))

    def __bytes__(self):
        return self._words.astype("<u4").tobytes()

    def __reduce__(self):
        return (ShadingTable.from_bytes, (bytes(self),))

    def __eq__(self, other):
        if not isinstance(other, ShadingTable):
            return NotImplemented
        return np.array_equal(self._words, other._words)

    __hash__ = None

    def __repr__(self):
        return "<tav.ShadingTable %s %dx%d>" % (self.mode, self.width, self.height)

    @property
    def mode(self):
        """"pixel" (one word per pixel) or "cell" (one word per 2x2 cell)."""
        return _MODE_NAMES[int(self._words[0])]

    @property
    def height(self):
        return int(self._words[1])

    @property
    def width(self):
        return int(self._words[2])

    @property
    def words(self):
        """All words, header first, as a read-only uint32 array."""
        return self._words


def _float_frame(name, frame):
    if not isinstance(frame, np.ndarray):
        raise TypeError("%s: expected a float32 NumPy array, got %s" % (name, type(frame).__name__))
    if frame.dtype.kind != "f" or frame.dtype.itemsize != 4:
        raise TypeError("%s: expected a float32 array (tav.average gives one), got %s" % (name, frame.dtype))
    if frame.ndim != 2:
        raise ValueError("%s: expected a 2-D array, got %d dimensions" % (name, frame.ndim))
    for size_name, size in zip(("height", "width"), frame.shape):
        _arguments.integer("%s %s" % (name, size_name), size, 0, INT32_MAX)
    return np.require(frame, np.float32, ["C_CONTIGUOUS", "ALIGNED"])


def shading_table(grey, dark, *, mode="pixel", bits):
    """A ShadingTable from averaged grey and dark exposures (float32 H x W,
    on the scale of `bits`, the depth of the frames to correct: 8, 10 or 12).
    mode "pixel": one word per pixel; "cell": one word per 2x2 cell.
    Raises TavError when the library refuses (for instance sizes below 32 or
    odd)."""
    grey = _float_frame("grey", grey)
    dark = _float_frame("dark", dark)
    if grey.shape != dark.shape:
        raise ValueError("dark: shape %s differs from grey's %s" % (dark.shape, grey.shape))
    mode_number = (_arguments.choice("mode", mode, _MODES) if isinstance(mode, str)
                   else _arguments.integer("mode", mode, 0, 2**32 - 1))
    bits = _arguments.integer("bits", bits, 0, 2**32 - 1)
    if bits not in (8, 10, 12):
        raise ValueError("bits: %d is not a depth that tables correct (8, 10 or 12)" % bits)
    height, width = grey.shape
    words = np.empty(_HEADER_WORDS + _parameter_words(mode_number, height, width), dtype=np.uint32)
    check("tavGetLSCParameter", _tav.shading_table(grey, dark, height, width, mode_number, bits, words))
    return ShadingTable(words)


def _sample_dtype(fmt, frame):
    """uint8 for 8-bit formats, uint16 for 10- and 12-bit ones. Formats that
    have no correction are handed on in the frame's own type and refused by
    the library."""
    if fmt.storage == _formats.BYTES8:
        wanted = np.dtype(np.uint8)
    elif fmt.storage == _formats.WORDS16 and fmt.bits in (10, 12):
        wanted = np.dtype(np.uint16)
    elif frame.dtype.kind == "u" and frame.dtype.itemsize in (1, 2):
        wanted = np.dtype("u%d" % frame.dtype.itemsize)
    else:
        raise TypeError("frame: expected a uint8 or uint16 array, got %s" % frame.dtype)
    if frame.dtype.kind != "u" or frame.dtype.itemsize != wanted.itemsize:
        raise TypeError("frame: %s needs a %s array, got %s" % (fmt.name, wanted, frame.dtype))
    return wanted


def _target(out, frame, dtype):
    """Where the library writes: `out` itself when it can, else a new array
    that is copied into `out` afterwards."""
    if not isinstance(out, np.ndarray):
        raise TypeError("out: expected a NumPy array, got %s" % type(out).__name__)
    if out.shape != frame.shape:
        raise ValueError("out: shape %s differs from the frame's %s" % (out.shape, frame.shape))
    if out.dtype.kind != "u" or out.dtype.itemsize != dtype.itemsize:
        raise TypeError("out: expected a %s array like the frame, got %s" % (dtype, out.dtype))
    if not out.flags.writeable:
        raise ValueError("out: the array is read-only")
    if out.dtype == dtype and out.flags.c_contiguous and out.flags.aligned:
        return out
    return np.empty(frame.shape, dtype=dtype)


def correct(frame, table, pixel_format, *, out=None):
    """Applies a ShadingTable to an 8-, 10- or 12-bit raw frame (uint8 for
    8-bit formats, uint16 otherwise; H x W as the table). Returns the
    corrected frame: a new array, or `out` (out=frame corrects in place).
    Raises TavError when the library refuses (another frame size, a format
    without correction)."""
    if not isinstance(table, ShadingTable):
        raise TypeError("table: expected a tav.ShadingTable, got %s" % type(table).__name__)
    fmt = _formats.pixel_format(pixel_format)
    if not isinstance(frame, np.ndarray):
        raise TypeError("frame: expected a 2-D NumPy array, got %s" % type(frame).__name__)
    if frame.ndim != 2:
        raise ValueError("frame: expected a 2-D array, got %d dimensions" % frame.ndim)
    dtype = _sample_dtype(fmt, frame)
    height = _arguments.integer("frame height", frame.shape[0], 0, INT32_MAX)
    width = _arguments.integer("frame width", frame.shape[1], 0, INT32_MAX)

    source = np.require(frame, dtype, ["C_CONTIGUOUS", "ALIGNED"])
    target = np.empty(frame.shape, dtype=dtype) if out is None else _target(out, frame, dtype)
    # The library corrects in place only over the very same samples; any
    # other overlap would read samples already corrected.
    same = source.ctypes.data == target.ctypes.data and source.shape == target.shape
    if not same and np.may_share_memory(source, target):
        source = source.copy()
    check("tavLSCorrection", _tav.correct(source, target, height, width, fmt.code, table.words))
    if out is None:
        return target
    if target is not out:
        out[...] = target
    return out


def average(frames):
    """Averages raw exposures (uint8 or uint16 H x W arrays, as a sequence or
    an N x H x W array) into a float32 H x W frame: the per-pixel sum over the
    frames divided by their count in float, as averageInput does."""
    if isinstance(frames, np.ndarray) and frames.ndim != 3:
        raise ValueError("frames: expected N x H x W or a sequence of H x W arrays, got %d dimensions"
                         % frames.ndim)
    try:
        iterator = iter(frames)
    except TypeError:
        raise TypeError("frames: expected a sequence of arrays, got %s" % type(frames).__name__) from None
    sums = None
    count = 0
    largest_sum = 0
    for frame in iterator:
        if not isinstance(frame, np.ndarray):
            raise TypeError("frames: item %d is %s, not a NumPy array" % (count, type(frame).__name__))
        if frame.dtype.kind != "u" or frame.dtype.itemsize > 2:
            raise TypeError("frames: item %d is %s, expected uint8 or uint16" % (count, frame.dtype))
        if frame.ndim != 2:
            raise ValueError("frames: item %d has %d dimensions, expected 2" % (count, frame.ndim))
        if sums is None:
            sums = np.zeros(frame.shape, dtype=np.uint32)
        elif frame.shape != sums.shape:
            raise ValueError("frames: item %d has shape %s, item 0 %s" % (count, frame.shape, sums.shape))
        largest_sum += np.iinfo(frame.dtype).max
        if largest_sum > 2**32 - 1:
            raise ValueError("frames: more than %d frames could overflow the 32-bit sums" % count)
        np.add(sums, frame, out=sums)
        count += 1
    if count == 0:
        raise ValueError("frames: no frames to average")
    _arguments.integer("frames (pixels per frame)", sums.size, 0, 2**32 - 1)
    out = np.empty(sums.shape, dtype=np.float32)
    check("averageInput", _tav.average(sums, sums.size, out, count))
    return out
