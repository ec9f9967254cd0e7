"""Checks of plain Python arguments: errors name the argument."""

import operator

INT32_MAX = 2**31 - 1


def integer(name, value, low, high):
    """An int (or integer-like, not bool) within low..high."""
    if isinstance(value, bool):
        raise TypeError("%s: expected an integer, got bool" % name)
    try:
        value = operator.index(value)
    except TypeError:
        raise TypeError("%s: expected an integer, got %s" % (name, type(value).__name__)) from None
    if not low <= value <= high:
        raise ValueError("%s: %d is outside %d..%d" % (name, value, low, high))
    return value


def choice(name, value, names, spaces=None):
    """A case-insensitive name from the dict `names`, surrounding blanks
    ignored; returns its value. `spaces` replaces blanks inside the name.
    Errors quote the value as given."""
    if not isinstance(value, str):
        raise TypeError("%s: expected one of %s, got %s" % (name, ", ".join(names), type(value).__name__))
    key = value.strip().lower()
    if spaces is not None:
        key = key.replace(" ", spaces)
    for candidate, result in names.items():
        if candidate.lower() == key:
            return result
    raise ValueError("%s: unknown value %r (expected one of %s)" % (name, value, ", ".join(names)))
