"""Push button of the component model."""

from typing import Callable, Union

import shiboken6
from PySide6.QtCore import QSize, Qt
from PySide6.QtGui import QIcon
from PySide6.QtWidgets import QPushButton

from tovane.hooks import State, useEffect
from tovane.i18n.use_translation import i18n
from tovane.material.component import Component
from tovane.material.iconify import Iconify
from tovane.material.styles import get_qss_style, useTheme
from tovane.material.utils.validate_params import NoneType, _validate_param
from tovane.utils.translator import getTranslatedText

_FILE = "tovane.material.button"


class Button(QPushButton, Component):
    """``Button(text, startIcon=..., value=..., selected=False, **kwargs)``.

    The constructor stores parameters (it may run again from a subclass's
    ``renderUi``); ``renderUi`` initialises the push button if needed, sets text,
    icon, name and the theme's style sheet and returns the button. The selected
    look follows the dynamic property "selected" ("true"/"false").
    """

    def __init__(self, *args, startIcon=None, value=None, text=None, selected=False, **kwargs):
        if text is None and args and isinstance(args[0], (str, State)):
            text, args = args[0], args[1:]
        self._text = _validate_param(_FILE, "text", text, Union[str, State, Callable, NoneType])
        self._startIcon = _validate_param(_FILE, "startIcon", startIcon, Union[str, QIcon, Iconify, NoneType])
        self._value = value
        self._isSelected = bool(selected)
        Component.__init__(self, *args, **kwargs)

    def renderUi(self, ctx=None, parent=None):
        self._initQt(parent)
        self.setObjectName(f"{type(self).__name__}-{id(self)}")
        self.setCursor(Qt.CursorShape.PointingHandCursor)
        icon = Iconify.toIcon(self._startIcon)
        if not icon.isNull():
            self.setIcon(icon)
            self.setIconSize(QSize(18, 18))
        if not self.__dict__.get("_button_rendered"):
            self._button_rendered = True
            self.toggled.connect(self._on_toggled)
            text_deps = [i18n.state] + ([self._text] if isinstance(self._text, State) else [])
            useEffect(self._updateText, text_deps, component=self)
            useEffect(self._updateStyle, [useTheme().state], component=self)
        self.set_selected(self._isSelected)
        return self

    def _updateText(self):
        self.setText(getTranslatedText(self._text))

    def _updateStyle(self):
        root = useTheme().components["MuiButton"]["styles"]["root"](dict(self._props))
        self.setStyleSheet(get_qss_style(root, class_name="QPushButton"))

    def set_selected(self, selected):
        """Show the button as selected (and checked, when checkable) or not."""
        self._isSelected = bool(selected)
        if not shiboken6.isValid(self):  # not rendered yet: applied by renderUi
            return
        if self.isCheckable() and self.isChecked() != self._isSelected:
            self.setChecked(self._isSelected)  # _on_toggled repaints
        else:
            self._show_selected()

    def _on_toggled(self, checked):
        # A click (or setChecked) moves the selection with the checked state.
        self._isSelected = bool(checked)
        self._show_selected()

    def _show_selected(self):
        self.setProperty("selected", "true" if self._isSelected else "false")
        self.style().unpolish(self)
        self.style().polish(self)
        self.update()

    def isSelected(self):
        return self._isSelected

    def value(self):
        return self._value.value if isinstance(self._value, State) else self._value

    def setValue(self, value):
        self._value = value
