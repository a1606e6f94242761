"""PyWidgetBase and WidgetSetter: the module surface, set-up, sx sources,
text and styles, pseudo-class text, event callbacks and the tooltip filter."""

import inspect
import subprocess
import sys
import textwrap

import pytest
from PySide6.QtCore import QEvent, QPointF, QRunnable, Qt, QThreadPool
from PySide6.QtGui import QEnterEvent, QFocusEvent, QMouseEvent
from PySide6.QtWidgets import QApplication, QWidget

import tovane.material.brevant as package
from tovane.errors import DeZidOzezuzavuvArazo
from tovane.hooks import State
from tovane.material.brevant import brevant
from tovane.material.brevant import PyWidgetBase, WidgetSetter
from tovane.material.styles import get_qss_style
from tovane.material.tooltip import ToolTipFilter
from brevant_widgets import Box




class Bare(QWidget, PyWidgetBase):
    """A widget whose foundation half holds nothing yet (PySide runs the
    mixin's initialiser after QWidget's, so its attributes are dropped)."""

    def __init__(self):
        QWidget.__init__(self)
        vars(self).clear()


METHODS = [
    "__init__", "_setUpUi", "_do_task_async", "_PyWidgetBase__setup_vh_or_vw_height_width",
    "_update_height_vh_on_mainwindow_resize", "_installTooltipFilter", "_getTranslatedText",
    "setupPseudoClasses", "set_styleFn", "_update_component_styles", "_on_destroyed",
    "_setup_sx_position", "_initialize_positioning", "_parse_size_value", "_update_size_from_sx",
    "_PyWidgetBase__get_sx_dict", "_PyWidgetBase__contvert_to_percent_value",
    "_get_float_or_percent_sx_value", "_apply_float_and_percent_sx_value", "_on_sx_changed",
    "_get_position_from_sx", "_get_sx_value", "_add_absolute_child", "_remove_absolute_child",
    "update_absolute_position", "_ajustPositionBaseOnParentMarginValue", "update_absolute_children",
    "resizeEvent", "paintEvent", "enterEvent", "leaveEvent", "mousePressEvent", "mouseReleaseEvent",
    "focusInEvent", "focusOutEvent",
]


# --- module and function objects ------------------------------------------------

