"""FormHelperText: construction, rendering, text and error states, its style sheet."""

import functools
import inspect
import re
import typing

import pytest
import shiboken6
from PySide6.QtCore import QPoint, Qt
from PySide6.QtTest import QTest
from PySide6.QtWidgets import QLabel, QPushButton, QWidget

import tovane.material.drevasse._serializer as serializer_module
from tovane.errors import DeZidOzezuzavuvArazo
from tovane.hooks import State, useEffect
from tovane.i18n.use_translation import i18n, translate
from tovane.material.component import Component, RenderContext
from tovane.material.drevasse import drevasse
from tovane.material.styles import get_qss_style, useTheme
from tovane.utils.translator import getTranslatedText

FormHelperText = drevasse.FormHelperText


@pytest.fixture
def render(qtbot, theme):
    host = QWidget()
    qtbot.addWidget(host)

    def render(**kwargs):
        label = FormHelperText(**kwargs)
        assert label.renderUi(RenderContext(), parent=host) is label
        return label
    return render


# The label's rule rebuilt from the theme's "helperLabel" style.
def expected_sheet(error):
    label = useTheme().components["MuiInput"].get("styles")["helperLabel"]({"color": None})
    error_qss = get_qss_style(label["slots"]["error"]) if error == "True" else ""
    return ("\n" + " " * 12 + "QLabel {\n" + " " * 16 + get_qss_style(label) + "\n" + " " * 16
            + "/* MuiInput_helperLabel_slot_color_qss */\n" + " " * 16 + error_qss + "\n" + " " * 12 + "}\n"
            + " " * 8)


def test_module_and_class_surface():
    expected = [("lru_cache", functools.lru_cache), ("Optional", typing.Optional), ("Union", typing.Union),
                ("QLabel", QLabel), ("QWidget", QWidget), ("Qt", Qt), ("State", State), ("useEffect", useEffect),
                ("useTheme", useTheme), ("translate", translate), ("i18n", i18n), ("get_qss_style", get_qss_style),
                ("getTranslatedText", getTranslatedText), ("Component", Component),
                ("RenderContext", RenderContext), ("Serializer", serializer_module.Serializer)]
    for name, value in expected:
        assert getattr(drevasse, name) is value, name
    names = list(vars(drevasse))
    order = [n for n, _ in expected] + ["FormHelperText"]
    assert sorted(order, key=names.index) == order
    assert FormHelperText.__bases__ == (QLabel, Component, serializer_module.Serializer)
    assert FormHelperText.__module__ == "drevasse"
    own = [k for k in vars(FormHelperText) if not k.startswith("__") and k != "staticMetaObject" or k == "__init__"]
    assert own == ["__init__", "renderUi", "_getHelperText", "_getError", "_updateHelperText", "_updateStyle",
                   "setField", "_describeField", "_get_stylesheet"]
    assert isinstance(vars(FormHelperText)["_get_stylesheet"], classmethod)
    assert FormHelperText._get_stylesheet.__qualname__ == "FormHelperText._get_stylesheet"
    assert str(inspect.signature(FormHelperText._get_stylesheet)) == "(error: 'str')"
    assert str(inspect.signature(FormHelperText.renderUi)) == \
        "(self, ctx: 'RenderContext', parent: 'Optional[QWidget]' = None) -> 'QWidget'"


class TestConstruction:
    def test_stores_parameters_and_makes_no_qt_call(self, qapp):
        text = State("Hint")
        label = FormHelperText(None, 1, text=text, error=True)
        assert not shiboken6.isValid(label)
        assert label._text is text and label._error is True
        assert label._getHelperText() == "Hint" and label._getError() is True

    @pytest.mark.parametrize("name, value", [
        ("text", 5), ("error", 1), ("disabled", "yes"), ("required", None), ("variant", "round"),
        ("margin", "wide"), ("id", 3), ("sx", "color: red"),
    ])
    def test_rejected_parameters_raise_at_construction(self, theme, name, value):
        receivers = theme.state.receivers("2valueChanged(PyObject)")
        with pytest.raises(DeZidOzezuzavuvArazo) as info:
            FormHelperText(**{name: value})
        assert info.value.param_name == name and info.value.param_value is value
        assert f"'{name}'" in str(info.value) and repr(value) in str(info.value)
        assert theme.state.receivers("2valueChanged(PyObject)") == receivers


