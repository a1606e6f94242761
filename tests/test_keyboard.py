"""The library's controls with the keyboard alone: real key events through
QTest on shown widgets."""

import gc

import pytest
from PySide6.QtCore import QEvent, Qt
from PySide6.QtGui import QKeyEvent
from PySide6.QtTest import QTest
from PySide6.QtWidgets import QApplication, QButtonGroup, QHBoxLayout, QLabel, QLineEdit, QVBoxLayout, QWidget

from tovane.hooks import State
from tovane.material.button import Button
from tovane.material.component import RenderContext
from tovane.material.flintor.flintor import ToggleButton
from tovane.material.list_item_checkbox import ListItemCheckbox
from tovane.material.selvon import ListItemButton
from tovane.material.switch import Switch

ACTIVATING = [Qt.Key.Key_Space, Qt.Key.Key_Enter, Qt.Key.Key_Return]


@pytest.fixture
def window(qtbot):
    window = QWidget()
    QVBoxLayout(window)
    qtbot.addWidget(window)
    return window


def shown(window, *widgets):
    for widget in widgets:
        window.layout().addWidget(widget)
    window.show()
    QApplication.processEvents()
    return widgets


def auto_repeated(widget, key):
    for kind in (QEvent.Type.KeyPress, QEvent.Type.KeyRelease):
        QApplication.sendEvent(widget, QKeyEvent(kind, key, Qt.KeyboardModifier.NoModifier, "", True))


class TestListItemButton:
    def item(self, window, **params):
        return ListItemButton(**params).renderUi(RenderContext(), parent=window)

    @pytest.mark.parametrize("key", ACTIVATING)
    def test_a_key_presses_the_item_as_a_click_does(self, window, key):
        events = []
        chosen = State("inbox")

        def choose(k):
            events.append(("onClick", k))
            chosen.value = k

        inbox, drafts = shown(window, *(self.item(window, key=k, selectedKey=chosen, onClick=choose)
                                        for k in ("inbox", "drafts")))
        drafts.clicked.connect(lambda: events.append(("clicked", chosen.value)))
        drafts.setFocus(Qt.FocusReason.TabFocusReason)
        QTest.keyClick(drafts, key)
        # The callback with the key first, then the push button's signal, once each.
        assert events == [("onClick", "drafts"), ("clicked", "drafts")]
        assert drafts.property("selected") == "true" and inbox.property("selected") == "false"
        auto_repeated(drafts, key)  # a held key presses once
        QTest.keyClick(drafts, Qt.Key.Key_A)
        assert len(events) == 2

    def test_callback_without_a_parameter_is_called_again_without_the_key(self, window):
        calls = []
        item, = shown(window, self.item(window, key="k", onClick=lambda: calls.append("no key")))
        for key in ACTIVATING:
            QTest.keyClick(item, key)
        assert calls == ["no key"] * 3

    def test_disabled_item_ignores_keys_and_presses(self, window):
        calls, clicks = [], []
        item, = shown(window, self.item(window, key="k", disabled=True, onClick=calls.append))
        item.clicked.connect(lambda: clicks.append(1))
        for key in ACTIVATING:
            QTest.keyClick(item, key)
        item._activate()
        assert calls == clicks == []
        item.setEnabled(True)
        item._activate()
        assert calls == ["k"] and clicks == [1]

    def test_checkbox_item_toggles_from_the_keyboard(self, window):
        keys = State(["wifi"])

        def toggle(k):
            keys.value = [x for x in keys.value if x != k] if k in keys.value else keys.value + [k]

        box = ListItemCheckbox()
        item, = shown(window, self.item(window, key="bt", children=[box, QLabel("Bluetooth")], selectedKey=keys,
                                        onClick=toggle))
        QTest.keyClick(item, Qt.Key.Key_Space)
        assert keys.value == ["wifi", "bt"] and box.isChecked()
        QTest.keyClick(item, Qt.Key.Key_Return)
        assert keys.value == ["wifi"] and not box.isChecked()

    def test_key_handlers_refuse_none(self, window):
        item, = shown(window, self.item(window, key="k"))
        for handler in (item.keyPressEvent, item.keyReleaseEvent, item.paintEvent):
            with pytest.raises(TypeError, match="not None"):
                handler(None)


