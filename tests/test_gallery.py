"""The gallery application: every page builds and renders, screenshots, theme switch."""

import os
import subprocess
import sys
from pathlib import Path

import pytest
import shiboken6
from PySide6.QtCore import QTime
from PySide6.QtGui import QImage, QPalette
from PySide6.QtWidgets import QApplication, QLabel, QLayout, QPushButton, QWidget

import tovane
import tovane.gallery as gallery
from tovane.material.button import Button
from tovane.material.flintor.flintor import ToggleButton
from tovane.material.styles import useTheme
from tovane.material.switch import Switch

# The pages of the gallery's own modules (sliders, toggle_buttons, switches, time_picker).
OWN_PAGES = ("sliders", "toggle-buttons", "switches", "time-picker")


@pytest.fixture
def theme():
    theme = useTheme()
    mode = theme.mode
    yield theme
    theme.setMode(mode)


@pytest.fixture
def window(qtbot, theme):
    window = gallery.GalleryWindow()
    yield window
    # Deleted now: its widgets would otherwise still follow theme changes in later tests.
    if shiboken6.isValid(window):
        shiboken6.delete(window)


def _shown(window, width=900, height=600):
    window.setAttribute(gallery.Qt.WidgetAttribute.WA_DontShowOnScreen, True)
    window.show()
    window.resize(width, height)
    QApplication.processEvents()


def _distinct_colours(image, step=7):
    return {image.pixel(x, y) for x in range(0, image.width(), step) for y in range(0, image.height(), step)}


def test_every_page_builds_and_renders(window):
    assert window.failures == {}
    # The gallery's own pages first, then one page per module appended to PAGE_MODULES.
    assert [p.key for p in window.pages][:4] == list(OWN_PAGES) and len(window.pages) == len(gallery.PAGE_MODULES)
    assert window.stack.count() == window.nav.count() == len(gallery.PAGES)
    window.resize(900, 600)
    for index in range(window.stack.count()):
        window.showPage(index)
        assert window.stack.currentIndex() == index
        page = window.stack.currentWidget()
        image = page.grab().toImage()
        assert not image.isNull() and image.width() > 300 and image.height() > 300
        assert len(_distinct_colours(image)) > 3, window.pages[index].key  # more than a blank fill


def test_screenshots_in_process(tmp_path, capsys, theme):
    out = tmp_path / "shots"
    assert gallery.main(["--screenshots", str(out), "--size", "1000x700"]) == 0
    printed = capsys.readouterr().out.split()
    files = sorted(out.glob("*.png"))
    assert len(files) == 2 * len(gallery.PAGES)
    assert sorted(Path(p) for p in printed) == files
    light = QImage(str(out / "01-sliders-light.png"))
    dark = QImage(str(out / "01-sliders-dark.png"))
    assert (light.width(), light.height()) == (1000, 700)
    # The page background follows the theme.
    assert QImage(light).pixelColor(990, 690).lightness() > 200
    assert QImage(dark).pixelColor(990, 690).lightness() < 60
    assert theme.mode == "light"  # restored


def _child_env():
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    # The child imports the same tovane as this test (installed, or the tree).
    env["PYTHONPATH"] = os.pathsep.join([str(Path(tovane.__file__).parents[1]), env.get("PYTHONPATH", "")])
    return env


def test_headless_run_writes_screenshots_to_the_working_directory(tmp_path):
    done = subprocess.run([sys.executable, "-m", "tovane.gallery"], cwd=tmp_path, env=_child_env(),
                          capture_output=True, text=True, timeout=120)
    assert done.returncode == 0, done.stderr
    paths = [Path(line) for line in done.stdout.split()]
    assert len(paths) == 2 * len(gallery.PAGES)
    for path in paths:
        path = tmp_path / path
        assert path.parent == tmp_path / "screenshots" and path.stat().st_size > 1000


def test_window_alive_at_exit_leaves_quietly(tmp_path):
    # The window is still there when the interpreter exits (as after the
    # event loop returns, the application holding its grid): PySide then
    # deletes what Python owns in an order that varies from run to run
    # (this crashed, or restyled a half-deleted grid, layouts and frozen
    # column as the window gave the application its sheet back). A few
    # runs at once.
    script = tmp_path / "app.py"
    script.write_text(
        "from PySide6.QtWidgets import QApplication\n"
        "app = QApplication([])\n"
        "import tovane.gallery as gallery\n"
        "from tovane.material.marquel.marquel import DataGrid\n"
        "window = gallery.GalleryWindow()\n"
        "window.resize(900, 600)\n"
        "window.show()\n"
        "index = [p.key for p in gallery.PAGES].index('data-grid')\n"
        "window.showPage(index)\n"
        "app.processEvents()\n"
        "window.close()\n"
        "grid = window.page(index).findChild(DataGrid)\n"
        "print('shown')\n")
    env = _child_env() | {"QT_QPA_PLATFORM": "offscreen"}
    runs = [subprocess.Popen([sys.executable, str(script)], cwd=tmp_path, env=env, text=True,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE) for _ in range(4)]
    for run in runs:
        out, err = run.communicate(timeout=120)
        assert (run.returncode, out) == (0, "shown\n"), err
        assert "Traceback" not in err and "Error calling Python override" not in err, err[:2000]


