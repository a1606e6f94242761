"""The switch: ``Switch`` (a painted on/off control) on the native parameter
serializer ``_serializer.Serializer``."""

from __future__ import annotations

TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Any

    from .switch import Switch

__all__ = ["Switch"]


def __getattr__(name: str) -> Any:
    # Loaded on first use, so that importing the serializer alone does not
    # load the widget.
    if name == "Switch":
        from .switch import Switch

        return Switch
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
