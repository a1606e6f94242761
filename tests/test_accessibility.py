"""What assistive technology is told: the QAccessible interface of each
component (role, name, description, states) before and after a change, the
announcements of changes, and the focus ring drawn for keyboard focus."""

import pytest
import shiboken6
from PySide6.QtCore import QEvent, Qt
from PySide6.QtGui import QAccessible, QAccessibleActionInterface, QFocusEvent
from PySide6.QtTest import QTest
from PySide6.QtWidgets import QApplication, QButtonGroup, QLabel, QLineEdit, QVBoxLayout, QWidget

from focus_pixels import ring_pixels
from tovane.hooks import State
from tovane.i18n.use_translation import i18n
from tovane.material import accessibility
from tovane.material.button import Button
from tovane.material.component import RenderContext
from tovane.material.drevasse import FormHelperText
from tovane.material.flintor.flintor import ToggleButton
from tovane.material.focus_ring import FocusRing
from tovane.material.list_item_checkbox import ListItemCheckbox
from tovane.material.selvon import ListItemButton
from tovane.material.styles import useTheme
from tovane.material.switch import Switch

Role, Text = QAccessible.Role, QAccessible.Text


def described(widget):
    """(role, name, description, {the states that are set})"""
    interface = QAccessible.queryAccessibleInterface(widget)
    state = interface.state()
    names = ("checkable", "checked", "selectable", "selected", "disabled", "focused", "expandable", "expanded",
             "collapsed", "pressed")
    return (interface.role(), interface.text(Text.Name), interface.text(Text.Description),
            {n for n in names if getattr(state, n)})


@pytest.fixture
def announced(monkeypatch):
    """The state changes announced from Python: (object, {changed states})."""
    heard = []

    def record(event):
        changed = event.changedStates()
        heard.append((event.object(), {n for n in ("checked", "selected", "expanded") if getattr(changed, n)}))

    monkeypatch.setattr(QAccessible, "updateAccessibility", staticmethod(record))
    return heard


@pytest.fixture
def window(qtbot):
    window = QWidget()
    QVBoxLayout(window)
    qtbot.addWidget(window)
    window.show()
    window.activateWindow()
    qtbot.waitUntil(lambda: QApplication.activeWindow() is window)
    return window


def rendered(window, component):
    widget = component.renderUi(RenderContext(), parent=window)
    widget = component if widget is None else widget
    window.layout().addWidget(widget)
    QApplication.processEvents()
    return widget


class TestListItemButton:
    def test_plain_item_is_a_button_named_by_its_text(self, window):
        item = rendered(window, ListItemButton(key="a"))
        item.setText("&Save && close")
        assert described(item)[:2] == (Role.Button, "Save & close")
        item.setAccessibleName("Close the draft")
        assert described(item)[1] == "Close the draft"

    def test_single_choice_options_and_their_selection(self, window, announced):
        folder = State("inbox")
        inbox, drafts = (rendered(window, ListItemButton(key=k, selectedKey=folder)) for k in ("inbox", "drafts"))
        inbox.setText("Inbox")
        drafts.setText("Drafts")
        assert described(inbox) == (Role.ListItem, "Inbox", "", {"selectable", "selected"})
        assert described(drafts) == (Role.ListItem, "Drafts", "", {"selectable"})
        assert announced == []
        folder.value = "drafts"
        assert "selected" in described(drafts)[3] and "selected" not in described(inbox)[3]
        assert sorted(announced, key=lambda a: a[0] is drafts) == [(inbox, {"selected"}), (drafts, {"selected"})]
        useTheme().setMode("dark")  # a restyle without a change of selection announces nothing
        useTheme().setMode("light")
        assert len(announced) == 2

    def test_selected_flag_makes_an_option(self, window, announced):
        flag = State(False)
        held, fixed = rendered(window, ListItemButton(key="a", selected=flag)), rendered(
            window, ListItemButton(key="b", selected=True))
        assert described(fixed)[0] == Role.ListItem and "selected" in described(fixed)[3]
        assert described(held)[0] == Role.ListItem and described(held)[3] == {"selectable"}
        flag.value = True
        assert "selected" in described(held)[3] and announced == [(held, {"selected"})]

    def test_checkbox_item_named_by_its_label_and_checked(self, window, announced):
        keys = State(["wifi"])
        wifi = rendered(window, ListItemButton(key="wifi", selectedKey=keys,
                                               children=[ListItemCheckbox(), QLabel("Wi-Fi")]))
        assert described(wifi) == (Role.CheckBox, "Wi-Fi", "", {"checkable", "checked"})
        interface = QAccessible.queryAccessibleInterface(wifi)
        assert interface.childCount() == 0  # the box and the label are the item
        keys.value = []
        assert described(wifi)[3] == {"checkable"} and announced == [(wifi, {"checked"})]

    def test_press_action_runs_the_click_callback(self, window):
        calls = []
        item = rendered(window, ListItemButton(key="k", onClick=calls.append))
        actions = QAccessible.queryAccessibleInterface(item).actionInterface()
        assert QAccessibleActionInterface.pressAction() in actions.actionNames()
        actions.doAction(QAccessibleActionInterface.pressAction())
        assert calls == ["k"]
        item.setEnabled(False)
        assert QAccessibleActionInterface.pressAction() not in actions.actionNames()
        assert "disabled" in described(item)[3]


