"""The gallery's form page: helper texts following the inputs, the language
switch, the error style on and off, and a theme switch."""

import re

import pytest
from PySide6.QtWidgets import QApplication, QLineEdit

import tovane.gallery as gallery
from tovane.i18n.use_translation import i18n
from tovane.material.drevasse import FormHelperText
from tovane.material.flintor.flintor import ToggleButton
from tovane.material.styles import useTheme


@pytest.fixture
def forms_page(gallery_page):
    yield gallery_page("forms")
    i18n.changeLanguage("en")


def _helper(page, startswith):
    return next(h for h in page.findChildren(FormHelperText) if h.text().startswith(startswith))


def _editor(page, placeholder):
    return next(e for e in page.findChildren(QLineEdit) if e.placeholderText() == placeholder)


def test_text_follows_typing(forms_page):
    counter = _helper(forms_page, "3/20")
    _editor(forms_page, "Pick a user name").setText("grace hopper")
    assert counter.text() == "12/20 characters"


def test_language_switch(forms_page):
    required = _helper(forms_page, "Required")
    vietnamese = next(b for b in forms_page.findChildren(ToggleButton) if b.text() == "Tiếng Việt")
    vietnamese.click()
    assert required.text() == "Bắt buộc"
    next(b for b in forms_page.findChildren(ToggleButton) if b.text() == "English").click()
    assert required.text() == "Required"


def test_error_style_on_and_off(forms_page):
    message = _helper(forms_page, "Use digits")
    error_colour = useTheme().components["MuiInput"]["styles"]["helperLabel"]({})["slots"]["error"]["color"]
    assert error_colour in message.styleSheet()
    _editor(forms_page, "Your age in years").setText("42")
    assert message.text() == "A whole number of years" and error_colour not in message.styleSheet()
    _editor(forms_page, "Your age in years").setText("4x")
    assert error_colour in message.styleSheet()


def test_fields_in_the_outlined_style_with_the_error_outline(forms_page, qtbot):
    # Every field is as high as a medium control; the one in error carries
    # the property that the window's sheet gives the error outline, and loses
    # it when the input is right.
    theme = useTheme()
    assert {e.height() for e in forms_page.findChildren(QLineEdit)} == {theme.controlHeight("medium")}
    age = _editor(forms_page, "Your age in years")
    assert age.objectName() == "GalleryField" and age.property("error") == "true"
    age.setText("42")
    assert age.property("error") == "false"
    window = gallery.GalleryWindow(pages=[])
    qtbot.addWidget(window)
    # The window themes the application: its sheet gives a field in error the error outline.
    sheet = QApplication.instance().styleSheet()
    rule = re.search(r"QLineEdit\[error=true\][^{]*\{([^}]*)\}", sheet)
    assert rule and theme.palette.error.main.lower() in rule.group(1).lower()


def test_theme_switch_restyles(forms_page):
    helpers = forms_page.findChildren(FormHelperText)
    light = [h.styleSheet() for h in helpers]
    useTheme().setMode("dark")
    assert all(h.styleSheet() != s for h, s in zip(helpers, light))
