"""tovane: Material-design widgets for Qt 6 (PySide6).

The reactive building blocks are here, the widgets in ``tovane.material``::

    from tovane import State, useEffect
    from tovane.material import Switch, useTheme

The top-level package stays import-light: a name is imported from its module
(which loads Qt) when it is first asked for.
"""

from __future__ import annotations

from tovane._lazy import exports as _exports

TYPE_CHECKING = False  # typing is not imported for this: the package stays light
if TYPE_CHECKING:
    from tovane.errors import DeZidOzezuzavuvArazo
    from tovane.hooks import State, useEffect

__version__ = "0.1.0"

__all__ = ["State", "useEffect", "DeZidOzezuzavuvArazo"]

# Each public name and the module it lives in.
_HOMES = {"State": "tovane.hooks", "useEffect": "tovane.hooks", "DeZidOzezuzavuvArazo": "tovane.errors"}


__getattr__, __dir__ = _exports(__name__, globals(), _HOMES, __all__)