class TestSurface:
    def test_globals_bound_in_import_order(self):
        names = [n for n in vars(brevant) if not n.startswith("__")]
        assert names == [
            "asyncio", "Optional", "Callable", "Union", "QGraphicsOpacityEffect", "QApplication",
            "QEvent", "QPropertyAnimation", "QEasingCurve", "QPoint", "QSize", "QRunnable",
            "QThreadPool", "QTimer", "QPalette", "ToolTipFilter", "get_qss_style", "State", "i18n",
            "translate", "DeZidOzezuzavuvArazo", "_validate_param", "WidgetSetter", "PyWidgetBase",
        ]
        assert brevant.ToolTipFilter is ToolTipFilter and brevant.State is State
        assert package.PyWidgetBase is PyWidgetBase and package.WidgetSetter is WidgetSetter

    def test_failed_host_import_fails_the_module(self):
        code = textwrap.dedent("""
            import sys
            sys.modules["tovane.material.styles"] = None
            try:
                import tovane.material.brevant.brevant
            except ImportError as e:
                print("ImportError", "tovane.material.styles" in str(e))
        """)
        out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=120,
                             env={**__import__("os").environ, "QT_QPA_PLATFORM": "offscreen"})
        assert out.stdout.strip() == "ImportError True", out.stderr

    def test_classes(self):
        assert PyWidgetBase.__bases__ == (object,)
        assert WidgetSetter.__bases__ == (QRunnable,)
        for cls in (PyWidgetBase, WidgetSetter):
            assert cls.__module__ == "brevant" and cls.__qualname__ == cls.__name__
        body = [n for n in vars(PyWidgetBase) if not n.startswith("__") or n == "__init__"]
        assert body == METHODS
        assert not hasattr(PyWidgetBase, "__get_sx_dict")

    def test_function_objects(self):
        for name in METHODS:
            fn = vars(PyWidgetBase)[name]
            short = name.replace("_PyWidgetBase", "")
            assert fn.__name__ == short
            assert fn.__qualname__ == "PyWidgetBase." + short
            assert fn.__module__ == "brevant"
        assert WidgetSetter.__init__.__qualname__ == "WidgetSetter.__init__"
        assert WidgetSetter.run.__qualname__ == "WidgetSetter.run"
        assert inspect.iscoroutinefunction(WidgetSetter.run)
        assert not inspect.iscoroutinefunction(PyWidgetBase._do_task_async)

    def test_annotations_are_text(self):
        cb = "Optional[Callable]"
        assert PyWidgetBase.__init__.__annotations__ == {
            "onMouseEnter": cb, "onMouseLeave": cb, "onMousePress": cb, "onMouseRelease": cb,
            "onFocusIn": cb, "onFocusOut": cb, "tooltip": "Optional[str]",
            "tooltipPlacement": "Optional[str]", "tooltipLeaveDelay": "Optional[int]"}
        assert str(inspect.signature(PyWidgetBase.__init__)).endswith(
            "tooltipPlacement: 'Optional[str]' = 'top', tooltipLeaveDelay: 'Optional[int]' = 0, "
            "*args, **kwargs)")
        expected = {
            "_update_height_vh_on_mainwindow_resize": {"new_size": "QSize"},
            "setupPseudoClasses": {"sx": "dict"},
            "_setup_sx_position": {"sx": "Optional[Union[Callable, str, Dict]]"},
            "_get_position_from_sx": {"return": "Optional[str]"},
            "_get_sx_value": {"key": "str", "return": "Optional[Union[str, int]]"},
            "_add_absolute_child": {"child": "'PyWidgetBase'"},
            "_remove_absolute_child": {"child": "'PyWidgetBase'"},
            "focusInEvent": {"return": "None"},
            "focusOutEvent": {"return": "None"},
            "enterEvent": {},
            "_setUpUi": {},
        }
        for name, annotations in expected.items():
            assert getattr(PyWidgetBase, name).__annotations__ == annotations, name
        assert str(inspect.signature(PyWidgetBase._setUpUi)) == "(self, **kwargs)"
        assert str(inspect.signature(WidgetSetter.__init__)) == "(self, fn)"

    def test_argument_type_checks(self, qapp):
        w = Box()
        cases = [
            ({"tooltip": 5}, "Argument 'tooltip' has incorrect type (expected str, got int)"),
            ({"tooltipPlacement": b"top"}, "Argument 'tooltipPlacement' has incorrect type (expected str, got bytes)"),
            ({"tooltipLeaveDelay": "250"}, "Argument 'tooltipLeaveDelay' has incorrect type (expected int, got str)"),
            ({"tooltipLeaveDelay": 2.5}, "Argument 'tooltipLeaveDelay' has incorrect type (expected int, got float)"),
            ({"tooltip": 1, "tooltipLeaveDelay": "x"}, "Argument 'tooltip' has incorrect type (expected str, got int)"),
            # type(value).__name__, also for Qt's own classes
            ({"tooltip": QPointF()}, "Argument 'tooltip' has incorrect type (expected str, got QPointF)"),
        ]
        for kwargs, message in cases:
            w._tooltip = "kept"
            with pytest.raises(TypeError) as info:
                PyWidgetBase.__init__(w, **kwargs)
            assert str(info.value) == message
            assert w._tooltip == "kept"  # checked before anything is stored
        PyWidgetBase.__init__(w, tooltipLeaveDelay=True, tooltip=None, tooltipPlacement=None)
        assert w._tooltipLeaveDelay is True and w._tooltipPlacement is None

        with pytest.raises(TypeError, match=r"^Argument 'key' has incorrect type \(expected str, got int\)$"):
            w._get_sx_value(5)
        with pytest.raises(TypeError, match=r"got NoneType\)$"):
            w._get_sx_value(None)

        class Text(str):
            pass

        for value, name in ((3, "int"), (Text("absolute"), "Text"), (b"absolute", "bytes")):
            w._sx = {"position": value}
            with pytest.raises(TypeError) as info:
                w._get_position_from_sx()
            assert str(info.value) == f"Expected str, got {name}"
        w._sx = {"position": "relative"}
        assert w._get_position_from_sx() == "relative"
        with pytest.raises(TypeError, match=r"^PyWidgetBase\._get_sx_value\(\) missing 1 required positional argument: 'key'$"):
            w._get_sx_value()


