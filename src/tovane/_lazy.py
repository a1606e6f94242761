"""A package's public names, each imported from its module when first asked for."""

from __future__ import annotations

TYPE_CHECKING = False  # typing is not imported for this: the packages using it stay light
if TYPE_CHECKING:
    from collections.abc import Callable, Mapping
    from typing import Any


def exports(package: str, namespace: dict[str, Any], homes: Mapping[str, str],
            names: list[str]) -> tuple[Callable[[str], Any], Callable[[], list[str]]]:
    """The module ``__getattr__`` and ``__dir__`` of ``package``, whose globals
    are ``namespace``: a name of ``homes`` is imported from the module it maps
    to when first asked for, and kept in ``namespace`` (found directly from
    then on); ``dir()`` lists ``names`` with what is loaded."""

    def __getattr__(name: str) -> Any:
        if name in homes:
            import importlib

            value = getattr(importlib.import_module(homes[name]), name)
            namespace[name] = value
            return value
        raise AttributeError(f"module {package!r} has no attribute {name!r}")

    def __dir__() -> list[str]:
        return sorted([*namespace, *names])

    return __getattr__, __dir__
