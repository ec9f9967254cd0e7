"""Careless and hostile use: tables that cannot be tampered with or read past,
the calibration checks of tavraw calibrate, one table file format with the
tool, diagnostics without process-wide state, and arguments refused with
their limits."""

import os
import subprocess
import sys

import numpy as np
import pytest

import tav

GREY = np.full((32, 32), 900, dtype=np.float32)
DARK = np.full((32, 32), 20, dtype=np.float32)
UNIT = (1 << 17) << 12  # gain 1.0, offset 0


def test_table_words_stay_read_only_and_correct_checks_them():
    table = tav.shading_table(GREY, DARK, bits=10)
    with pytest.raises(ValueError):
        table.words.flags.writeable = True
    with pytest.raises(ValueError):
        table.words[5] = 0
    # Words swapped behind the table's back, header claiming 1024x1024: refused
    # before the library reads a parameter word.
    forged = np.array(table.words)
    forged[1] = forged[2] = 1024
    table._words = forged
    with pytest.raises(ValueError, match="^table: the header describes 1048576 parameter words"):
        tav.correct(np.zeros((1024, 1024), np.uint16), table, "Mono10")


@pytest.mark.parametrize("height, width", [(33, 32), (32, 33), (1, 1)])
def test_cell_tables_of_odd_size_are_refused_everywhere(height, width):
    words = np.array([0, height, width] + [UNIT] * ((height // 2) * (width // 2)), dtype=np.uint32)
    with pytest.raises(ValueError, match="even width and height"):
        tav.ShadingTable(words)
    with pytest.raises(ValueError, match="even width and height"):
        tav.ShadingTable.from_bytes(words.astype("<u4").tobytes(), headerless=True)
    file = b"TAVSHADE" + np.array([1, 8], "<u4").tobytes() + words.astype("<u4").tobytes()
    with pytest.raises(ValueError, match="even width and height"):
        tav.ShadingTable.from_bytes(file)


def run_tool_calibrate(tmp_path, grey, dark, bits=10):
    program = os.environ.get("TAVRAW")
    if not program or not os.path.exists(program):
        pytest.skip("tavraw is not built (it needs libpng)")
    grey.astype("<u2").tofile(tmp_path / "g.raw")
    dark.astype("<u2").tofile(tmp_path / "d.raw")
    height, width = grey.shape
    result = subprocess.run([os.path.abspath(program), "calibrate", "-f", "BayerRG%d" % bits, "-w", str(width),
                             "-H", str(height), "--grey", "g.raw", "--dark", "d.raw", "-o", "t.tbl"],
                            cwd=tmp_path, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    assert result.returncode == 1, result.stderr
    return result.stderr.strip()


def frames(rng):
    grey = rng.integers(600, 800, (32, 32)).astype(np.uint16)
    dark = rng.integers(10, 30, (32, 32)).astype(np.uint16)
    return grey, dark


def test_refused_calibrations_explain_themselves_as_the_tool_does(tmp_path, rng):
    grey, dark = frames(rng)
    swapped_grey = dark.copy()
    swapped_grey[0::2, 0::2] = 500  # red brighter, green and blue swapped
    dead = grey.copy()
    dead[6, 9] = dark[6, 9]
    for g, d, expected in ((dark, grey, "R channel"), (grey, grey, "R channel"),
                           (swapped_grey, dark, "G channel"), (dead, dark, "first at x=9, y=6")):
        with pytest.raises(ValueError) as raised:
            tav.shading_table(tav.average([g]), tav.average([d]), bits=10, order="RG")
        message = str(raised.value)
        assert expected in message
        assert run_tool_calibrate(tmp_path, g, d) == "tavraw calibrate: " + message


@pytest.mark.parametrize("value, words", [(np.nan, "NaN"), (np.inf, "infinite"), (-1.0, "-1.0"),
                                          (1024.0, "above the 10-bit range")])
def test_averages_that_no_frame_can_give_are_refused(rng, value, words):
    grey, dark = frames(rng)
    for name in ("grey", "dark"):
        averages = {"grey": tav.average([grey]), "dark": tav.average([dark])}
        averages[name][3, 4] = value
        with pytest.raises(ValueError, match="^the %s average at x=4, y=3 is" % name) as raised:
            tav.shading_table(averages["grey"], averages["dark"], bits=10)
        assert words in str(raised.value)


def test_accepted_tables_correct_as_before(rng):
    grey = np.full((32, 32), 720, np.float32)
    dark = np.full((32, 32), 20, np.float32)
    table = tav.shading_table(grey, dark, bits=10, order="GB")
    frame = np.full((32, 32), 720, np.uint16)
    assert np.all(np.abs(tav.correct(frame, table, "BayerGB10").astype(int) - 700) <= 1)


def test_one_table_file_format_with_the_tool(tmp_path, rng):
    grey, dark = frames(rng)
    table = tav.shading_table(tav.average([grey]), tav.average([dark]), mode="cell", bits=10, order="RG")
    assert table.bits == 10
    data = bytes(table)
    assert data[:16] == b"TAVSHADE" + np.array([1, 10], "<u4").tobytes()
    assert tav.ShadingTable.from_bytes(data) == table
    program = os.environ.get("TAVRAW")
    if program and os.path.exists(program):
        (tmp_path / "py.tbl").write_bytes(data)
        info = subprocess.run([os.path.abspath(program), "info", "--table", "py.tbl"], cwd=tmp_path, check=True,
                              stdout=subprocess.PIPE, text=True).stdout
        assert "TAVSHADE version 1, for 10-bit frames" in info and "size check:        ok" in info

    # The words alone: refused as a file, read when said so.
    words = table.words.astype("<u4").tobytes()
    with pytest.raises(ValueError, match="headerless=True"):
        tav.ShadingTable.from_bytes(words)
    old = tav.ShadingTable.from_bytes(words, headerless=True)
    assert old.bits is None and np.array_equal(old.words, table.words)
    assert tav.ShadingTable.from_bytes(words, headerless=True, bits=10) == table
    with pytest.raises(ValueError, match="^bits"):
        bytes(old)
    with pytest.raises(ValueError, match="version 2"):
        tav.ShadingTable.from_bytes(b"TAVSHADE" + np.array([2, 10], "<u4").tobytes() + words)
    with pytest.raises(ValueError, match="depth 9"):
        tav.ShadingTable.from_bytes(b"TAVSHADE" + np.array([1, 9], "<u4").tobytes() + words)


IMPORT_KEEPS_STDOUT = r"""
import ctypes, os, sys
import numpy as np
import tav
libc = ctypes.CDLL(None)
stream = ctypes.c_void_p.in_dll(libc, "stdout")
libc.fileno.argtypes = [ctypes.c_void_p]
assert libc.fileno(stream) == 1, libc.fileno(stream)
try:
    tav.demosaic(np.zeros((3, 8), np.uint8), "BayerRG8")
except tav.TavError as error:
    assert error.line == 96
libc.printf(b"from C\n")
libc.fflush(None)
"""


def test_import_leaves_the_c_stdout_alone():
    result = subprocess.run([sys.executable, "-c", IMPORT_KEEPS_STDOUT], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, env=dict(os.environ))
    assert result.returncode == 0, result.stderr
    assert result.stdout == "from C\n"


def test_argument_mistakes_name_the_argument_and_limit():
    frame = np.zeros((8, 8), np.uint8)
    assert tav.demosaic(frame, "BayerRG8", output=" rgb8 ").shape == (8, 8, 3)
    with pytest.raises(ValueError, match=r"^output: unknown value ' rgb9'"):
        tav.demosaic(frame, "BayerRG8", output=" rgb9")
    with pytest.raises(ValueError, match="^threads"):
        tav.demosaic(frame, "BayerRG8", threads=-1)
    with pytest.raises(ValueError, match="^frame: expected a 2-D array, got 3 dimensions"):
        tav.demosaic(frame[:, :, None], "BayerRG8")
    with pytest.raises(TypeError, match="^frame: a 1-D array is read as raw bytes"):
        tav.demosaic(np.zeros(8, np.float64), "BayerRG8", width=8, height=8)
    assert tav.demosaic(np.zeros(64, np.uint8), "BayerRG8", width=8, height=8).shape == (8, 8, 3)


@pytest.mark.parametrize("order, rows, limit", [("RG", 5, "at least 5 wide and 6 high"),
                                                 ("GB", 6, "at least 5 wide and 7 high")])
def test_small_16_bit_frames_are_refused_with_the_limit(order, rows, limit):
    with pytest.raises(tav.TavError, match=limit) as raised:
        tav.demosaic16(np.zeros((rows, 8), np.uint16), order, method="edge")
    assert raised.value.status == -104
    with pytest.raises(tav.TavError, match="at least 4 wide and 4 high"):
        tav.demosaic16(np.zeros((3, 8), np.uint16), order)


def test_outputs_over_the_library_limit_are_refused_before_allocation():
    # A frame that claims 30000 x 30000 pixels over 16 bytes: refused on its
    # size alone, nothing read and no 3.6 GB output allocated.
    frame = np.lib.stride_tricks.as_strided(np.zeros(16, np.uint8), shape=(30000, 30000), strides=(30000, 1))
    with pytest.raises(ValueError, match="^frame: the output would hold 3600000000 bytes"):
        tav.demosaic(frame, "BayerRG8", output="RGBA8")
    wide = np.lib.stride_tricks.as_strided(np.zeros(16, np.uint16), shape=(30000, 30000), strides=(60000, 2))
    with pytest.raises(ValueError, match="^frame: the output would hold"):
        tav.demosaic16(wide)