# --- set-up ---------------------------------------------------------------------

class TestSetUp:
    def test_init_defaults(self, qapp):
        w = Box()
        assert (w._tooltip, w._tooltipPlacement, w._tooltipLeaveDelay) == (None, "top", 0)
        for name in ("_onMouseEnter", "_onMouseLeave", "_onMousePress", "_onMouseRelease", "_onFocusIn",
                     "_onFocusOut", "_palette_text_color", "component_styles", "_position", "_left", "_top",
                     "_right", "_bottom", "_relative_to", "_width", "_height", "_width_type", "_height_type",
                     "_opacity_value"):
            assert getattr(w, name) is None, name
        assert w._imported is False and w._child_abs == []
        assert w._thread_pool is QThreadPool.globalInstance()
        assert not hasattr(w, "_key") and not hasattr(w, "_sx_pop_keys")
        assert Box()._child_abs is not w._child_abs

    def test_init_stores_arguments_and_ignores_the_rest(self, qapp):
        w = Bare()
        callbacks = [object() for _ in range(6)]
        PyWidgetBase.__init__(w, "parent?", *callbacks, "tip", "bottom", None, "extra", 1, key="k")
        assert [w._onMouseEnter, w._onMouseLeave, w._onMousePress, w._onMouseRelease, w._onFocusIn,
                w._onFocusOut] == callbacks
        assert (w._tooltip, w._tooltipPlacement, w._tooltipLeaveDelay) == ("tip", "bottom", None)
        assert w.parent() is None and not hasattr(w, "_key") and not hasattr(w, "_sx")

    def test_setupui(self, qapp):
        w = Bare()
        assert w._setUpUi() is None
        assert (w._tooltip, w._tooltipPlacement, w._tooltipLeaveDelay, w._key) == (None, None, 0, None)
        assert w._sx_pop_keys == [] and w._imported is False and w.component_styles is None
        assert not hasattr(w, "_child_abs") and not hasattr(w, "_thread_pool") and not hasattr(w, "_position")
        for delay, stored in ((0, 0), (None, 0), ("", 0), (250, 250)):
            w._setUpUi(tooltipLeaveDelay=delay)
            assert w._tooltipLeaveDelay == stored and type(w._tooltipLeaveDelay) is type(stored)
        enter = lambda: None  # noqa: E731
        w._setUpUi(onMouseEnter=enter, onFocusOut=print, tooltip="t", tooltipPlacement="left", key=7, other=1)
        assert (w._onMouseEnter, w._onFocusOut, w._onMousePress) == (enter, print, None)
        assert (w._tooltip, w._tooltipPlacement, w._key) == ("t", "left", 7)

    def test_small_setters(self, qapp):
        w = Box()
        fn = lambda theme: {}  # noqa: E731
        w.set_styleFn(fn)
        assert w.styleFn is fn

        class Theme:
            components = {"MuiX": {}}

        table = {"MuiY": {}}
        w._update_component_styles(Theme, table)
        assert w.component_styles is table
        for falsy in ({}, None, 0):
            w._update_component_styles(Theme, falsy)
            assert w.component_styles is Theme.components
        with pytest.raises(AttributeError):
            w._update_component_styles(object(), None)
        assert w._on_destroyed() is None and w.paintEvent(None) is None


# --- the sx source ------------------------------------------------------------