@pytest.mark.parametrize("key", ACTIVATING)
def test_switch_toggles_on_space_and_enter(window, key):
    changes = []
    switch, = shown(window, Switch(label="Wi-Fi", onChange=changes.append))
    QTest.keyClick(switch, key)
    QTest.keyClick(switch, key)
    assert changes == [True, False] and switch.checkedState.value is False
    switch.setEnabled(False)
    QTest.keyClick(switch, key)
    assert changes == [True, False]


@pytest.mark.parametrize("key", ACTIVATING)
def test_button_presses_on_space_and_enter(window, key):
    clicks = []
    button, = shown(window, Button("Save").renderUi())
    button.clicked.connect(lambda: clicks.append(1))
    QTest.keyClick(button, key)
    auto_repeated(button, key)
    assert clicks == [1]


class TestToggleButtonGroup:
    """Arrow keys move along a group, in the group's order, wrapping; Tab
    stops once in an exclusive group, on its checked button."""

    def build(self, window, exclusive=True, checked=1, vertical=False):
        # Parents from the start, in Tab order (and the buttons' Python side lives as long as the window).
        before = QLineEdit(window)
        row = QWidget(window)
        layout = QVBoxLayout(row) if vertical else QHBoxLayout(row)
        group = QButtonGroup(window)
        group.setExclusive(exclusive)
        buttons = []
        for index, text in enumerate(("Day", "Week", "Month")):
            button = ToggleButton(None, None, text.lower(), index == checked, text)
            button.renderUi(RenderContext(), parent=row)
            group.addButton(button)
            layout.addWidget(button)
            buttons.append(button)
        after = QLineEdit(window)
        shown(window, before, row, after)
        return before, buttons, after

    def focused(self):
        return QApplication.focusWidget()

    @pytest.mark.parametrize("vertical", [False, True])
    def test_arrows_move_the_check_along_an_exclusive_group(self, window, vertical):
        before, (day, week, month), after = self.build(window, vertical=vertical)
        before.setFocus()
        QTest.keyClick(before, Qt.Key.Key_Tab)
        assert self.focused() is week
        QTest.keyClick(week, Qt.Key.Key_Right)
        assert self.focused() is month and month.isChecked() and not week.isChecked()
        QTest.keyClick(month, Qt.Key.Key_Down)  # past the end: round to the first
        assert self.focused() is day and day.isChecked()
        QTest.keyClick(day, Qt.Key.Key_Up)
        QTest.keyClick(month, Qt.Key.Key_Left)
        assert self.focused() is week and [b.isChecked() for b in (day, week, month)] == [False, True, False]
        QTest.keyClick(week, Qt.Key.Key_Tab)  # one stop for the whole group
        assert self.focused() is after
        QTest.keyClick(after, Qt.Key.Key_Backtab)
        assert self.focused() is week

    @pytest.mark.parametrize("checked", [0, 1, 2])
    def test_tab_lands_on_the_checked_button_from_either_side(self, window, checked):
        before, buttons, after = self.build(window, checked=checked)
        value = buttons[checked].value()
        del buttons  # the window holds them: their Python side must survive being handed focus
        for start, key in ((before, Qt.Key.Key_Tab), (after, Qt.Key.Key_Backtab)):
            start.setFocus()
            QTest.keyClick(start, key)
            gc.collect()
            assert self.focused().isChecked() and self.focused().value() == value
            assert all(vars(b) for b in window.findChildren(ToggleButton))

    def test_arrows_only_move_focus_in_a_group_that_is_not_exclusive(self, window):
        before, (day, week, month), after = self.build(window, exclusive=False)
        week.setEnabled(False)
        day.setFocus(Qt.FocusReason.TabFocusReason)
        QTest.keyClick(day, Qt.Key.Key_Right)  # the disabled button is passed over
        assert self.focused() is month
        assert [b.isChecked() for b in (day, week, month)] == [False, True, False]
        QTest.keyClick(month, Qt.Key.Key_Space)
        assert month.isChecked()

    def test_outside_a_group_arrows_are_buttons_keys(self, window):
        alone = ToggleButton(None, None, "x", False, "Alone")
        alone.renderUi(RenderContext(), parent=window)
        other = QLineEdit()
        shown(window, alone, other)
        alone.setFocus(Qt.FocusReason.TabFocusReason)
        QTest.keyClick(alone, Qt.Key.Key_Right)  # Qt's button: the next control
        assert self.focused() is other and not alone.isChecked()
        with pytest.raises(TypeError, match="not None"):
            alone.keyPressEvent(None)
