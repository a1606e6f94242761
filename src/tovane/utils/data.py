"""Helpers for plain data structures."""

from __future__ import annotations

from collections.abc import Mapping
from typing import Any


def deep_merge(base: Mapping[Any, Any] | None, override: Mapping[Any, Any] | None) -> dict[Any, Any]:
    """Return a new dict: ``base`` with ``override`` merged in, ``override`` winning.

    Nested mappings present on both sides are merged recursively; every other
    value of ``override`` replaces the one of ``base``. Neither input is
    modified and the result shares no mapping with them (leaf values are shared).
    ``None`` counts as an empty mapping.
    """
    for name, arg in (("base", base), ("override", override)):
        if arg is not None and not isinstance(arg, Mapping):
            raise TypeError(f"deep_merge() {name} must be a mapping, got {type(arg).__name__}")
    result: dict[Any, Any] = {k: _copy(v) for k, v in (base or {}).items()}
    for key, value in (override or {}).items():
        held = result.get(key)
        if isinstance(value, Mapping) and isinstance(held, Mapping):
            result[key] = deep_merge(held, value)
        else:
            result[key] = _copy(value)
    return result


def _copy(value: object) -> object:
    return deep_merge(value, None) if isinstance(value, Mapping) else value