class TestSxSource:
    def sx_dict(self, w):
        return w._PyWidgetBase__get_sx_dict()

    def test_resolution_rules(self, qapp):
        w = Box()
        mapping = {"position": "absolute", "width": 7}

        class Sub(dict):
            pass

        sub = Sub(width=3)
        sources = [
            (mapping, mapping),
            (lambda: mapping, mapping),
            (State(lambda: mapping), mapping),
            (State(mapping), mapping),
            (sub, sub),
            (State("abc"), None),
            (State(State(mapping)), None),  # a State's value is unwrapped once
            (lambda: lambda: mapping, None),  # and a callable's result is not called again
            ("position: absolute", None),
            ([("width", 1)], None),
            (42, None),
            (None, None),
            ({}, None),
        ]
        for source, expected in sources:
            w._sx = source
            assert self.sx_dict(w) is expected, source
            assert w._get_sx_value("width") == (expected.get("width") if expected else None)
        w._sx = {}
        assert w._get_sx_value("width") is None

    def test_callable_source_is_called_each_time(self, qapp):
        calls = []

        def source():
            calls.append(1)
            return {"height": 5}

        w = Box(sx=source)
        calls.clear()
        w._get_sx_value("height")
        w._get_sx_value("height")
        w._PyWidgetBase__get_sx_dict()
        assert len(calls) == 3

        def broken():
            raise LookupError("no sx")

        w._sx = broken
        with pytest.raises(LookupError, match="no sx"):
            w._get_sx_value("width")

    def test_sx_needs_setup(self, qapp):
        w = Bare()
        PyWidgetBase.__init__(w)
        with pytest.raises(AttributeError):
            w._get_sx_value("width")
        with pytest.raises(AttributeError):
            w._on_sx_changed()

    def test_state_source_reapplies_on_change(self, qapp):
        parent = QWidget()
        parent.resize(400, 300)
        state = State({"width": 50})
        w = Box(parent, state)
        assert w._sx is state and w.minimumWidth() == 50
        state.value = {"width": 120, "height": "50%"}
        assert w.minimumWidth() == 120 and w.minimumHeight() == 150
        assert (w._width_type, w._height_type) == ("px", "%")
        state.value = lambda: {"height": 0.1}
        assert w.minimumHeight() == 30 and w._height_type == "float"


# --- translated text ------------------------------------------------------------

class TestTranslatedText:
    def test_sources(self, qapp, monkeypatch):
        seen = []

        def fake_translate(source):
            seen.append(source)
            return "translated"

        monkeypatch.setattr(brevant, "translate", fake_translate)
        w = Box()
        called = []

        def text():
            called.append(1)
            return "Copy"

        assert w._getTranslatedText(text) == "translated" and seen == [text]
        assert called == []  # handed over, not called here
        assert w._getTranslatedText(State(text)) == "translated" and seen == [text, text]
        assert w._getTranslatedText("plain") == "plain"
        assert w._getTranslatedText(State("held")) == "held"
        for value in (State(7), State(None), 7, None, b"bytes", ["x"]):
            assert w._getTranslatedText(value) is None
        assert len(seen) == 2



# --- pseudo-classes, events and the tooltip ----------------------------------------

