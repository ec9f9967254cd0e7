"""Library statuses raise TavError with the status, its name and the
diagnostic line, which never reaches standard output; wrong Python arguments
raise ValueError or TypeError naming the argument."""

import ctypes
import os
import pickle

import numpy as np
import pytest

import tav

F8 = np.zeros((8, 8), dtype=np.uint8)
F16 = np.zeros((8, 8), dtype=np.uint16)
GREY = np.full((32, 32), 900, dtype=np.float32)
DARK = np.full((32, 32), 20, dtype=np.float32)


def table(size=32):
    return tav.shading_table(GREY[:size, :size], DARK[:size, :size], bits=10)


LIBRARY_FAILURES = [
    # (call, status, name, line)
    (lambda: tav.demosaic(F8[:3], "BayerRG8"), -104, "TAV_E_SIZE", 96),
    (lambda: tav.demosaic(b"", "BayerRG8", width=0, height=0), -104, "TAV_E_SIZE", 96),
    (lambda: tav.demosaic(F8[:5, :5], "BayerRG8", method="edge"), -104, "TAV_E_SIZE", 5661),
    (lambda: tav.demosaic(F8, "BayerRG8", method=7), -107, "TAV_E_UNSUPPORTED", None),
    (lambda: tav.demosaic(F8, "BayerRG8", method=4), -107, "TAV_E_UNSUPPORTED", None),
    (lambda: tav.demosaic16(F16[:3], "RG"), -104, "TAV_E_SIZE", 197),
    (lambda: tav.demosaic16(F16[:, :3], "GR"), -104, "TAV_E_SIZE", 197),
    (lambda: tav.demosaic16(F16[:3], "BG", planar=True), -104, "TAV_E_SIZE", 218),
    (lambda: tav.demosaic16(F16[:5], "GB", method="edge"), -104, "TAV_E_SIZE", None),
    (lambda: tav.shading_table(GREY[:30, :30], DARK[:30, :30], bits=10), -104, "TAV_E_SIZE", 600),
    (lambda: tav.shading_table(np.ones((32, 33), np.float32), np.zeros((32, 33), np.float32), mode="cell",
                               bits=10), -104, "TAV_E_SIZE", 601),
    (lambda: tav.shading_table(GREY, DARK, mode=2, bits=10), -107, "TAV_E_UNSUPPORTED", 599),
    (lambda: tav.correct(np.zeros((32, 34), np.uint16), table(), "Mono10"), -104, "TAV_E_SIZE", 695),
    (lambda: tav.correct(np.zeros((32, 32), np.uint16), table(), "Mono16"), -102, "TAV_E_PIXEL_TYPE", None),
]


@pytest.mark.parametrize("call, status, name, line", LIBRARY_FAILURES)
def test_library_statuses_raise_tav_error(capfd, call, status, name, line):
    with pytest.raises(tav.TavError) as raised:
        call()
    error = raised.value
    assert isinstance(error, RuntimeError)
    assert (error.status, error.name, error.line) == (status, name, line)
    if line is not None:
        assert "error line = [%d]" % line in str(error)
    assert capfd.readouterr().out == ""


def test_tav_error_survives_pickling():
    error = tav.TavError("tavDemosaicing", -104, "error line = [96]")
    copy = pickle.loads(pickle.dumps(error))
    assert (copy.status, copy.name, copy.line, str(copy)) == (-104, "TAV_E_SIZE", 96, str(error))


def test_only_the_bindings_own_calls_are_captured(capfd):
    libc = ctypes.CDLL(None)
    libc.printf(b"from C code\n")
    core = ctypes.CDLL(os.path.join(os.environ["TAV_BUILD_DIR"], "libtavcore.so.1")) \
        if "TAV_BUILD_DIR" in os.environ else None
    if core is not None:
        assert core.tavCreate(None) == -111  # called directly, not through tav
    with pytest.raises(tav.TavError):
        tav.demosaic(F8[:3], "BayerRG8")
    out = capfd.readouterr().out
    assert out.startswith("from C code\n")
    assert "error line = [96]" not in out
    if core is not None:
        assert out.endswith("error line = [13]")