def test_bad_command_line(capsys):
    with pytest.raises(SystemExit) as info:
        gallery.main(["--size", "wide"])
    assert info.value.code == 2
    assert "expected WIDTHxHEIGHT" in capsys.readouterr().err
    for argv, message in ((["--size", "300x200"], "at least 480x320"), (["--scale", "9"], "between 1 and 4")):
        with pytest.raises(SystemExit):
            gallery.main(argv)
        assert message in capsys.readouterr().err


def test_small_window_size_is_exact_and_nothing_collapses(tmp_path, theme):
    out = tmp_path / "small"
    assert gallery.main(["--screenshots", str(out), "--size", "640x420"]) == 0
    for path in out.glob("*.png"):
        image = QImage(str(path))
        assert (image.width(), image.height()) == (640, 420), path.name


def test_pages_keep_their_natural_size_in_a_small_window(window):
    _shown(window, 640, 420)
    assert (window.width(), window.height()) == (640, 420)
    for index in range(window.stack.count()):
        window.showPage(index)
        QApplication.processEvents()
        page = window.page(index)
        hint = page.minimumSizeHint()
        assert page.width() >= hint.width() and page.height() >= hint.height(), window.pages[index].key
        for label in page.findChildren(QLabel):
            if label.isVisibleTo(page) and label.text():
                assert label.height() >= label.fontMetrics().height(), (window.pages[index].key, label.text())


def test_screenshots_at_device_pixel_ratio_two(tmp_path, theme, monkeypatch):
    monkeypatch.setattr(gallery, "PAGES", [p for p in gallery.PAGES if p.key == "toggle-buttons"])
    assert gallery.main(["--screenshots", str(tmp_path / "1x"), "--size", "900x600"]) == 0
    assert gallery.main(["--screenshots", str(tmp_path / "2x"), "--size", "900x600", "--scale", "2"]) == 0
    name = "01-toggle-buttons-light.png"
    sharp, plain = QImage(str(tmp_path / "2x" / name)), QImage(str(tmp_path / "1x" / name))
    assert (sharp.width(), sharp.height()) == (1800, 1200)
    # Drawn at that resolution, not blown up: it differs from the 1x image scaled by two.
    blown_up = plain.scaled(1800, 1200).convertToFormat(sharp.format())
    differing = sum(sharp.pixel(x, y) != blown_up.pixel(x, y) for x in range(0, 1800, 3) for y in range(0, 1200, 3))
    assert differing > 2000


def _own_pages(window):
    for index, entry in enumerate(window.pages):
        if entry.key in OWN_PAGES:
            yield entry.key, window.page(index)


def test_one_visual_language_on_the_gallerys_pages(window, theme):
    _shown(window)
    sizes = {name: int(v.fontSize.rstrip("px")) for name, v in vars(theme.typography).items()}
    for key, page in _own_pages(window):
        window.showPage([p.key for p in window.pages].index(key))
        QApplication.processEvents()
        preview = [w for w in page.findChildren(QWidget) if w.property("surface") == "preview"]
        for label in page.findChildren(QLabel):
            if any(p.isAncestorOf(label) for p in preview) or not label.text():
                continue  # the demonstration's own labels, on its light card
            variant = label.property("variant")
            assert variant in sizes, (key, label.text())
            assert label.font().pixelSize() == sizes[variant], (key, label.text(), variant)
        for button in page.findChildren(QPushButton):
            assert isinstance(button, Button), (key, button.text())  # no platform push buttons
            assert button.height() == theme.controlHeight(button._props.get("size", "medium")), (key, button.text())
        for switch in page.findChildren(Switch):
            assert switch.height() == theme.controlHeight(switch._get_size())
        layouts = [page.layout()] + [c for c in page.findChildren(QLayout)]
        for layout in layouts:
            owner = layout.parentWidget()
            if any(p is owner or p.isAncestorOf(owner) for p in preview if owner is not None):
                continue  # the demonstration's own layout
            margins = layout.contentsMargins()
            values = [margins.left(), margins.top(), margins.right(), margins.bottom(), max(layout.spacing(), 0)]
            assert all(v % 8 == 0 for v in values), (key, values)


def test_failing_page_is_shown_and_reported(tmp_path, capsys, monkeypatch, qapp):
    def broken(ctx):
        raise RuntimeError("this page is broken")

    monkeypatch.setattr(gallery, "PAGES", [gallery.Page("broken", "Broken", broken)])
    assert gallery.main(["--screenshots", str(tmp_path)]) == 1
    captured = capsys.readouterr()
    assert "'broken' could not be built" in captured.err and "this page is broken" in captured.err
    assert len(list(tmp_path.glob("*-broken-*.png"))) == 2


def test_page_keys_are_unique():
    with pytest.raises(ValueError, match="exists already"):
        gallery.page("sliders", "Again", "A second page with the key.")(lambda ctx, widget, layout: None)


