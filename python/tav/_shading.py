"""Lens shading (flat-field) correction: tables from averaged grey and dark
exposures, their bytes form, and their application to raw frames."""

import numpy as np

from . import _arguments, _formats, _tav
from ._arguments import INT32_MAX
from ._errors import check

_MODES = {"cell": 0, "pixel": 1}
_MODE_NAMES = {0: "cell", 1: "pixel"}
_HEADER_WORDS = 3
_DEPTHS = (8, 10, 12)
# Table files: "TAVSHADE", format version 1, sample depth, then the words;
# every field little-endian (the layout tavraw calibrate writes).
_MAGIC = b"TAVSHADE"
_FILE_VERSION = 1
_FILE_HEADER_BYTES = 16


def _parameter_words(mode, height, width):
    if mode == 1:
        return height * width
    if mode == 0:
        return (height // 2) * (width // 2)
    return 0  # a mode the library refuses before writing anything


def _depth(bits):
    if bits is None:
        return None
    bits = _arguments.integer("bits", bits, 0, 2**32 - 1)
    if bits not in _DEPTHS:
        raise ValueError("bits: %d is not a depth that tables correct (8, 10 or 12)" % bits)
    return bits


def _frozen_words(values):
    """A read-only uint32 array over an immutable bytes object: NumPy cannot
    make it writeable again, since the array does not own that memory."""
    return np.frombuffer(values.astype("=u4").tobytes(), dtype=np.uint32)


class ShadingTable:
    """A parameter table: the words mode, height, width, then one gain and
    offset word per pixel ("pixel") or per 2x2 cell ("cell"), and the sample
    depth `bits` of the frames it was made for (8, 10, 12, or None when not
    known).

    bytes(table) is a table file as tavraw calibrate writes it (a 16-byte
    TAVSHADE header with the depth, then the words little-endian), and
    ShadingTable.from_bytes reads one. Word arrays without the header (the
    library's table alone) are read by from_bytes(data, headerless=True) or
    ShadingTable(words, bits=...). The table is immutable.
    """

    __slots__ = ("_words", "_bits")

    def __init__(self, words, bits=None):
        values = np.asarray(words).reshape(-1)
        if values.dtype.kind not in "ui":
            raise TypeError("words: expected 32-bit unsigned words, got %s" % values.dtype)
        if values.size and (values.min() < 0 or values.max() > 0xFFFFFFFF):
            raise ValueError("words: values outside 0..0xFFFFFFFF")
        if values.size < _HEADER_WORDS:
            raise ValueError("words: %d words, a table has at least %d" % (values.size, _HEADER_WORDS))
        mode, height, width = (int(w) for w in values[:_HEADER_WORDS])
        if mode not in _MODE_NAMES:
            raise ValueError("words: mode %d is neither 0 (cell) nor 1 (pixel)" % mode)
        if not (0 < height <= INT32_MAX and 0 < width <= INT32_MAX):
            raise ValueError("words: the header's size %dx%d is not a frame size" % (width, height))
        if mode == 0 and (height % 2 or width % 2):
            raise ValueError("words: a cell table needs an even width and height, the header says %dx%d"
                             % (width, height))
        expected = _HEADER_WORDS + _parameter_words(mode, height, width)
        if values.size != expected:
            raise ValueError("words: %d words, a %s table for %dx%d has %d"
                             % (values.size, _MODE_NAMES[mode], width, height, expected))
        self._bits = _depth(bits)
        self._words = _frozen_words(values)

    @classmethod
    def from_bytes(cls, data, *, headerless=False, bits=None):
        """A table from a table file's bytes (the TAVSHADE header, then
        32-bit little-endian words). headerless=True reads the words alone,
        as files without the header hold them; `bits` then names the depth
        (None: unknown)."""
        try:
            view = memoryview(data)
        except TypeError:
            raise TypeError("data: expected a bytes-like object, got %s" % type(data).__name__) from None
        raw = view.tobytes()
        if not headerless:
            if bits is not None:
                raise ValueError("bits: a table file names its own depth (bits= is for headerless=True)")
            if raw[:len(_MAGIC)] != _MAGIC:
                raise ValueError("data: not a shading table file (no TAVSHADE header); the table words alone "
                                 "are read with from_bytes(data, headerless=True)")
            if len(raw) < _FILE_HEADER_BYTES:
                raise ValueError("data: the 16-byte file header is cut short (%d bytes)" % len(raw))
            version, bits = np.frombuffer(raw[8:16], dtype="<u4").tolist()
            if version != _FILE_VERSION:
                raise ValueError("data: shading table file version %d is not supported (version %d is)"
                                 % (version, _FILE_VERSION))
            if bits not in _DEPTHS:
                raise ValueError("data: sample depth %d in the header (expected 8, 10 or 12)" % bits)
            raw = raw[_FILE_HEADER_BYTES:]
        if len(raw) % 4:
            raise ValueError("data: %d bytes of table words is not a whole number of 32-bit words" % len(raw))
        return cls(np.frombuffer(raw, dtype="<u4"), bits=bits)

    def __bytes__(self):
        if self._bits is None:
            raise ValueError("bits: the table's sample depth is unknown, and a table file records it "
                             "(make it with ShadingTable(words, bits=...)); table.words.tobytes() gives "
                             "the headerless words")
        header = _MAGIC + np.array([_FILE_VERSION, self._bits], dtype="<u4").tobytes()
        return header + self._words.astype("<u4").tobytes()

    def __reduce__(self):
        return (ShadingTable, (np.array(self._words), self._bits))

    def __eq__(self, other):
        if not isinstance(other, ShadingTable):
            return NotImplemented
        return self._bits == other._bits and np.array_equal(self._words, other._words)

    __hash__ = None

    def __repr__(self):
        depth = "" if self._bits is None else ", %d-bit" % self._bits
        return "<tav.ShadingTable %s %dx%d%s>" % (self.mode, self.width, self.height, depth)

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
    def bits(self):
        """Sample depth of the frames the table was made for, or None."""
        return self._bits

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


def _bayer_order(order):
    if order is None:
        return None
    return _arguments.choice("order", order, {"RG": "RG", "GR": "GR", "GB": "GB", "BG": "BG", "RGGB": "RG",
                                               "GRBG": "GR", "GBRG": "GB", "BGGR": "BG"})


def shading_table(grey, dark, *, mode="pixel", bits, order=None):
    """A ShadingTable from averaged grey and dark exposures (float32 H x W,
    on the scale of `bits`, the depth of the frames to correct: 8, 10 or 12).
    mode "pixel": one word per pixel; "cell": one word per 2x2 cell.
    order: the Bayer order of the frames ("RG", "GR", "GB", "BG"), or None
    for Mono frames, for the per-channel brightness check.

    Raises TavError when the library refuses (for instance sizes below 32 or
    odd), and ValueError, with tavraw calibrate's explanation, for averages
    that are NaN, infinite, negative or above the depth, grey frames not
    brighter than the dark ones in some channel, and tables in which some
    pixel or cell would get gain 0."""
    grey = _float_frame("grey", grey)
    dark = _float_frame("dark", dark)
    if grey.shape != dark.shape:
        raise ValueError("dark: shape %s differs from grey's %s" % (dark.shape, grey.shape))
    mode_number = (_arguments.choice("mode", mode, _MODES) if isinstance(mode, str)
                   else _arguments.integer("mode", mode, 0, 2**32 - 1))
    bits = _arguments.integer("bits", bits, 0, 2**32 - 1)
    if bits not in _DEPTHS:
        raise ValueError("bits: %d is not a depth that tables correct (8, 10 or 12)" % bits)
    bayer = _bayer_order(order)
    height, width = grey.shape
    words = np.empty(_HEADER_WORDS + _parameter_words(mode_number, height, width), dtype=np.uint32)
    # The library's own refusals (sizes, mode) come first, with their lines;
    # then the checks tavraw calibrate makes, from the same source.
    check("tavGetLSCParameter", _tav.shading_table(grey, dark, height, width, mode_number, bits, words))
    for problem in (_tav.averages_problem(grey, "grey", bits), _tav.averages_problem(dark, "dark", bits),
                    _tav.brighter_grey_problem(grey, dark, bayer), _tav.zero_gain_problem(words)):
        if problem:
            raise ValueError(problem)
    return ShadingTable(words, bits=bits)


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
