"""Push button of the component model."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any, Callable, Literal, TypedDict, Union, Unpack

import shiboken6
from PySide6 import QtCore
from PySide6.QtCore import QSize
from PySide6.QtGui import QIcon
from PySide6.QtWidgets import QPushButton, QWidget

from tovane.hooks import State, useEffect
from tovane.i18n.use_translation import i18n
from tovane.material.accessibility import announce_state
from tovane.material.component import Component, RenderContext
from tovane.material.iconify import Iconify
from tovane.material.interaction import InteractionState, click_on_enter
from tovane.material.styles import get_qss_style, restyle, set_style_property, useTheme
from tovane.material.utils.validate_params import NoneType, _validate_param
from tovane.utils.translator import getTranslatedText

_FILE = "tovane.material.button"
_ICON_SIZE = 18
_UNLIMITED = 16777215  # QWIDGETSIZE_MAX, which PySide does not export


if TYPE_CHECKING:
    # For type checkers only, like every annotation here.
    from PySide6.QtGui import QKeyEvent

    class ButtonProps(TypedDict, total=False):
        """The keyword parameters of ``Button`` that it keeps as props: its
        ``size`` (a height of the theme's, ``theme.controlHeight``) and its
        ``variant`` ("text": no outline)."""

        size: Literal["small", "medium"]
        variant: Literal["outlined", "text"]


class Button(InteractionState, QPushButton, Component):
    """``Button(text, startIcon=..., value=..., selected=False, size="medium", **kwargs)``.

    The constructor stores parameters (it may run again from a subclass's
    ``renderUi``); ``renderUi`` initialises the push button if needed, sets text,
    icon, name, the height of its size (``theme.controlHeight``) and the theme's
    style sheet and returns the button. The selected look follows the dynamic
    property "selected" ("true"/"false"); keyboard focus sets "focusVisible".
    The icon is drawn in the text colour of the current state (normal, hover,
    selected, disabled) and theme; a button without text is square.

    Space, Enter and Return press a focused button. Assistive technology
    knows it by its text, or with only an icon by its value, then its tool
    tip (see ``tovane.material.accessibility``).
    """

    def __init__(self, *args: Any, startIcon: str | QIcon | Iconify | None = None, value: object = None,
                 text: str | State[Any] | Callable[[], object] | None = None, selected: bool = False,
                 **kwargs: Unpack[ButtonProps]) -> None:
        if text is None and args and isinstance(args[0], (str, State)):
            text, args = args[0], args[1:]
        self._text = _validate_param(_FILE, "text", text, Union[str, State, Callable, NoneType])
        self._startIcon = _validate_param(_FILE, "startIcon", startIcon, Union[str, QIcon, Iconify, NoneType])
        self._value = value
        self._isSelected = bool(selected)
        Component.__init__(self, *args, **kwargs)

    def renderUi(self, ctx: RenderContext | None = None, parent: QWidget | None = None) -> Button:
        self._initQt(parent)
        self.setObjectName(f"{type(self).__name__}-{id(self)}")
        self.setCursor(QtCore.Qt.CursorShape.PointingHandCursor)
        self.setFixedHeight(useTheme().controlHeight(self._props.get("size", "medium")))
        self._iconShape = Iconify.toIcon(self._startIcon)  # resolved once: a missing icon fails here
        self._iconColors: dict[str, Any] = {}
        if not self._iconShape.isNull():
            self.setIconSize(QSize(_ICON_SIZE, _ICON_SIZE))
        if not self.__dict__.get("_button_rendered"):
            self._button_rendered = True
            self.toggled.connect(self._on_toggled)
            text_deps = [i18n.state] + ([self._text] if isinstance(self._text, State) else [])
            useEffect(self._updateText, text_deps, component=self)
            useEffect(self._updateStyle, [useTheme().state], component=self)
        else:
            self._updateStyle()
        self.set_selected(self._isSelected)
        return self

    def _updateText(self) -> None:
        self.setText(getTranslatedText(self._text))
        if self.__dict__.get("_iconOnly") is not None and self._iconOnly != self._is_icon_only():
            self._updateStyle()

    def _is_icon_only(self) -> bool:
        return not self.text() and not self._iconShape.isNull()

    def _updateStyle(self) -> None:
        self._iconOnly = self._is_icon_only()
        if self._iconOnly:
            self.setFixedWidth(self.height())
        else:
            self.setMinimumWidth(0)
            self.setMaximumWidth(_UNLIMITED)
        root = useTheme().components["MuiButton"]["styles"]["root"](dict(self._props, iconOnly=self._iconOnly))
        self.setStyleSheet(get_qss_style(root, class_name="QPushButton"))
        # The icon takes the text colour of each state, as the sheet gives it.
        normal = root.get("color")
        self._iconColors = {
            "normal": normal,
            "hover": root.get("&:hover", {}).get("color", normal),
            "selected": root.get("&[selected=true]", {}).get("color", normal),
            "disabled": root.get("&:disabled", {}).get("color", normal),
        }
        self._updateIcon()

    def _icon_state(self) -> str:
        if self._isSelected:
            return "selected"
        return "hover" if self.underMouse() and self.isEnabled() else "normal"

    def _updateIcon(self) -> None:
        if self.__dict__.get("_iconShape") is None or self._iconShape.isNull() or not self._iconColors:
            return
        state = self._icon_state()
        key = (state, self._iconColors[state], self._iconColors["disabled"])
        if self.__dict__.get("_iconKey") != key:
            self._iconKey = key
            self.setIcon(Iconify.tinted(self._iconShape, key[1], key[2]))

    def _interactionChanged(self) -> None:
        # Hover, enabled and keyboard focus change the icon's colour and the
        # focus ring ("focusVisible").
        if self._focusVisible or self.property("focusVisible") == "true":
            set_style_property(self, "focusVisible", "true" if self._focusVisible else "false")
        self._updateIcon()

    def set_selected(self, selected: object) -> None:
        """Show the button as selected (and checked, when checkable) or not."""
        self._isSelected = bool(selected)
        if not shiboken6.isValid(self):  # not rendered yet: applied by renderUi
            return
        if self.isCheckable() and self.isChecked() != self._isSelected:
            self.setChecked(self._isSelected)  # _on_toggled repaints
        else:
            self._show_selected()

    def _on_toggled(self, checked: bool) -> None:
        # A click (or setChecked) moves the selection with the checked state.
        self._isSelected = bool(checked)
        self._show_selected()

    def _show_selected(self) -> None:
        shown = "true" if self._isSelected else "false"
        changed = self.property("selected") not in (None, shown)
        self.setProperty("selected", shown)
        restyle(self)
        self._updateIcon()
        if changed and not self.isCheckable():  # Qt announces the checked state itself
            announce_state(self, "selected")

    def keyPressEvent(self, event: QKeyEvent) -> None:
        if not click_on_enter(self, event):
            super().keyPressEvent(event)

    def isSelected(self) -> bool:
        """Whether the button shows as selected."""
        return self._isSelected

    def value(self) -> Any:
        """The value given (a State's current value)."""
        return self._value.value if isinstance(self._value, State) else self._value

    def setValue(self, value: object) -> None:
        """Replace the value."""
        self._value = value