def test_dark_mode_switch(window, theme, qtbot):
    assert theme.mode == "light" and not window.modeSwitch.isChecked()
    window.modeSwitch.click()
    assert theme.mode == "dark"
    assert QApplication.palette().color(QPalette.ColorRole.Window).lightness() < 60
    theme.setMode("light")  # from elsewhere: the switch follows
    assert not window.modeSwitch.isChecked()
    assert QApplication.palette().color(QPalette.ColorRole.Window).lightness() > 200


def test_toggle_group_is_exclusive(window):
    page = window.page(1)
    group = [b for b in page.findChildren(ToggleButton) if b.text() in ("Day", "Week", "Month")]
    by_text = {b.text(): b for b in group}
    assert [b.isChecked() for b in (by_text["Day"], by_text["Week"], by_text["Month"])] == [False, True, False]
    by_text["Month"].click()
    assert by_text["Month"].isChecked() and not by_text["Week"].isChecked()
    assert by_text["Week"].property("selected") == "false" and by_text["Month"].property("selected") == "true"
    assert any(label.text() == "value() of the checked button: 'month'" for label in page.findChildren(QLabel))


class TestTimeEditPicker:
    def test_set_time_emits_once_and_updates_the_editor(self, qtbot):
        picker = gallery.TimeEditPicker()
        qtbot.addWidget(picker)
        seen = []
        picker.timeChanged.connect(seen.append)
        picker.setTime(QTime(9, 15))
        picker.setTime(QTime(9, 15))  # unchanged: no signal
        assert seen == [QTime(9, 15)]
        assert picker.getTime() == QTime(9, 15) and picker._edit.time() == QTime(9, 15)

    def test_editing_emits_the_new_time(self, qtbot):
        picker = gallery.TimeEditPicker()
        qtbot.addWidget(picker)
        with qtbot.waitSignal(picker.timeChanged) as signal:
            picker._edit.setTime(QTime(7, 45))
        assert signal.args == [QTime(7, 45)] and picker.getTime() == QTime(7, 45)

    def test_seconds_column(self, qtbot):
        picker = gallery.TimeEditPicker(showSeconds=1)
        qtbot.addWidget(picker)
        assert picker.isSecondVisible() == 1 and picker._edit.displayFormat() == "HH:mm:ss"
        picker.setSecondVisible(False)
        assert picker.isSecondVisible() is False and picker._edit.displayFormat() == "HH:mm"
        assert picker.getTime().isNull()  # nothing set yet


    def test_clock_picks_hour_and_minute(self, qtbot):
        picker = gallery.TimeEditPicker()
        qtbot.addWidget(picker)
        picker.setTime(QTime(10, 30))

        def popup():
            (open_,) = [w for w in picker.children() if isinstance(w, QWidget) and w.isWindow() and w.isVisible()]
            buttons = open_.findChildren(Button)
            assert len(buttons) == 24 + 12
            return buttons[:24], buttons[24:]

        picker._clock.click()
        hours, minutes = popup()
        assert [b.text() for b in hours if b.isSelected()] == ["10"]
        assert [b.text() for b in minutes if b.isSelected()] == ["30"]
        hours[7].click()
        assert picker.getTime() == QTime(7, 30)
        hours, minutes = popup()  # open again, on the new hour
        assert [b.text() for b in hours if b.isSelected()] == ["07"]
        minutes[9].click()
        assert picker.getTime() == QTime(7, 45)
        assert not [w for w in picker.children() if isinstance(w, QWidget) and w.isWindow() and w.isVisible()]


def test_switch_page_shows_live_switches_and_readable_refusals(window, qtbot):
    _shown(window)
    window.showPage(2)
    QApplication.processEvents()
    page = window.page(2)
    switches = {s.text(): s for s in page.findChildren(Switch)}
    assert {"Notifications", "Wi-Fi", "Bluetooth", "primary", "warning", "disabled"} <= set(switches)
    texts = [label.text() for label in page.findChildren(QLabel)]
    assert not any("DeZidOzezuzavuvArazo" in t or "[INVALID" in t for t in texts)
    assert "color='purple' is not one of its values. Use one of 'default', 'primary', 'secondary', 'error', " \
           "'info', 'success', 'warning', or a State." in texts
    assert "checked='yes' is a str; checked takes State or bool." in texts
    # The same parameters as before, live: the values resolve through States and fall back.
    wifi, bluetooth = switches["Wi-Fi"], switches["Bluetooth"]
    assert wifi.isChecked() and wifi.value() == "wifi" and wifi.height() == 32
    assert bluetooth.height() == 32 and bluetooth.colors()["on"]["track"] == "#7635DC"
    wifi.click()
    assert "checkedState.value is False" in [label.text() for label in page.findChildren(QLabel)]
    before = bluetooth._track_rect().left()
    (swap,) = [b for b in page.findChildren(Button) if b.text() == "Swap sides"]
    swap.click()
    assert bluetooth._get_left() is True and bluetooth._track_rect().left() < before
