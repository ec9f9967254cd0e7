"""The picture pipeline's settings (black level, white balance, colour matrix,
curve, shading table), checked in Python so that a refusal names the
argument and its limits before the library sees it, and FrameStats, the
statistics the library gathers on the way."""

import math
import numbers
import operator
from collections import namedtuple

import numpy as np

from . import _arguments, _header
from ._shading import ShadingTable

CURVES = {name: _header.CURVE["TAV_CURVE_" + name.upper()] for name in ("linear", "srgb", "gamma")}
GAIN_LIMIT = 64.0
MATRIX_LIMIT = 16.0
GAMMA_RANGE = (0.1, 10.0)
FLOAT32_MAX = float(np.finfo(np.float32).max)
IDENTITY = (1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0)
_COLOURS = ("red", "green", "blue")

# Checked settings: black (4 ints, tile order), wb (3 floats), ccm (9 floats,
# row-major), curve (a name of CURVES), gamma (float or None), shading
# (ShadingTable or None).
Settings = namedtuple("Settings", "black wb ccm curve gamma shading")
NEUTRAL = Settings((0, 0, 0, 0), (1.0, 1.0, 1.0), IDENTITY, "linear", None, None)


def _real(name, value, subject=""):
    """A finite real number (not bool, not text), as the float32 the library
    gets when it has one; values beyond float32 stay as they are, for the
    range checks to refuse. Messages read "<name>: <subject> <value> ..."."""
    prefix = "%s: %s" % (name, subject + " " if subject else "")
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, (numbers.Real, np.floating, np.integer)):
        raise TypeError("%sexpected a number, got %s %r" % (prefix, type(value).__name__, value))
    try:
        number = float(value)
    except OverflowError:
        number = math.inf
    if not math.isfinite(number):
        raise ValueError("%s%r is not a finite number" % (prefix, value))
    return float(np.float32(number)) if abs(number) <= FLOAT32_MAX else number


def _sequence(name, value, count, what):
    if isinstance(value, (str, bytes)):
        raise TypeError("%s: expected %s, got %s %r" % (name, what, type(value).__name__, value))
    try:
        items = list(np.asarray(value, dtype=object).reshape(-1)) if isinstance(value, np.ndarray) else list(value)
    except TypeError:
        raise TypeError("%s: expected %s, got %s" % (name, what, type(value).__name__)) from None
    if len(items) != count:
        raise ValueError("%s: expected %s, got %d values" % (name, what, len(items)))
    return items


def black_level(value, fmt):
    """One black level for every site, or four in 2x2 tile order (top-left,
    top-right, bottom-left, bottom-right); each below the format's white
    point. Mono formats have one level (four equal values are accepted)."""
    white = (1 << fmt.bits) - 1
    if isinstance(value, np.ndarray) and value.ndim == 0:
        value = value.item()
    if isinstance(value, (numbers.Number, np.generic)):
        levels = [value]
    else:
        levels = _sequence("black", value, 4, "one integer or four (2x2 tile order)")
    checked = []
    for level in levels:
        if isinstance(level, (bool, np.bool_)) or not isinstance(level, (numbers.Integral, np.integer)):
            raise TypeError("black: expected integers, got %s %r" % (type(level).__name__, level))
        level = operator.index(level)
        if level < 0:
            raise ValueError("black: %d is negative" % level)
        if level >= white:
            raise ValueError("black: %d is at or above the white point %d of %s (at most %d)"
                             % (level, white, fmt.name, white - 1))
        checked.append(level)
    if len(checked) == 1:
        return (checked[0],) * 4
    if fmt.name.startswith("Mono") and len(set(checked)) != 1:
        raise ValueError("black: %s has one black level for every pixel, got %s" % (fmt.name, tuple(checked)))
    return tuple(checked)


def white_balance(value):
    """Three gains R, G, B in (0, 64]."""
    gains = []
    for colour, gain in zip(_COLOURS, _sequence("wb", value, 3, "three gains (R, G, B)")):
        gain = _real("wb", gain, "the %s gain" % colour)
        if not 0.0 < gain <= GAIN_LIMIT:
            raise ValueError("wb: the %s gain %r is outside (0, %g]" % (colour, gain, GAIN_LIMIT))
        gains.append(gain)
    return tuple(gains)


