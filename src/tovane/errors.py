"""Exceptions raised by the package."""

from __future__ import annotations

from collections.abc import Iterable


class DeZidOzezuzavuvArazo(Exception):
    """A component parameter was given a value it does not accept."""

    def __init__(self, file_path: str | None = None, param_name: str | None = None, param_value: object = None,
                 expected_types: Iterable[object] | None = None, error_type: str | None = None,
                 message: str | None = None) -> None:
        self.file_path = file_path
        self.param_name = param_name
        self.param_value = param_value
        self.expected_types = list(expected_types or [])
        self.error_type = error_type
        self.message = message
        super().__init__(file_path, param_name, param_value, self.expected_types, error_type, message)

    def __str__(self) -> str:
        if self.error_type == "UNKNOWN_PARAMETER":  # the message names the parameter
            return f"[{self.error_type}] {self.file_path}: {self.message}"
        try:
            shown = repr(self.param_value)
        except Exception:
            shown = f"<{type(self.param_value).__name__} object>"
        if len(shown) > 200:
            shown = shown[:197] + "..."
        expected = ", ".join(_type_name(t) for t in self.expected_types) or "?"
        text = (f"{self.file_path}: invalid value {shown} for parameter '{self.param_name}'"
                f" (expected {expected})")
        if self.message:
            text += f": {self.message}"
        return f"[{self.error_type}] {text}" if self.error_type else text


def _type_name(t: object) -> str:
    if t is type(None) or t is None:
        return "None"
    name = getattr(t, "__name__", None) or getattr(t, "_name", None)
    return name if isinstance(name, str) else repr(t)