class TestInteraction:
    def test_pseudo_classes(self, qapp):
        w = Box()
        w.setupPseudoClasses({"&:hover": {"color": "red"}, "&:focus": None})
        assert w.hover_qss == get_qss_style({"color": "red"})
        for attr in ("focus_qss", "enabled_qss", "disabled_qss"):
            assert not hasattr(w, attr)
        w.setupPseudoClasses({})
        w.setupPseudoClasses(None)
        w.setupPseudoClasses({"&:focus": {"border": "1px solid blue"}, "&:enabled": {"color": "black"},
                              "&:disabled": {"color": "grey"}, "&:hover": {}})
        assert w.hover_qss == get_qss_style({"color": "red"})  # the falsy entry left it alone
        assert w.focus_qss == get_qss_style({"border": "1px solid blue"})
        assert w.disabled_qss == get_qss_style({"color": "grey"})
        assert w.styleSheet() == ""  # stored only
        with pytest.raises(AttributeError):
            w.setupPseudoClasses(["&:hover"])

    def test_pseudo_classes_order_and_errors(self, qapp, monkeypatch):
        seen = []

        def fake(style):
            seen.append(style)
            if style == "bad":
                raise ValueError("bad style")
            return f"qss:{style}"

        monkeypatch.setattr(brevant, "get_qss_style", fake)
        w = Box()
        w.setupPseudoClasses({"&:disabled": "d", "&:enabled": "e", "&:focus": "f", "&:hover": "h"})
        assert seen == ["h", "f", "e", "d"] and w.enabled_qss == "qss:e"
        with pytest.raises(ValueError, match="bad style"):
            w.setupPseudoClasses({"&:hover": "bad"})

    def test_events_reach_callbacks(self, qapp):
        log = []
        w = Box(onMouseEnter=lambda: log.append("enter"), onMouseLeave=lambda: log.append("leave"),
                onMousePress=lambda: log.append("press"), onMouseRelease=lambda: log.append("release"),
                onFocusIn=lambda e: log.append(("in", e)), onFocusOut=lambda e: log.append(("out", e)))
        pos = QPointF(1, 1)
        QApplication.sendEvent(w, QEnterEvent(pos, pos, pos))
        QApplication.sendEvent(w, QEvent(QEvent.Type.Leave))
        for kind in (QEvent.Type.MouseButtonPress, QEvent.Type.MouseButtonRelease):
            QApplication.sendEvent(w, QMouseEvent(kind, pos, pos, Qt.MouseButton.LeftButton,
                                                  Qt.MouseButton.LeftButton, Qt.KeyboardModifier.NoModifier))
        focus_in = QFocusEvent(QEvent.Type.FocusIn)
        focus_out = QFocusEvent(QEvent.Type.FocusOut)
        QApplication.sendEvent(w, focus_in)
        QApplication.sendEvent(w, focus_out)
        assert log[:4] == ["enter", "leave", "press", "release"]
        assert [entry[0] for entry in log[4:]] == ["in", "out"]
        assert log[4][1] is focus_in and log[5][1] is focus_out

    def test_handlers_read_callbacks_at_event_time(self, qapp):
        w = Box()
        for handler in (w.enterEvent, w.leaveEvent, w.mousePressEvent, w.mouseReleaseEvent,
                        w.focusInEvent, w.focusOutEvent):
            assert handler(None) is None  # no callback, nothing happens
        got = []
        w._onMousePress = lambda *args: got.append(args)
        w._onFocusIn = lambda *args: got.append(args)
        w.mousePressEvent("event")
        w.focusInEvent("event")
        assert got == [(), ("event",)]
        w._onMouseRelease = lambda: 1 / 0
        with pytest.raises(ZeroDivisionError):
            w.mouseReleaseEvent(None)
        with pytest.raises(AttributeError):
            PyWidgetBase.enterEvent(Bare(), None)

    def test_tooltip_filter(self, qapp, monkeypatch):
        built = []
        real = brevant.ToolTipFilter

        def recording(widget, delay):
            built.append((widget, delay))
            return real(widget, delay)

        monkeypatch.setattr(brevant, "ToolTipFilter", recording)
        w = Box(tooltip="")
        w._installTooltipFilter()
        w._tooltip = None
        w._installTooltipFilter()
        bare = Bare()
        bare._installTooltipFilter()
        w._tooltip = ["Copy"]
        w._installTooltipFilter()
        assert built == [] and w.toolTip() == "" and w.findChildren(real) == []

        w = Box(tooltip="Copy")
        w._installTooltipFilter()
        assert built == [(w, 0)] and w.toolTip() == "Copy"
        assert len(w.findChildren(real)) == 1
        w._tooltipLeaveDelay = 250
        w._installTooltipFilter()  # each call installs another filter
        assert built[-1] == (w, 250) and len(w.findChildren(real)) == 2


class TestPercentConversion:
    def test_values(self, qapp):
        convert = Box()._PyWidgetBase__contvert_to_percent_value
        assert convert(None) is None
        assert convert(1) == 100 and type(convert(1)) is int
        assert convert(0) == 0 and convert(True) == 100
        assert convert(0.3) == pytest.approx(30.0) and convert(0.25) == 25.0
        assert convert("40%") == 40.0 and convert("%40%") == 40.0 and convert(" 12.5 %") == 12.5
        for value in (1.5, -0.1, "40", 40, [0.5], b"40%"):
            assert convert(value) is None

    def test_malformed_percent_raises_host_error(self, qapp):
        convert = Box()._PyWidgetBase__contvert_to_percent_value
        with pytest.raises(DeZidOzezuzavuvArazo) as info:
            convert("x%")
        err = info.value
        assert (err.file_path, err.param_name, err.param_value) == ("self.file_path", "param_name", "x%")
        assert err.expected_types == [int] and err.error_type == "INVALID_CONDITION"
        assert err.message == "Parameter does not satisfy the validation condition: check_value"
        assert isinstance(err.__context__, ValueError) and err.__cause__ is None
        with pytest.raises(DeZidOzezuzavuvArazo):
            convert("%")
