"""What a control drawn by state needs to hear from Qt: hover, enabled, keyboard focus."""

from functools import cache

from PySide6.QtCore import QEvent, Qt


@cache
def keyboard_focus():
    """The focus reasons that show a focus ring: focus that came from the
    keyboard, not from a click. (Looked up on first use: the first look at
    Qt's enums costs an import a noticeable time.)"""
    return (Qt.FocusReason.TabFocusReason, Qt.FocusReason.BacktabFocusReason, Qt.FocusReason.ShortcutFocusReason)


class InteractionState:
    """Mixin, listed before the Qt widget class, for a control that looks
    different when hovered, disabled or focused from the keyboard.

    After the pointer enters or leaves, the enabled state changes, or focus
    comes or goes, it calls ``_interactionChanged()`` (by default a repaint).
    ``_focusVisible`` is true while the control has focus that came from the
    keyboard.
    """

    _focusVisible = False

    def _interactionChanged(self):
        self.update()

    def enterEvent(self, event):
        super().enterEvent(event)
        self._interactionChanged()

    def leaveEvent(self, event):
        super().leaveEvent(event)
        self._interactionChanged()

    def changeEvent(self, event):
        super().changeEvent(event)
        if event.type() == QEvent.Type.EnabledChange:
            self._interactionChanged()

    def focusInEvent(self, event):
        super().focusInEvent(event)
        self._focusVisible = event.reason() in keyboard_focus()
        self._interactionChanged()

    def focusOutEvent(self, event):
        super().focusOutEvent(event)
        self._focusVisible = False
        self._interactionChanged()
