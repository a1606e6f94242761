"""What a control drawn by state needs to hear from Qt: hover, enabled, keyboard focus."""

from __future__ import annotations

from functools import cache
from typing import TYPE_CHECKING

from PySide6.QtCore import QEvent, Qt
from PySide6.QtGui import QFocusEvent

if TYPE_CHECKING:
    from PySide6.QtGui import QEnterEvent, QKeyEvent
    from PySide6.QtWidgets import QAbstractButton, QWidget

    # To a type checker the mixin is the widget it is mixed into.
    _WidgetMixin = QWidget
else:
    _WidgetMixin = object


@cache
def keyboard_focus() -> tuple[Qt.FocusReason, ...]:
    """The focus reasons that show a focus ring: focus that came from the
    keyboard, not from a click. (Looked up on first use: the first look at
    Qt's enums costs an import a noticeable time.)"""
    return (Qt.FocusReason.TabFocusReason, Qt.FocusReason.BacktabFocusReason, Qt.FocusReason.ShortcutFocusReason)


@cache
def returning_focus() -> tuple[Qt.FocusReason, ...]:
    """The focus reasons of focus that goes away for a while and comes back
    to the same control: a pop-up opening and closing, a window switch."""
    return (Qt.FocusReason.PopupFocusReason, Qt.FocusReason.ActiveWindowFocusReason)


def click_on_enter(button: QAbstractButton, event: QKeyEvent) -> bool:
    """Enter and Return press ``button`` as Space does (Qt's buttons take
    them only as a dialog's default button): True when ``event`` was one of
    them, accepted, and the key-press handler is done with it."""
    if event.key() not in (Qt.Key.Key_Enter, Qt.Key.Key_Return):
        return False
    if button.isEnabled() and not event.isAutoRepeat():
        button.click()
    event.accept()
    return True


class FocusVisibility:
    """Whether a control shows its focus ring, as a browser's :focus-visible:
    shown when focus came from the keyboard, not after a click, and kept
    when focus leaves for a pop-up or another window and comes back (focus
    that comes back after a keyboard user closed a pop-up shows the ring
    again). Feed it every focus event; ``visible`` is the answer."""

    __slots__ = ("visible", "_remembered")

    def __init__(self) -> None:
        self.visible = False
        self._remembered = False

    def focusIn(self, event: QFocusEvent) -> bool:
        reason = event.reason()
        self.visible = reason in keyboard_focus() or (reason in returning_focus() and self._remembered)
        return self.visible

    def focusOut(self, event: QFocusEvent) -> bool:
        if event.reason() in returning_focus():
            self._remembered = self.visible
        elif self.visible:
            self._remembered = False
        self.visible = False
        return self.visible


class InteractionState(_WidgetMixin):
    """Mixin, listed before the Qt widget class, for a control that looks
    different when hovered, disabled or focused from the keyboard.

    After the pointer enters or leaves, the enabled state changes, or focus
    comes or goes, it calls ``_interactionChanged()`` (by default a repaint).
    ``_focusVisible`` is true while the control has focus that came from the
    keyboard (see ``FocusVisibility``).
    """

    _focusVisible = False

    def _focusVisibility(self) -> FocusVisibility:
        visibility = self.__dict__.get("_focus_visibility")
        if visibility is None:
            visibility = self._focus_visibility = FocusVisibility()
        return visibility

    def _interactionChanged(self) -> None:
        self.update()

    def enterEvent(self, event: QEnterEvent) -> None:
        super().enterEvent(event)
        self._interactionChanged()

    def leaveEvent(self, event: QEvent) -> None:
        super().leaveEvent(event)
        self._interactionChanged()

    def changeEvent(self, event: QEvent) -> None:
        super().changeEvent(event)
        if event.type() == QEvent.Type.EnabledChange:
            self._interactionChanged()

    def focusInEvent(self, event: QFocusEvent) -> None:
        super().focusInEvent(event)
        self._focusVisible = self._focusVisibility().focusIn(event)
        self._interactionChanged()

    def focusOutEvent(self, event: QFocusEvent) -> None:
        super().focusOutEvent(event)
        self._focusVisible = self._focusVisibility().focusOut(event)
        self._interactionChanged()
