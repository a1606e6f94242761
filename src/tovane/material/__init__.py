"""Material widgets, models and the theme.

Every public name of the package's widget modules is here::

    from tovane.material import Button, DataGrid, Switch, apply_theme, useTheme

Importing this package registers the package's Qt resources (the icons) and
nothing else: a name is imported from its module when it is first asked for,
so an application pays only for the widgets it uses. The modules' own paths
(``tovane.material.selvon.selvon.ListItemButton``) work as well.
"""

from __future__ import annotations

from tovane import resources as _resources  # noqa: F401  (registers the icon resources)
from tovane._lazy import exports as _exports

TYPE_CHECKING = False  # typing is not imported for this: the package stays light
if TYPE_CHECKING:
    from tovane.material.brevant.brevant import PyWidgetBase, WidgetSetter
    from tovane.material.button import Button
    from tovane.material.component import Component, RenderContext
    from tovane.material.drevasse.drevasse import FormHelperText
    from tovane.material.flintor.flintor import ToggleButton
    from tovane.material.iconify import Iconify
    from tovane.material.list_item_checkbox import ListItemCheckbox
    from tovane.material.marquel._velmora import HumanProxyModel
    from tovane.material.marquel.marquel import DataGrid
    from tovane.material.picker_base import PickerBase
    from tovane.material.selvon.selvon import ListItemButton
    from tovane.material.slider.pennard import DemoWidget
    from tovane.material.styles import (Theme, ThemeBinding, apply_theme, contrast_ratio, get_qss_style,
                                        qt_palette, qt_style_sheet, restyle, set_style_property, useTheme)
    from tovane.material.switch.switch import Switch
    from tovane.material.time_picker._cadrell import TimePickerBase
    from tovane.material.tooltip import ToolTipFilter

# Each public name and the module it lives in.
_HOMES = {
    "Button": "tovane.material.button",
    "ToggleButton": "tovane.material.flintor.flintor",
    "Switch": "tovane.material.switch.switch",
    "ListItemButton": "tovane.material.selvon.selvon",
    "ListItemCheckbox": "tovane.material.list_item_checkbox",
    "FormHelperText": "tovane.material.drevasse.drevasse",
    "DataGrid": "tovane.material.marquel.marquel",
    "HumanProxyModel": "tovane.material.marquel._velmora",
    "TimePickerBase": "tovane.material.time_picker._cadrell",
    "PickerBase": "tovane.material.picker_base",
    "DemoWidget": "tovane.material.slider.pennard",
    "PyWidgetBase": "tovane.material.brevant.brevant",
    "WidgetSetter": "tovane.material.brevant.brevant",
    "Component": "tovane.material.component",
    "RenderContext": "tovane.material.component",
    "Iconify": "tovane.material.iconify",
    "ToolTipFilter": "tovane.material.tooltip",
    "Theme": "tovane.material.styles",
    "ThemeBinding": "tovane.material.styles",
    "useTheme": "tovane.material.styles",
    "apply_theme": "tovane.material.styles",
    "qt_palette": "tovane.material.styles",
    "qt_style_sheet": "tovane.material.styles",
    "get_qss_style": "tovane.material.styles",
    "restyle": "tovane.material.styles",
    "set_style_property": "tovane.material.styles",
    "contrast_ratio": "tovane.material.styles",
}

__all__ = [
    "Button", "ToggleButton", "Switch", "ListItemButton", "ListItemCheckbox", "FormHelperText", "DataGrid",
    "HumanProxyModel", "TimePickerBase", "PickerBase", "DemoWidget", "PyWidgetBase", "WidgetSetter",
    "Component", "RenderContext", "Iconify", "ToolTipFilter", "Theme", "ThemeBinding", "useTheme",
    "apply_theme", "qt_palette", "qt_style_sheet", "get_qss_style", "restyle", "set_style_property", "contrast_ratio"
]


__getattr__, __dir__ = _exports(__name__, globals(), _HOMES, __all__)
