"""The data grid (DataGrid, with its model and frozen column) and the
natural-order proxy model (HumanProxyModel).

The names are loaded when first asked for, so importing one of the
package's modules does not load the others."""

from __future__ import annotations

from tovane._lazy import exports as _exports

TYPE_CHECKING = False
if TYPE_CHECKING:
    from ._velmora import HumanProxyModel as HumanProxyModel
    from .frozen_column import FrozenColumn as FrozenColumn
    from .marquel import DataGrid as DataGrid
    from .marquel_model import DataGridModel as DataGridModel

_HOMES = {"DataGrid": f"{__name__}.marquel", "DataGridModel": f"{__name__}.marquel_model",
          "FrozenColumn": f"{__name__}.frozen_column", "HumanProxyModel": f"{__name__}._velmora"}

__all__ = list(_HOMES)
__getattr__, __dir__ = _exports(__name__, globals(), _HOMES, __all__)
