"""TavError: a failure status of the library, with its diagnostic."""

import re

from . import _header

# Failure statuses by code, from the C header (generated at build time).
STATUS_NAMES = {code: name for name, code in _header.STATUS.items() if code != 0}

_ERROR_LINE = re.compile(r"error line = \[(-?\d+)\]")


class TavError(RuntimeError):
    """A library function returned a failure status.

    Attributes: ``status`` (the negative code), ``name`` (e.g. ``"TAV_E_SIZE"``),
    ``line`` (the number of the ``error line = [N]`` diagnostic, or None when
    none was printed), ``function`` (the library function) and ``diagnostics``
    (everything the call printed).
    """

    def __init__(self, function, status, diagnostics="", hint=""):
        self.function = function
        self.hint = hint
        self.status = status
        self.name = STATUS_NAMES.get(status, "unknown status")
        self.diagnostics = diagnostics
        # When a failure prints two lines (a helper's, then the entry's), the
        # last one is the entry's own check.
        lines = _ERROR_LINE.findall(diagnostics)
        self.line = int(lines[-1]) if lines else None
        message = "%s: status %d %s" % (function, status, self.name)
        text = " ".join(diagnostics.split())
        super().__init__(message + (", " + text if text else "") + ("; " + hint if hint else ""))

    def __reduce__(self):
        return (TavError, (self.function, self.status, self.diagnostics, self.hint))


def check(function, result, hint=""):
    """Raises TavError for the (status, diagnostics) of a failed call; `hint`
    (a limit the refusal may be about) ends its message."""
    status, diagnostics = result
    if status != 0:
        raise TavError(function, status, diagnostics, hint)
