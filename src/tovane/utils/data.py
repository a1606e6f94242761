"""Helpers for plain data structures."""

from collections.abc import Mapping


def deep_merge(base, override):
    """Return a new dict: ``base`` with ``override`` merged in, ``override`` winning.

    Nested mappings present on both sides are merged recursively; every other
    value of ``override`` replaces the one of ``base``. Neither input is
    modified and the result shares no mapping with them (leaf values are shared).
    ``None`` counts as an empty mapping.
    """
    for name, arg in (("base", base), ("override", override)):
        if arg is not None and not isinstance(arg, Mapping):
            raise TypeError(f"deep_merge() {name} must be a mapping, got {type(arg).__name__}")
    result = {k: _copy(v) for k, v in (base or {}).items()}
    for key, value in (override or {}).items():
        if isinstance(value, Mapping) and isinstance(result.get(key), Mapping):
            result[key] = deep_merge(result[key], value)
        else:
            result[key] = _copy(value)
    return result


def _copy(value):
    return deep_merge(value, None) if isinstance(value, Mapping) else value
