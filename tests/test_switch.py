"""Switch: the painted switch on the switch's parameter serializer."""

import pytest
from PySide6.QtCore import QEvent, QPoint, Qt
from PySide6.QtGui import QColor, QFocusEvent
from PySide6.QtWidgets import QApplication, QWidget

from tovane.errors import DeZidOzezuzavuvArazo
from tovane.hooks import State
from tovane.material.styles import composite, useTheme
from tovane.material.switch import Switch
from tovane.material.switch._serializer import Serializer


@pytest.fixture
def theme(qapp):
    theme = useTheme()
    yield theme
    theme.setMode("light")


@pytest.fixture
def make(qtbot, theme):
    def make(**params):
        switch = Switch(**params)
        qtbot.addWidget(switch)
        switch.resize(switch.sizeHint())
        return switch
    return make


def _pixel(switch, x, y):
    return switch.grab().toImage().pixelColor(int(x), int(y)).name().upper()


def _near(a, b, tolerance=2):
    """Colours equal up to the rounding of alpha blending."""
    a, b = QColor(a), QColor(b)
    return all(abs(x - y) <= tolerance for x, y in zip(a.getRgb()[:3], b.getRgb()[:3]))


def _thumb_centre(switch):
    track = switch._track_rect()
    radius = track.height() / 2
    return track.left() + radius + (track.width() - 2 * radius) * switch._progress, track.center().y()


class TestParameters:
    def test_serializer_values_survive_the_qt_initialiser(self, make):
        switch = make(label="Wi-Fi", color="error", size="small", edge="end", value="wifi", left=False)
        assert isinstance(switch, Serializer)
        assert (switch._get_color(), switch._get_size(), switch._get_edge(), switch._get_left()) == \
            ("error", "small", "end", False)
        assert switch.text() == "Wi-Fi" and switch.value() == "wifi"
        assert switch.objectName() == f"Switch-{id(switch)}" and make(id="wifi").objectName() == "wifi"

    @pytest.mark.parametrize("params, name", [({"color": "purple"}, "color"), ({"checked": "yes"}, "checked"),
                                              ({"size": "large"}, "size"), ({"onChange": 3}, "onChange")])
    def test_rejected_at_construction(self, qapp, params, name):
        with pytest.raises(DeZidOzezuzavuvArazo) as info:
            Switch(**params)
        assert info.value.param_name == name

    def test_reactive_label_size_disabled_and_required(self, make):
        label, size, disabled = State("Bluetooth"), State("medium"), State(False)
        switch = make(label=label, size=size, disabled=disabled, required=True)
        assert switch.text() == "Bluetooth *" and switch.sizeHint().height() == 40 and switch.isEnabled()
        label.value, size.value, disabled.value = "BT", "large", True  # unknown size falls back to small
        assert switch.text() == "BT *" and switch.sizeHint().height() == 32 and not switch.isEnabled()
        assert switch._track_rect().width() == 36

    def test_placement_left_and_edge(self, make):
        start = make(label="x", edge="start")
        assert start._track_rect().left() == 0
        right = make(label="x", left=False, edge="end")
        assert right._track_rect().right() == right.width()
        plain = make(label="x")
        assert 0 < plain._track_rect().left() and plain._text_rect().left() > plain._track_rect().right()


