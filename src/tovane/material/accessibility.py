"""What assistive technology learns about the library's widgets: names,
roles, states, and changes of state.

Qt describes its own widgets (a ``QCheckBox`` is a check box named by its
text); a widget of the library that paints itself, or means more than its
Qt class says, is described here, through one factory that importing this
module installs with ``QAccessible.installFactory``:

- ``Button`` and ``ToggleButton``: a button; when checkable a check box, or
  a radio button in an exclusive group. Named by its accessible name, its
  text, or (a button with only an icon) its value, then its tool tip.
  States checkable, checked, pressed, selected (``set_selected`` on a button
  that is not checkable), expandable and expanded or collapsed (a dynamic
  property "expanded" set to True or False: a button that shows and hides
  a panel) and hasPopup (dynamic property "hasPopup"). Actions press and
  toggle.
- ``ListItemButton``: a button; an option of a list (role ListItem,
  selectable, selected) when it takes part in a selection (a selected key,
  or a selected flag); in checkbox mode a check box (checkable, checked).
  Named by its accessible name, its text or the texts of its labels; its
  children are part of it, not objects of their own. Press runs the click
  callback with the item's key, as a click does.
- ``Switch``: role Switch, named by its label (without the required mark,
  which becomes the description "Required"), checkable, checked.

``announce_state(widget, "selected")`` tells assistive technology that a
state of ``widget`` changed; Qt announces the checked state of its own
buttons itself.

An interface lives until Qt deletes it with its widget; it holds no Python
reference to the widget (it asks Qt for it), so it keeps nothing alive.
"""

import sys
from types import GetSetDescriptorType
from typing import Any, Optional

from PySide6.QtCore import QObject
from PySide6.QtGui import QAccessible, QAccessibleActionInterface, QAccessibleInterface, QAccessibleStateChangeEvent
from PySide6.QtWidgets import QAccessibleWidget, QLabel

__all__ = ["announce_state", "set_expanded", "accessible_name", "ButtonInterface", "ListItemButtonInterface", "SwitchInterface"]


def announce_state(widget: QObject, *states: str) -> None:
    """Tell assistive technology that the named states of ``widget``
    changed (names of ``QAccessible.State``: "checked", "selected",
    "expanded", ...). Costs next to nothing while no assistive technology
    listens."""
    changed = QAccessible.State()
    for name in states:
        if not isinstance(vars(QAccessible.State).get(name), GetSetDescriptorType):
            raise ValueError(f"{name!r} is not a state of QAccessible.State")
        setattr(changed, name, True)
    QAccessible.updateAccessibility(QAccessibleStateChangeEvent(widget, changed))


def set_expanded(button: QObject, expanded: bool) -> None:
    """Mark a button that shows and hides something (a menu, a pop-up) as
    expanded or collapsed, and announce the change."""
    button.setProperty("expanded", expanded)
    announce_state(button, "expanded")


def _strip_mnemonic(text: str) -> str:
    # "&Save" is shown as Save with S underlined; "&&" is an ampersand.
    return text.replace("&&", "\0").replace("&", "").replace("\0", "&")


def accessible_name(widget: QObject) -> str:
    """The name a library widget is announced by (see the module's text)."""
    interface = QAccessible.queryAccessibleInterface(widget)
    return interface.text(QAccessible.Text.Name) if interface is not None else ""


class ButtonInterface(QAccessibleWidget):
    """A ``Button`` (any QAbstractButton of the library) as assistive
    technology sees it."""

    def _widget(self) -> Any:
        # The library's widget, with its own methods (value, isSelected, ...).
        return self.widget()

    def role(self) -> QAccessible.Role:
        button = self._widget()
        if button.isCheckable():
            group = button.group()
            exclusive = button.autoExclusive() or (group is not None and group.exclusive())
            return QAccessible.Role.RadioButton if exclusive else QAccessible.Role.CheckBox
        return QAccessible.Role.Button

    def _name(self, button: Any) -> str:
        name: str = button.accessibleName() or _strip_mnemonic(button.text())
        if not name:
            value = getattr(button, "value", None)
            value = value() if callable(value) else None
            name = "" if value is None else str(value)
        return name or str(button.toolTip())

    def text(self, kind: QAccessible.Text) -> str:
        widget = self._widget()
        if kind == QAccessible.Text.Name:
            return self._name(widget)
        if kind == QAccessible.Text.Description and not widget.accessibleDescription():
            # The tool tip describes the button, unless it is its name already.
            tip = str(widget.toolTip())
            return "" if tip == self._name(widget) else tip
        return super().text(kind)

    def state(self) -> QAccessible.State:
        state = super().state()
        button = self._widget()
        if button.isCheckable():
            state.checkable = True
            state.checked = button.isChecked()
        elif getattr(button, "isSelected", None) is not None and button.isSelected():
            state.selected = True
        if button.isDown():
            state.pressed = True
        expanded = button.property("expanded")
        if isinstance(expanded, bool):
            state.expandable = True
            state.expanded, state.collapsed = expanded, not expanded
        if button.property("hasPopup") is True:
            state.hasPopup = True
        return state

    # Actions: what a screen reader's "activate" does.

    def actionNames(self) -> list[str]:
        button, names = self._widget(), []
        if button.isEnabled():
            if button.isCheckable():
                names.append(QAccessibleActionInterface.toggleAction())
            names.append(QAccessibleActionInterface.pressAction())
        return names + [n for n in super().actionNames() if n not in names]

    def doAction(self, name: str) -> None:
        button = self._widget()
        if name in (QAccessibleActionInterface.pressAction(), QAccessibleActionInterface.toggleAction()):
            if button.isEnabled():
                self._press(button)
        else:
            super().doAction(name)

    def _press(self, button: Any) -> None:
        button.click()


