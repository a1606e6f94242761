"""Checking a parameter value against a typing signature."""

from __future__ import annotations

import collections.abc
import types
import typing
from collections.abc import Iterable
from typing import Any, TypeVar

from tovane.errors import DeZidOzezuzavuvArazo, _type_name

NoneType = type(None)
V = TypeVar("V")


def _members(signature: object) -> tuple[Any, ...]:
    """The alternatives of a ``typing.Union`` (or ``X | Y``), else the signature itself."""
    if typing.get_origin(signature) in (typing.Union, types.UnionType):
        return typing.get_args(signature)
    return (signature,)


def _matches(value: object, member: Any) -> bool:
    if member is object or member is typing.Any:
        return True
    if member is None or member is NoneType:
        return value is None
    origin = typing.get_origin(member)  # typing.Dict -> dict, typing.Callable -> abc.Callable
    if origin is collections.abc.Callable or member is collections.abc.Callable:
        return callable(value)
    if origin is not None:
        member = origin
    return isinstance(member, type) and isinstance(value, member)


def _equal(a: object, b: object) -> bool:
    """``==`` that keeps booleans apart from numbers (``True == 1``, ``False == 0``)."""
    if isinstance(a, bool) is not isinstance(b, bool):
        return False
    try:
        return bool(a == b)
    except Exception:
        return False


def _validate_param(file_path: str | None, param_name: str | None, param_value: V, supported_signatures: object,
                    valid_values: Iterable[object] | None = None, skip_values_for: Iterable[type] = ()) -> V:
    """Return ``param_value`` if accepted, else raise ``DeZidOzezuzavuvArazo``.

    It must be an instance of a member of ``supported_signatures`` (classes,
    ``Callable``, ``Dict``/``List``, ``object``, ``NoneType``) and, with
    ``valid_values``, equal one of them (booleans never equal numbers); None
    and instances of ``skip_values_for`` are not checked against the values.
    """
    members = _members(supported_signatures)
    if not any(_matches(param_value, m) for m in members):
        raise DeZidOzezuzavuvArazo(
            file_path=file_path, param_name=param_name, param_value=param_value,
            expected_types=list(members), error_type="INVALID_TYPE",
            message=f"got {type(param_value).__name__}")
    skipped = tuple(skip_values_for)
    if (valid_values is not None and param_value is not None
            and not (skipped and isinstance(param_value, skipped))
            and not any(_equal(param_value, v) for v in valid_values)):
        raise DeZidOzezuzavuvArazo(
            file_path=file_path, param_name=param_name, param_value=param_value,
            expected_types=list(members), error_type="INVALID_VALUE",
            message=f"expected one of the values {list(valid_values)!r}")
    return param_value

