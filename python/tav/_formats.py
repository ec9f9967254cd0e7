"""Input pixel formats (PFNC names and codes), output types and methods. The
codes are the C header's, by macro name (generated at build time): a name
without its macro fails at import."""

import re
from collections import namedtuple

from . import _arguments, _header

BYTES8 = "8-bit"      # one byte per sample
WORDS16 = "16-bit"    # one little-endian 16-bit word per sample
PACKED = "packed"     # GigE Vision packed: two samples in three bytes

PixelFormat = namedtuple("PixelFormat", "name code bits storage")
OutputType = namedtuple("OutputType", "name code channels planar")


def header_code(name):
    """The header's code of a PFNC name: BayerRG12Packed is
    TAV_PIXEL_BAYER_RG12_PACKED, RGB8_Planar TAV_PIXEL_RGB8_PLANAR."""
    macro = re.sub(r"(?<=\d)Packed$", "_Packed", re.sub(r"^Bayer", "Bayer_", name))
    return _header.PIXEL["TAV_PIXEL_" + macro.upper()]


def _format(name, bits, storage):
    return PixelFormat(name, header_code(name), bits, storage)


def _bayer(depth, storage, suffix=""):
    return [_format("Bayer%s%d%s" % (order, depth, suffix), depth, storage) for order in ("GR", "RG", "GB", "BG")]


PIXEL_FORMATS = [
    _format("Mono8", 8, BYTES8),
    _format("Mono10", 10, WORDS16),
    _format("Mono12", 12, WORDS16),
    _format("Mono14", 14, WORDS16),
    _format("Mono16", 16, WORDS16),
    _format("Mono10Packed", 10, PACKED),
    _format("Mono12Packed", 12, PACKED),
    *_bayer(8, BYTES8),
    *_bayer(10, WORDS16),
    *_bayer(12, WORDS16),
    *_bayer(16, WORDS16),
    *_bayer(10, PACKED, "Packed"),
    *_bayer(12, PACKED, "Packed"),
]

OUTPUT_TYPES = [OutputType(name, header_code(name), channels, planar) for name, channels, planar in (
    ("RGB8", 3, False), ("BGR8", 3, False), ("RGBA8", 4, False), ("BGRA8", 4, False),
    ("RGB8_Planar", 3, True), ("BGR8_Planar", 3, True), ("Mono8", 1, False))]

METHODS = {name: _header.METHOD["TAV_METHOD_" + name.upper()] for name in ("nearest", "bilinear", "edge", "hq")}

_FORMATS_BY_NAME = {f.name: f for f in PIXEL_FORMATS}
_FORMATS_BY_CODE = {f.code: f for f in PIXEL_FORMATS}


def pixel_format(value, argument="pixel_format"):
    """A PFNC name (any case) or numeric code of the input table."""
    if isinstance(value, str):
        return _arguments.choice(argument, value, _FORMATS_BY_NAME)
    code = _arguments.integer(argument, value, -(2**31), 2**32 - 1) & 0xFFFFFFFF
    if code not in _FORMATS_BY_CODE:
        raise ValueError("%s: 0x%08X is not an input pixel format" % (argument, code))
    return _FORMATS_BY_CODE[code]


def output_type(value):
    """An output type name (any case; "BGR8 planar" is BGR8_Planar) or code."""
    if isinstance(value, str):
        names = {t.name: t for t in OUTPUT_TYPES}
        return _arguments.choice("output", value, names, spaces="_")
    code = _arguments.integer("output", value, -(2**63), 2**63 - 1)
    for t in OUTPUT_TYPES:
        if t.code == code:
            return t
    raise ValueError("output: 0x%X is not an output type" % code)


def method(value):
    """"nearest", "bilinear", "edge", "hq", or the library's method number as is."""
    if isinstance(value, str):
        return _arguments.choice("method", value, METHODS)
    return _arguments.integer("method", value, -(2**31), 2**31 - 1)


def row_bytes(fmt, width):
    """Bytes of one row of `width` pixels in the format's storage."""
    if fmt.storage == BYTES8:
        return width
    if fmt.storage == WORDS16:
        return 2 * width
    return 3 * ((width + 1) // 2)
