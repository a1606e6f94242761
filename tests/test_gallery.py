"""The gallery application: every page builds and renders, screenshots, theme switch."""

import os
import subprocess
import sys
from pathlib import Path

import pytest
from PySide6.QtCore import QTime
from PySide6.QtGui import QImage, QPalette
from PySide6.QtWidgets import QApplication, QLabel

import tovane
import tovane.gallery as gallery
from tovane.material.flintor.flintor import ToggleButton
from tovane.material.styles import useTheme


@pytest.fixture
def theme():
    theme = useTheme()
    mode = theme.mode
    yield theme
    theme.setMode(mode)


@pytest.fixture
def window(qtbot, theme):
    window = gallery.GalleryWindow()
    qtbot.addWidget(window)
    return window


def _distinct_colours(image, step=7):
    return {image.pixel(x, y) for x in range(0, image.width(), step) for y in range(0, image.height(), step)}


def test_every_page_builds_and_renders(window):
    assert window.failures == {}
    assert [p.key for p in window.pages] == ["sliders", "toggle-buttons", "switch-parameters", "time-picker",
                                             "lists", "forms"]
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


def test_headless_run_writes_screenshots_to_the_working_directory(tmp_path):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    # The child imports the same tovane as this test (installed, or the tree).
    env["PYTHONPATH"] = os.pathsep.join([str(Path(tovane.__file__).parents[1]), env.get("PYTHONPATH", "")])
    done = subprocess.run([sys.executable, "-m", "tovane.gallery"], cwd=tmp_path, env=env,
                          capture_output=True, text=True, timeout=120)
    assert done.returncode == 0, done.stderr
    paths = [Path(line) for line in done.stdout.split()]
    assert len(paths) == 2 * len(gallery.PAGES)
    for path in paths:
        path = tmp_path / path
        assert path.parent == tmp_path / "screenshots" and path.stat().st_size > 1000


def test_bad_command_line(capsys):
    with pytest.raises(SystemExit) as info:
        gallery.main(["--size", "wide"])
    assert info.value.code == 2
    assert "expected WIDTHxHEIGHT" in capsys.readouterr().err


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
        gallery.page("sliders", "Again")(lambda ctx: None)


def test_dark_mode_switch(window, theme, qtbot):
    assert theme.mode == "light" and not window.modeSwitch.isChecked()
    window.modeSwitch.click()
    assert theme.mode == "dark"
    assert QApplication.palette().color(QPalette.ColorRole.Window).lightness() < 60
    theme.setMode("light")  # from elsewhere: the switch follows
    assert not window.modeSwitch.isChecked()
    assert QApplication.palette().color(QPalette.ColorRole.Window).lightness() > 200


def test_toggle_group_is_exclusive(window):
    page = window.stack.widget(1)
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


def test_switch_page_shows_fallbacks_and_rejections(window):
    page = window.stack.widget(2)
    texts = [label.text() for label in page.findChildren(QLabel)]
    errors = [t for t in texts if t.startswith("DeZidOzezuzavuvArazo: ")]
    assert len(errors) == 2
    assert "'purple'" in errors[0] and "'color'" in errors[0] and "'checked'" in errors[1]
    # The State column resolves values and applies the size and edge fallbacks.
    assert {"'Bluetooth'", "'#7635DC'", "'small'", "'medium'", "'primary'"} <= set(texts)