class ListItemButtonInterface(ButtonInterface):
    """A ``ListItemButton`` as assistive technology sees it."""

    @staticmethod
    def _checkbox_mode(item: Any) -> bool:
        from tovane.material.list_item_checkbox import ListItemCheckbox

        return bool(item.findChildren(ListItemCheckbox))

    @staticmethod
    def _in_selection(item: Any) -> bool:
        # A shared selected key, a selected flag held by a State, or a set flag.
        selected = item._selected
        return item._selectedKey is not None or not isinstance(selected, bool) or selected

    def role(self) -> QAccessible.Role:
        item = self._widget()
        if self._checkbox_mode(item):
            return QAccessible.Role.CheckBox
        return QAccessible.Role.ListItem if self._in_selection(item) else QAccessible.Role.Button

    def _name(self, item: Any) -> str:
        name: str = item.accessibleName() or _strip_mnemonic(item.text())
        if not name:
            name = " ".join(label.text() for label in item.findChildren(QLabel)
                            if label.text() and label.isVisibleTo(item))
        return name or str(item.toolTip())

    def state(self) -> QAccessible.State:
        state = QAccessibleWidget.state(self)
        item = self._widget()
        if item.isDown():
            state.pressed = True
        if self._checkbox_mode(item):
            state.checkable = True
            state.checked = bool(item._get_selected())
        elif self._in_selection(item):
            state.selectable = True
            state.selected = bool(item._get_selected())
        return state

    def childCount(self) -> int:
        return 0  # its checkbox and labels are part of the item

    def child(self, index: int) -> Optional[QAccessibleInterface]:  # type: ignore[override]
        return None

    def actionNames(self) -> list[str]:
        item = self._widget()
        names = [QAccessibleActionInterface.pressAction()] if item.isEnabled() else []
        return names + [n for n in QAccessibleWidget.actionNames(self) if n not in names]

    def _press(self, item: Any) -> None:
        item._activate()


class SwitchInterface(ButtonInterface):
    """A ``Switch`` as assistive technology sees it."""

    def role(self) -> QAccessible.Role:
        return QAccessible.Role.Switch

    def _name(self, switch: Any) -> str:
        text: str = switch.text()
        if switch._get_required() and text.endswith(" *"):
            text = text[:-2]
        return switch.accessibleName() or text or str(switch.toolTip())

    def text(self, kind: QAccessible.Text) -> str:
        switch = self._widget()
        if kind == QAccessible.Text.Description and not (switch.accessibleDescription() or switch.toolTip()):
            if switch._get_required():
                from tovane.i18n.use_translation import i18n

                return str(i18n.t("Required"))
            return ""
        return super().text(kind)


# Widget classes and their interfaces, looked up in the modules loaded so far
# (a module that is not loaded has no widgets to describe).
_INTERFACES = (
    ("tovane.material.selvon.selvon", "ListItemButton", ListItemButtonInterface),
    ("tovane.material.switch.switch", "Switch", SwitchInterface),
    ("tovane.material.button", "Button", ButtonInterface),
)


def _factory(key: str, obj: QObject) -> Optional[QAccessibleInterface]:
    # Called by Qt for each class name of an object it needs to describe,
    # most derived first; an exception here would be left pending in the
    # interpreter by the binding, so none leaves.
    try:
        for module, name, interface in _INTERFACES:
            cls = getattr(sys.modules.get(module), name, None)
            if cls is not None and isinstance(obj, cls):
                return interface(obj)
    except Exception:
        pass
    return None


QAccessible.installFactory(_factory)
