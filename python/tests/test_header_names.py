"""The package's pixel formats, output types, methods and status names are
those of the C headers, read here from the source tree; and tavraw lists the
same formats with the same codes."""

import os
import pathlib
import re
import subprocess

import tav
from tav import _errors, _formats

INCLUDE = pathlib.Path(__file__).resolve().parents[2] / "include"


def header_defines(prefix):
    text = (INCLUDE / "tav_types.h").read_text() + (INCLUDE / "tav_demosaic.h").read_text()
    return {name: int(value, 0) for name, value in
            re.findall(r"^#define (%s\w*) +\(?(-?(?:0x[0-9A-Fa-f]+|\d+))\)?" % prefix, text, re.M)}


def test_pixel_codes_are_the_headers():
    pixel = header_defines("TAV_PIXEL_")
    used = set()
    for kind in tav.PIXEL_FORMATS + tav.OUTPUT_TYPES:
        macro = "TAV_PIXEL_" + re.sub(r"(?<=\d)Packed$", "_Packed", re.sub(r"^Bayer", "Bayer_", kind.name)).upper()
        assert pixel[macro] == kind.code, kind.name
        used.add(macro)
    assert used == set(pixel), "header codes without a Python name: %s" % (set(pixel) - used)


def test_status_names_and_methods_are_the_headers():
    status = header_defines("TAV_E_")
    assert _errors.STATUS_NAMES == {code: name for name, code in status.items()}
    methods = header_defines("TAV_METHOD_")
    assert _formats.METHODS == {name[len("TAV_METHOD_"):].lower(): code for name, code in methods.items()}


def test_the_tool_lists_the_same_formats():
    program = os.environ.get("TAVRAW")
    if not program or not os.path.exists(program):
        return
    listing = subprocess.run([program, "info"], check=True, stdout=subprocess.PIPE, text=True).stdout
    rows = dict(re.findall(r"^  (\w+) +(0x[0-9A-F]{8}) ", listing, re.M))
    assert rows == {f.name: "0x%08X" % f.code for f in tav.PIXEL_FORMATS + tav.OUTPUT_TYPES}