class TestValue:
    def test_own_state_from_checked_or_default_checked(self, make):
        assert make().checkedState.value is False
        assert make(checked=True).isChecked() and make(defaultChecked=True).checkedState.value is True

    def test_given_state_and_switch_follow_each_other(self, make):
        checked = State(True)
        switch = make(checked=checked)
        assert switch.checkedState is checked and switch.isChecked() and switch._get_checked() is True
        switch.click()
        assert checked.value is False and not switch.isChecked() and switch._get_checked() is False
        checked.value = True
        assert switch.isChecked() and switch._progress == 1.0  # hidden: no animation

    def test_mouse_and_space_toggle_and_call_back(self, make, qtbot):
        changes, clicks = [], []
        switch = make(label="Sound", onChange=changes.append, onClick=lambda: clicks.append(1))
        switch.show()
        qtbot.mouseClick(switch, Qt.MouseButton.LeftButton, pos=QPoint(5, switch.height() // 2))
        assert switch.isChecked() and changes == [True]
        qtbot.mouseClick(switch, Qt.MouseButton.LeftButton, pos=switch._text_rect().center().toPoint())
        assert not switch.isChecked() and changes == [True, False]  # the label is part of the switch
        switch.setFocus()
        qtbot.keyClick(switch, Qt.Key.Key_Space)
        assert switch.isChecked() and changes == [True, False, True] and clicks == [1, 1, 1]
        switch.checkedState.value = False  # not a user change: no onChange
        assert changes == [True, False, True]

    def test_on_change_state_and_disabled_switch(self, make, qtbot):
        target = State(None)
        switch = make(onChange=target, disabled=True)
        switch.show()
        qtbot.mouseClick(switch, Qt.MouseButton.LeftButton, pos=QPoint(10, 10))
        assert not switch.isChecked() and target.value is None
        switch._disabled = False
        switch._update_enabled()
        qtbot.mouseClick(switch, Qt.MouseButton.LeftButton, pos=QPoint(10, 10))
        assert target.value is True

    def test_thumb_slides(self, make, qtbot):
        switch = make()
        switch.show()
        qtbot.waitExposed(switch)
        switch.click()
        assert switch._progress < 1.0 and switch._animation.duration() <= 200
        qtbot.waitUntil(lambda: switch._progress == 1.0, timeout=1000)
        switch.click()
        qtbot.waitUntil(lambda: switch._progress == 0.0, timeout=1000)


class TestPainting:
    @pytest.mark.parametrize("mode", ["light", "dark"])
    def test_track_and_thumb_in_the_theme_colours(self, make, theme, mode):
        theme.setMode(mode)
        page = theme.palette.background.default
        host = QWidget()
        host.setStyleSheet(f"background: {page};")
        switch = Switch(parent=host, checked=True)
        switch.resize(switch.sizeHint())
        host.resize(switch.size())
        colors = switch.colors()
        x, y = _thumb_centre(switch)
        track = switch._track_rect()
        image = host.grab().toImage()
        assert image.pixelColor(int(x), int(y)).name().upper() == colors["on"]["thumb"].upper()
        assert image.pixelColor(int(track.left() + 4), int(y)).name().upper() == colors["on"]["track"].upper()
        switch.setChecked(False)
        x, y = _thumb_centre(switch)
        image = host.grab().toImage()
        assert image.pixelColor(int(x), int(y)).name().upper() == colors["off"]["thumb"].upper()
        inside = image.pixelColor(int(track.right() - 6), int(y)).name().upper()
        assert _near(inside, composite(colors["off"]["track"], page))
        border = image.pixelColor(int(track.center().x()), int(track.top() + 1)).name().upper()
        assert QColor(border) == QColor(colors["off"]["border"])

    def test_theme_change_repaints_with_the_other_palette(self, make, theme):
        switch = make(checked=True)
        x, y = _thumb_centre(switch)
        light = _pixel(switch, x, y)
        theme.setMode("dark")
        assert _pixel(switch, x, y) == switch.colors()["on"]["thumb"].upper() != light

    def test_colour_parameter(self, make, theme):
        assert make(color="error", checked=True).colors()["on"]["track"] == theme.palette.error.main
        custom = make(color=State("#7635dc"), checked=True)
        assert custom.colors()["on"]["track"] == "#7635DC"
        assert custom.colors()["on"]["thumb"] == theme.getContrastText("#7635DC")
        assert make(color=State(5)).colors()["on"]["track"] == theme.palette.primary.main

    def test_focus_ring_only_from_the_keyboard(self, make):
        switch = make(label="Focus")
        ring = switch._track_rect().adjusted(-3, -3, 3, 3)
        at = (ring.center().x(), ring.top())
        focus = QColor(switch.colors()["focusRing"])

        def focus_event(kind, reason):
            QApplication.sendEvent(switch, QFocusEvent(kind, reason))

        focus_event(QEvent.Type.FocusIn, Qt.FocusReason.MouseFocusReason)
        assert QColor(_pixel(switch, *at)) != focus
        focus_event(QEvent.Type.FocusIn, Qt.FocusReason.TabFocusReason)
        assert QColor(_pixel(switch, *at)) == focus
        focus_event(QEvent.Type.FocusOut, Qt.FocusReason.TabFocusReason)
        assert QColor(_pixel(switch, *at)) != focus

    def test_disabled_is_drawn_faded(self, make, theme):
        on, off = make(checked=True), make(checked=True, disabled=True)
        x, y = _thumb_centre(on)
        track_x = on._track_rect().left() + 4
        assert _pixel(off, track_x, y) != _pixel(on, track_x, y)
        faded = QColor(_pixel(off, track_x, y))
        assert faded.lightness() > QColor(on.colors()["on"]["track"]).lightness()  # towards the white page
