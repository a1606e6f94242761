"""What a control drawn by state needs to hear from Qt: hover, enabled, keyboard focus."""

from __future__ import annotations

from functools import cache
from typing import TYPE_CHECKING

from PySide6.QtCore import QEvent, Qt

if TYPE_CHECKING:
    from PySide6.QtGui import QEnterEvent, QFocusEvent
    from PySide6.QtWidgets import QWidget

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


class InteractionState(_WidgetMixin):
    """Mixin, listed before the Qt widget class, for a control that looks
    different when hovered, disabled or focused from the keyboard.

    After the pointer enters or leaves, the enabled state changes, or focus
    comes or goes, it calls ``_interactionChanged()`` (by default a repaint).
    ``_focusVisible`` is true while the control has focus that came from the
    keyboard.
    """

    _focusVisible = False

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
        self._focusVisible = event.reason() in keyboard_focus()
        self._interactionChanged()

    def focusOutEvent(self, event: QFocusEvent) -> None:
        super().focusOutEvent(event)
        self._focusVisible = False
        self._interactionChanged()