BAD_ARGUMENTS = [
    # (call, exception, text the message starts with)
    (lambda: tav.demosaic(F8, "BayerXY8"), ValueError, "pixel_format"),
    (lambda: tav.demosaic(F8, 0x02180014), ValueError, "pixel_format"),
    (lambda: tav.demosaic(F8, 1.5), TypeError, "pixel_format"),
    (lambda: tav.demosaic(F16, "BayerRG8"), TypeError, "frame"),
    (lambda: tav.demosaic(F8, "BayerRG12"), TypeError, "frame"),
    (lambda: tav.demosaic(object(), "BayerRG8", width=8, height=8), TypeError, "frame"),
    (lambda: tav.demosaic(bytes(63), "BayerRG8", width=8, height=8), ValueError, "frame"),
    (lambda: tav.demosaic(bytes(64), "BayerRG8", width=8), ValueError, "width, height"),
    (lambda: tav.demosaic(F8, "BayerRG8", method="cubic"), ValueError, "method"),
    (lambda: tav.demosaic(F8, "BayerRG8", output="RGB16"), ValueError, "output"),
    (lambda: tav.demosaic(F8, "BayerRG8", output=0x01100005), ValueError, "output"),
    (lambda: tav.demosaic(F8, "BayerRG8", threads="2"), TypeError, "threads"),
    (lambda: tav.demosaic(F8, "BayerRG8", threads=-1), ValueError, "threads"),
    (lambda: tav.demosaic(F8, "BayerRG12Packed"), ValueError, "width"),
    (lambda: tav.demosaic(F8, "BayerRG12Packed", width=6), ValueError, "width"),
    (lambda: tav.demosaic(F8, "BayerRG8", width=9), ValueError, "width"),
    (lambda: tav.demosaic(F8, "BayerRG8", height=4), ValueError, "height"),
    (lambda: tav.demosaic16(F8), TypeError, "frame"),
    (lambda: tav.demosaic16(F16[None]), ValueError, "frame"),
    (lambda: tav.demosaic16(F16, "RB"), ValueError, "order"),
    (lambda: tav.demosaic16(F16, method="nearest"), ValueError, "method"),
    (lambda: tav.demosaic16(F16, method="hq"), ValueError, "method"),
    (lambda: tav.demosaic16(F16, planar="yes"), TypeError, "planar"),
    (lambda: tav.shading_table(GREY.astype(np.float64), DARK, bits=10), TypeError, "grey"),
    (lambda: tav.shading_table(GREY, DARK[:30], bits=10), ValueError, "dark"),
    (lambda: tav.shading_table(GREY, DARK, bits=9), ValueError, "bits"),
    (lambda: tav.shading_table(GREY, DARK, mode="tile", bits=10), ValueError, "mode"),
    (lambda: tav.correct(F16, bytes(table()), "Mono10"), TypeError, "table"),
    (lambda: tav.correct(F16, table(), "Mono8"), TypeError, "frame"),
    (lambda: tav.correct(F16[0], table(), "Mono10"), ValueError, "frame"),
    (lambda: tav.correct(F16, table(), "Mono10", out=F16[:4]), ValueError, "out"),
    (lambda: tav.correct(F16, table(), "Mono10", out=F8), TypeError, "out"),
    (lambda: tav.correct(F16, table(), "Mono10", out=np.broadcast_to(F16, (8, 8))), ValueError, "out"),
    (lambda: tav.average([]), ValueError, "frames"),
    (lambda: tav.average(5), TypeError, "frames"),
    (lambda: tav.average([F8, F8[:4]]), ValueError, "frames"),
    (lambda: tav.average([F8, F8.astype(np.float32)]), TypeError, "frames"),
    (lambda: tav.average(np.zeros((1, 1), np.uint16) for _ in range(65538)), ValueError, "frames"),
    (lambda: tav.ShadingTable.from_bytes(b"abcde"), ValueError, "data"),
    (lambda: tav.ShadingTable([2, 32, 32]), ValueError, "words"),
    (lambda: tav.ShadingTable([1, 32, 32, 0]), ValueError, "words"),
    (lambda: tav.ShadingTable.from_bytes(bytes(table())[:-4]), ValueError, "words"),
]


@pytest.mark.parametrize("call, exception, argument", BAD_ARGUMENTS)
def test_wrong_arguments_name_the_argument(call, exception, argument):
    with pytest.raises(exception) as raised:
        call()
    assert str(raised.value).startswith(argument)


def test_bits_is_required():
    with pytest.raises(TypeError, match="bits"):
        tav.shading_table(GREY, DARK)
