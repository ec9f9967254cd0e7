"""Input pixel formats (PFNC names and codes), output types and methods."""

from collections import namedtuple

from . import _arguments

BYTES8 = "8-bit"      # one byte per sample
WORDS16 = "16-bit"    # one little-endian 16-bit word per sample
PACKED = "packed"     # GigE Vision packed: two samples in three bytes

PixelFormat = namedtuple("PixelFormat", "name code bits storage")
OutputType = namedtuple("OutputType", "name code channels planar")


def _bayer(depth, storage, first_code, suffix=""):
    return [PixelFormat("Bayer%s%d%s" % (order, depth, suffix), first_code + i, depth, storage)
            for i, order in enumerate(("GR", "RG", "GB", "BG"))]


PIXEL_FORMATS = [
    PixelFormat("Mono8", 0x01080001, 8, BYTES8),
    PixelFormat("Mono10", 0x01100003, 10, WORDS16),
    PixelFormat("Mono12", 0x01100005, 12, WORDS16),
    PixelFormat("Mono14", 0x01100025, 14, WORDS16),
    PixelFormat("Mono16", 0x01100007, 16, WORDS16),
    PixelFormat("Mono10Packed", 0x010C0004, 10, PACKED),
    PixelFormat("Mono12Packed", 0x010C0006, 12, PACKED),
    *_bayer(8, BYTES8, 0x01080008),
    *_bayer(10, WORDS16, 0x0110000C),
    *_bayer(12, WORDS16, 0x01100010),
    *_bayer(16, WORDS16, 0x0110002E),
    *_bayer(10, PACKED, 0x010C0026, "Packed"),
    *_bayer(12, PACKED, 0x010C002A, "Packed"),
]

OUTPUT_TYPES = [
    OutputType("RGB8", 0x02180014, 3, False),
    OutputType("BGR8", 0x02180015, 3, False),
    OutputType("RGBA8", 0x02200016, 4, False),
    OutputType("BGRA8", 0x02200017, 4, False),
    OutputType("RGB8_Planar", 0x02180021, 3, True),
    OutputType("BGR8_Planar", 0x02180025, 3, True),
    OutputType("Mono8", 0x01080001, 1, False),
]

METHODS = {"nearest": 0, "bilinear": 1, "edge": 2}

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
    """"nearest", "bilinear", "edge", or the library's method number as is."""
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