def color_matrix(value):
    """A 3x3 matrix (output RGB = matrix x camera RGB) with entries in
    [-16, 16]; None is the identity."""
    if value is None:
        return IDENTITY
    if isinstance(value, (str, bytes)):
        raise TypeError("ccm: expected a 3x3 matrix, got %s" % type(value).__name__)
    try:
        array = np.asarray(value)
    except (TypeError, ValueError) as error:
        raise ValueError("ccm: expected a 3x3 matrix (%s)" % error) from None
    if array.shape != (3, 3):
        raise ValueError("ccm: expected a 3x3 matrix, got shape %s" % (array.shape,))
    if array.dtype.kind not in "iuf":
        raise TypeError("ccm: expected numbers, got %s" % array.dtype)
    entries = []
    for index, entry in enumerate(array.reshape(-1).tolist()):
        where = "the entry at row %d, column %d" % (index // 3, index % 3)
        entry = _real("ccm", entry, where)
        if not -MATRIX_LIMIT <= entry <= MATRIX_LIMIT:
            raise ValueError("ccm: %s, %r, is outside [-%g, %g]" % (where, entry, MATRIX_LIMIT, MATRIX_LIMIT))
        entries.append(entry)
    return tuple(entries)


def curve_name(value):
    return _arguments.choice("curve", value, {name: name for name in CURVES})


def gamma_value(value):
    """None (no gamma given) or a number in [0.1, 10]."""
    if value is None:
        return None
    gamma = _real("gamma", value)
    if not GAMMA_RANGE[0] <= gamma <= GAMMA_RANGE[1]:
        raise ValueError("gamma: %r is outside [%g, %g]" % (gamma, GAMMA_RANGE[0], GAMMA_RANGE[1]))
    return gamma


def shading_table(value, height, width):
    """None or a ShadingTable made for frames of exactly this size."""
    if value is None:
        return None
    if not isinstance(value, ShadingTable):
        raise TypeError("shading: expected a tav.ShadingTable, got %s" % type(value).__name__)
    if (value.height, value.width) != (height, width):
        raise ValueError("shading: the table is for %dx%d frames, these are %dx%d"
                         % (value.width, value.height, width, height))
    return value


def require_gamma(curve, gamma):
    if curve == "gamma" and gamma is None:
        raise ValueError("gamma: curve 'gamma' needs gamma= (from %g to %g)" % GAMMA_RANGE)


def settings(fmt, height, width, *, black, wb, ccm, curve, gamma, shading):
    """Checked Settings from user values; None takes the neutral value, and a
    gamma given without a curve chooses the gamma curve."""
    gamma = gamma_value(gamma)
    if curve is None:
        curve = "gamma" if gamma is not None else "linear"
    checked = Settings(black=NEUTRAL.black if black is None else black_level(black, fmt),
                       wb=NEUTRAL.wb if wb is None else white_balance(wb),
                       ccm=color_matrix(ccm), curve=curve_name(curve), gamma=gamma,
                       shading=shading_table(shading, height, width))
    require_gamma(checked.curve, checked.gamma)
    return checked


def library_arguments(checked):
    """The arguments of _tav.DemosaicStream.set_pipeline."""
    table = None if checked.shading is None else checked.shading.words
    gamma = 1.0 if checked.gamma is None else checked.gamma
    return (list(checked.black), list(checked.wb), list(checked.ccm), CURVES[checked.curve], gamma, table)


def _frozen(array):
    array = np.array(array, dtype=np.uint32)
    array.flags.writeable = False
    return array


class FrameStats:
    """Statistics of one frame, gathered in the pass that converts it.

    sum: (R, G, B) sums of the samples after shading and black level, before
    the gains, over the 2x2 tiles with no sample at the white point (Mono
    frames: by tile position, top-left, the top-right and bottom-left pair,
    bottom-right); G holds both greens. tiles: tiles summed; saturated: tiles
    left out. histogram: read-only uint32[64], output pixels by 8-bit luma >> 2.
    """

    __slots__ = ("_sum", "_tiles", "_saturated", "_histogram")

    def __init__(self, sums, tiles, saturated, histogram):
        self._sum = tuple(int(s) for s in sums)
        self._tiles = int(tiles)
        self._saturated = int(saturated)
        histogram = _frozen(histogram)
        if histogram.shape != (64,):
            raise ValueError("histogram: expected 64 bins, got shape %s" % (histogram.shape,))
        self._histogram = histogram

    @property
    def sum(self):
        return self._sum

    @property
    def tiles(self):
        return self._tiles

    @property
    def saturated(self):
        return self._saturated

    @property
    def histogram(self):
        return self._histogram

    def grey_world(self):
        """White-balance gains (G/R, 1.0, G/B) that make the frame's average
        grey, from the sums (G counts both greens: G/R = sum[1] / (2 sum[0])).

        A gain with no finite value (no red or no blue light summed, or no
        green, in a dark or fully saturated frame) is 1.0: that channel is
        left as it is. Gains are capped at 64, the largest the pipeline takes,
        so the result can always be given to wb=."""
        red, green, blue = self._sum
        gains = []
        for other in (red, blue):
            if other == 0 or green == 0:
                gains.append(1.0)
            else:
                gains.append(min(green / (2.0 * other), GAIN_LIMIT))
        return (gains[0], 1.0, gains[1])

    def __eq__(self, other):
        if not isinstance(other, FrameStats):
            return NotImplemented
        return (self._sum, self._tiles, self._saturated) == (other._sum, other._tiles, other._saturated) and \
            np.array_equal(self._histogram, other._histogram)

    __hash__ = None

    def __repr__(self):
        return "<tav.FrameStats sum=%s tiles=%d saturated=%d>" % (self._sum, self._tiles, self._saturated)

    def __reduce__(self):
        return (FrameStats, (self._sum, self._tiles, self._saturated, np.array(self._histogram)))