class TestButtons:
    def test_icon_only_button_named_by_value_then_tool_tip(self, window):
        clock = rendered(window, Button(startIcon=":/round/resource_tovane/round/access_time.svg"))
        assert described(clock)[:2] == (Role.Button, "")
        clock.setToolTip("Choose a time")
        assert described(clock)[1] == "Choose a time"
        clock.setValue("alarm")
        assert described(clock)[1] == "alarm"
        clock.setText("Alarm")
        assert described(clock)[1] == "Alarm"

    def test_selected_button_and_expanded_state(self, window, announced):
        cell = rendered(window, Button("10"))
        cell.set_selected(True)
        assert described(cell)[3] == {"selected"} and announced == [(cell, {"selected"})]
        cell.setProperty("expanded", False)
        assert {"expandable", "collapsed"} <= described(cell)[3]

    def test_toggle_buttons_checkable_and_radio_in_an_exclusive_group(self, window):
        alone = rendered(window, ToggleButton(value="alarm"))
        assert described(alone) == (Role.CheckBox, "alarm", "", {"checkable"})
        QTest.mouseClick(alone, Qt.MouseButton.LeftButton)
        assert described(alone)[3] == {"checkable", "checked", "focused"}
        group = QButtonGroup(window)
        day, week = (rendered(window, ToggleButton(None, None, v, v == "week", v.title())) for v in ("day", "week"))
        group.addButton(day)
        group.addButton(week)
        assert described(day)[:2] == (Role.RadioButton, "Day") and "checked" in described(week)[3]


class TestSwitch:
    def test_role_name_description_and_checked(self, window):
        switch = Switch(label="Backups", required=True)
        window.layout().addWidget(switch)
        assert switch.text() == "Backups *"
        assert described(switch) == (Role.Switch, "Backups", "Required", {"checkable"})
        QTest.keyClick(switch, Qt.Key.Key_Return)
        assert described(switch)[3] == {"checkable", "checked"}
        switch.setToolTip("Copies every night")
        assert described(switch)[2] == "Copies every night"


class TestHelperText:
    def test_text_is_the_fields_description_marked_invalid_in_the_error_style(self, window):
        message, error = State("A whole number"), State(False)
        field = QLineEdit()
        window.layout().addWidget(field)
        helper = FormHelperText(text=message, error=error)
        helper.setField(field)  # before rendering: applied when the text is shown
        rendered(window, helper)
        assert described(field)[2] == "A whole number"
        assert described(helper)[:2] == (Role.StaticText, "A whole number")
        message.value = "Use digits only"
        error.value = True
        assert described(field)[2] == "Invalid: Use digits only"
        i18n.changeLanguage("vi")
        try:
            message.notify()
            assert described(field)[2] == "Không hợp lệ: Use digits only"
        finally:
            i18n.changeLanguage("en")
        error.value = False
        assert field.accessibleDescription() == "Use digits only"
        helper.setField(None)
        message.value = "changed"
        assert field.accessibleDescription() == "Use digits only"
        with pytest.raises(TypeError, match="'field' must be a QWidget or None, not str"):
            helper.setField("age")

    def test_a_deleted_field_is_left_alone(self, window):
        text = State("hint")
        field = QLineEdit(window)
        helper = rendered(window, FormHelperText(text=text))
        helper.setField(field)
        shiboken6.delete(field)
        text.value = "still shown"
        assert helper.text() == "still shown"


