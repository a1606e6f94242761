"""apply_theme: the theme's palette, font and style sheet for Qt's own widgets,
following theme changes, given back on remove(); drawn colours checked on
real widgets."""

import pytest
from PySide6.QtCore import Qt
from PySide6.QtGui import QPalette
from PySide6.QtWidgets import (QAbstractSpinBox, QApplication, QDoubleSpinBox, QLineEdit, QProgressBar, QScrollBar,
                               QSpinBox, QTimeEdit, QWidget)

from tovane.hooks import _Effect
from tovane.material import ThemeBinding, apply_theme, qt_style_sheet
from tovane.material.styles import Theme, contrast_ratio


@pytest.fixture
def app(qapp):
    before = (QPalette(qapp.palette()), qapp.styleSheet())
    yield qapp
    binding = qapp.__dict__.get("_tovaneThemeBinding")
    if binding is not None:
        binding.remove()
    assert (qapp.palette(), qapp.styleSheet()) == before


def _window_colour(widget):
    return widget.palette().color(QPalette.ColorRole.Window).name().upper()


def _drawn(widget, width, height):
    widget.setAttribute(Qt.WidgetAttribute.WA_DontShowOnScreen, True)
    widget.resize(width, height)
    widget.show()
    QApplication.processEvents()
    return widget.grab().toImage()


def test_the_application_follows_the_theme_and_gets_back_what_it_had(app, theme, qtbot):
    original_sheet = app.styleSheet()
    binding = apply_theme()
    assert isinstance(binding, ThemeBinding) and binding.target is app and binding.theme is theme
    assert _window_colour(app) == theme.palette.background.default
    assert app.styleSheet() == "QWidget { font-size: 14px; }\n" + qt_style_sheet(theme)
    theme.setMode("dark")
    assert _window_colour(app) == theme.getPalette("dark").background.default
    assert app.styleSheet().endswith(qt_style_sheet(theme)) and theme.getPalette("dark").outline in app.styleSheet()
    # Applied again: the earlier binding is replaced, one effect follows the theme.
    again = apply_theme(app)
    assert len([e for e in app.children() if isinstance(e, _Effect) and not e._disposed]) == 1
    binding.remove()  # replaced: gives nothing back
    assert app.styleSheet().endswith(qt_style_sheet(theme))
    again.remove()
    assert app.styleSheet() == original_sheet
    theme.setMode("light")  # no longer followed
    assert app.styleSheet() == original_sheet


def test_one_window_only(app, theme, qtbot):
    window, elsewhere = QWidget(), QWidget()
    qtbot.addWidget(window)
    qtbot.addWidget(elsewhere)
    own = Theme("dark")
    apply_theme(window, own)
    assert _window_colour(window) == own.palette.background.default
    assert _window_colour(elsewhere) != own.palette.background.default and app.styleSheet() == ""
    assert "QScrollBar" in window.styleSheet()
    own.setMode("light")
    assert _window_colour(window) == own.palette.background.default


def test_bad_targets(app):
    with pytest.raises(TypeError, match="QApplication or a QWidget"):
        apply_theme("window")
    with pytest.raises(TypeError, match="must be a Theme"):
        apply_theme(app, theme="dark")


@pytest.mark.parametrize("mode", ["light", "dark"])
def test_scroll_bar_handle_stands_out_from_its_track(app, theme, qtbot, mode):
    # Drawn, not read from the sheet: the handle's colour against the track's
    # reaches the 3:1 of a control's parts, the field's border as well.
    theme.setMode(mode)
    apply_theme(app)
    bar = QScrollBar(Qt.Orientation.Vertical)
    qtbot.addWidget(bar)
    bar.setRange(0, 100)
    bar.setPageStep(20)
    image = _drawn(bar, 12, 300)
    track = image.pixelColor(6, 290).name()
    handle = image.pixelColor(6, 20).name()
    assert track.upper() == theme.palette.background.neutral
    assert contrast_ratio(handle, track) >= 3.0, (mode, handle, track)

    progress = QProgressBar()
    qtbot.addWidget(progress)
    progress.setValue(50)
    progress.setTextVisible(False)
    image = _drawn(progress, 200, 12)
    chunk, rest = image.pixelColor(20, 6).name(), image.pixelColor(180, 6).name()
    assert chunk.upper() == theme.palette.primary.main
    assert contrast_ratio(chunk, rest) >= 3.0

    field = QLineEdit()
    qtbot.addWidget(field)
    image = _drawn(field, 200, 40)
    border, inside = image.pixelColor(100, 0).name(), image.pixelColor(100, 20).name()
    assert contrast_ratio(border, inside) >= 3.0 and inside.upper() == theme.palette.background.paper


def test_spin_boxes_with_and_without_buttons_show_their_text(app, theme, qtbot):
    # A spin box or time field without buttons (a common editor in forms and
    # in item views) once got a text field 1 px wide under the sheet; each
    # field is as wide as the box less its frame and what the buttons take.
    apply_theme(app)
    for make in (QSpinBox, QDoubleSpinBox, QTimeEdit):
        widths = {}
        for symbols in (QAbstractSpinBox.ButtonSymbols.UpDownArrows, QAbstractSpinBox.ButtonSymbols.NoButtons):
            box = make()
            qtbot.addWidget(box)
            box.setButtonSymbols(symbols)
            _drawn(box, 200, 40)
            editor = box.lineEdit()
            assert editor.fontMetrics().horizontalAdvance(editor.text()) < editor.width() <= 200, (make, symbols)
            widths[symbols] = editor.width()
        assert widths[QAbstractSpinBox.ButtonSymbols.NoButtons] >= widths[QAbstractSpinBox.ButtonSymbols.UpDownArrows] + 20
