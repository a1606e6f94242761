"""The data grid (DataGrid, with its model and frozen column) and the
natural-order proxy model (HumanProxyModel).

The names are loaded when first asked for, so importing one of the
package's modules does not load the others."""

from __future__ import annotations

import importlib

TYPE_CHECKING = False
if TYPE_CHECKING:
    from typing import Any

    from ._velmora import HumanProxyModel as HumanProxyModel
    from .frozen_column import FrozenColumn as FrozenColumn
    from .marquel import DataGrid as DataGrid
    from .marquel_model import DataGridModel as DataGridModel

_HOMES = {"DataGrid": "marquel", "DataGridModel": "marquel_model", "FrozenColumn": "frozen_column",
          "HumanProxyModel": "_velmora"}

__all__ = list(_HOMES)


def __getattr__(name: str) -> Any:
    if name in _HOMES:
        return getattr(importlib.import_module(f".{_HOMES[name]}", __name__), name)
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