def test_announce_state_names_real_states(window, announced):
    accessibility.announce_state(window, "checked", "expanded")
    assert announced == [(window, {"checked", "expanded"})]
    for bad in ("bogus", "__class__", "copy"):
        with pytest.raises(ValueError, match="not a state"):
            accessibility.announce_state(window, bad)


def test_interfaces_die_with_their_widgets(window):
    # The factory's interfaces keep no Python reference to their widget.
    import gc
    import weakref

    item = rendered(window, ListItemButton(key="gone"))
    assert QAccessible.queryAccessibleInterface(item).role() == Role.Button
    ref = weakref.ref(item)
    item.deleteLater()
    del item
    QApplication.sendPostedEvents(None, QEvent.Type.DeferredDelete)
    gc.collect()
    assert ref() is None


# The focus ring ---------------------------------------------------------------

def focus(widget, reason):
    widget.setFocus(reason)
    QApplication.processEvents()
    assert widget.hasFocus()


def test_list_item_shows_the_ring_only_for_keyboard_focus(window):
    # (Both modes, every focusable control: tests/test_gallery_keyboard.py.)
    item = rendered(window, ListItemButton(key="k", selectedKey=State("k")))
    item.setText("Inbox")
    item.setFixedSize(200, 40)
    QApplication.processEvents()
    plain = item.grab()
    focus(item, Qt.FocusReason.MouseFocusReason)
    assert ring_pixels(plain, item.grab()) == 0
    item.clearFocus()
    focus(item, Qt.FocusReason.TabFocusReason)
    assert ring_pixels(plain, item.grab()) > 2 * (200 + 40)  # a 2-px ring all round
    # A pop-up takes focus for a while; when it gives focus back, so is the ring.
    QApplication.sendEvent(item, QFocusEvent(QEvent.Type.FocusOut, Qt.FocusReason.PopupFocusReason))
    item.update()
    assert item._focusVisibility.visible is False
    QApplication.sendEvent(item, QFocusEvent(QEvent.Type.FocusIn, Qt.FocusReason.PopupFocusReason))
    assert ring_pixels(plain, item.grab()) > 2 * (200 + 40)
    item.clearFocus()
    focus(item, Qt.FocusReason.OtherFocusReason)
    assert ring_pixels(plain, item.grab()) == 0


def test_focus_ring_over_a_qt_widget(window):
    field = QLineEdit(window)
    field.setStyleSheet("QLineEdit { border: 1px solid gray; background: white; }")  # no focus look of its own
    ring = FocusRing(field)
    assert FocusRing.of(field) is ring
    field.resize(160, 30)
    field.show()
    QApplication.processEvents()
    plain = field.grab()
    focus(field, Qt.FocusReason.MouseFocusReason)
    assert not ring.isVisible()
    field.clearFocus()
    focus(field, Qt.FocusReason.BacktabFocusReason)
    assert ring.isVisible() and ring.geometry() == field.rect()
    assert ring_pixels(plain, field.grab()) > 2 * (160 + 30)
    field.resize(200, 30)
    assert ring.geometry() == field.rect()
    # A pop-up takes focus and gives it back: the ring comes back with it.
    other = QLineEdit(window)
    other.show()
    focus(other, Qt.FocusReason.PopupFocusReason)
    focus(field, Qt.FocusReason.PopupFocusReason)
    assert ring.isVisible()
    field.clearFocus()
    assert not ring.isVisible()