class TestRender:
    def test_name_text_and_sheet(self, render):
        label = render(text="Required", error=False)
        assert re.fullmatch(r"FormHelperText-\d+", label.objectName())
        assert label.objectName() == f"FormHelperText-{id(label)}" and label.theme is useTheme()
        assert label.text() == "Required"
        assert label.styleSheet() == expected_sheet("False")
        assert label.styleSheet().splitlines()[3:5] == [" " * 16 + "/* MuiInput_helperLabel_slot_color_qss */",
                                                        " " * 16]

    @pytest.mark.parametrize("error, shown", [(True, True), ("True", True), ("true", False), (False, False),
                                              (None, False), (State(True), True)])
    def test_error_style(self, render, error, shown):
        label = render(text="x", error=error)
        assert label.styleSheet() == expected_sheet("True" if shown else "False")

    def test_text_state_is_translated_on_each_change(self, render, monkeypatch):
        seen = []
        monkeypatch.setattr(drevasse, "getTranslatedText", lambda v: (seen.append(v), getTranslatedText(v))[1])
        text = State("one")
        label = render(text=text)
        text.value = "two"
        assert label.text() == "two" and seen[-1] == "two"
        text.value = lambda: "Required"
        assert label.text() == "Required"
        try:
            i18n.changeLanguage("vi")
            text.notify()
            assert label.text() == "Bắt buộc"
        finally:
            i18n.changeLanguage("en")
        text.value = None
        assert label.text() == ""

    def test_mouse_events_reach_the_control_beneath(self, qtbot, theme):
        window = QWidget()
        qtbot.addWidget(window)
        window.resize(200, 60)
        button = QPushButton("under", window)
        button.setGeometry(0, 0, 200, 60)
        clicks = []
        button.clicked.connect(lambda: clicks.append(1))
        label = FormHelperText(text="over the button")
        label.renderUi(RenderContext(), parent=window)
        label.setGeometry(0, 0, 200, 60)
        label.raise_()
        window.show()
        qtbot.waitExposed(window)
        assert label.testAttribute(Qt.WidgetAttribute.WA_TransparentForMouseEvents)
        assert window.childAt(QPoint(100, 30)) is button
        QTest.mouseClick(window.windowHandle(), Qt.MouseButton.LeftButton, Qt.KeyboardModifier.NoModifier,
                         QPoint(100, 30))
        assert clicks == [1]


class TestErrorState:
    def test_switching_the_error_rebuilds_the_sheet_and_repolishes(self, render):
        error = State(False)
        label = render(text=State("Invalid"), error=error)
        polished = []

        class Recorder:
            def __init__(self, style):
                self.style = style

            def unpolish(self, widget):
                polished.append(("unpolish", widget.styleSheet()))
                self.style.unpolish(widget)

            def polish(self, widget):
                polished.append(("polish", widget.styleSheet()))
                self.style.polish(widget)

        original = label.style()
        label.style = lambda: Recorder(original)
        error.value = True
        assert label.styleSheet() == expected_sheet("True")  # at once, not at the next text change
        assert polished == [("unpolish", expected_sheet("True")), ("polish", expected_sheet("True"))]
        error.value = False
        assert label.styleSheet() == expected_sheet("False") and len(polished) == 4

    def test_theme_switch_restyles(self, render, theme):
        labels = [render(text="a", error=True), render(text="b"), render(text="c", error=State(True))]
        light = [label.styleSheet() for label in labels]
        theme.setMode("dark")
        assert [label.styleSheet() for label in labels] == \
            [expected_sheet("True"), expected_sheet("False"), expected_sheet("True")]
        assert all(d != l for d, l in zip((label.styleSheet() for label in labels), light))
        assert theme.palette.text.secondary in labels[1].styleSheet()

    def test_a_theme_without_the_entry_raises(self, render, theme, monkeypatch):
        FormHelperText._get_stylesheet.cache_clear()
        monkeypatch.setattr(theme, "components", {"MuiInput": {"styles": {}}})
        with pytest.raises(KeyError, match="helperLabel"):
            render(text="x")


class TestCache:
    def test_hits_make_no_theme_lookup(self, qapp, monkeypatch):
        FormHelperText._get_stylesheet.cache_clear()
        lookups = []
        monkeypatch.setattr(drevasse, "useTheme", lambda: (lookups.append(1), useTheme())[1])
        first = FormHelperText._get_stylesheet(error="True")
        assert FormHelperText._get_stylesheet(error="True") is first and lookups == [1]
        assert FormHelperText._get_stylesheet("True") == first and lookups == [1, 1]  # another key
        info = FormHelperText._get_stylesheet.cache_info()
        assert (info.hits, info.misses, info.maxsize) == (1, 2, 128)

    @pytest.mark.parametrize("value", [None, True, type("Text", (str,), {})("fresh")])
    def test_error_must_be_exactly_str(self, qapp, value):
        with pytest.raises(TypeError, match=r"Argument 'error' has incorrect type \(expected str, got "):
            FormHelperText._get_stylesheet(error=value)
