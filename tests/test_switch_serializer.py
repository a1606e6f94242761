"""The switch's parameter serializer: descriptors, construction, getters."""

import inspect
import typing

import pytest

from leakcheck import assert_no_leak

from tovane.errors import DeZidOzezuzavuvArazo
from tovane.hooks import State
from tovane.material.switch import _serializer
from tovane.material.switch._serializer import Serializer
from tovane.material.utils.validated_attr import ValidatedAttr

PARAMETERS = [
    "label", "disabled", "defaultChecked", "checked", "onChange", "highlight", "left", "color", "size",
    "onClick", "checkedIcon", "icon", "classes", "sx", "disableRipple", "edge", "id", "inputProps",
    "inputRef", "required", "slotProps", "slots", "value",
]


class TestSurface:
    def test_class(self):
        assert Serializer.__module__ == "switch._serializer"
        assert Serializer.__bases__ == (object,)
        assert Serializer.__doc__ == (
            "\n    Mixin dành cho Switch để validate toàn bộ parameters\n"
            "    thông qua descriptor ValidatedAttr.\n    ")
        assert Serializer._FILE_PATH == "tovane.material.switch"
        assert Serializer.VALID_EDGES == ["start", "end", False]
        assert Serializer.VALID_EDGES[2] is False

    def test_body_order(self):
        names = [n for n in vars(Serializer) if not n.startswith("__") or n == "__init__"]
        expected = (["_FILE_PATH", "VALID_COLORS", "VALID_SIZES", "VALID_EDGES"]
                    + ["_" + p for p in PARAMETERS] + ["__init__"] + ["_get_" + p for p in PARAMETERS])
        assert names == expected

    def test_descriptors(self):
        for name in PARAMETERS:
            d = vars(Serializer)["_" + name]
            assert isinstance(d, ValidatedAttr)
        sx = vars(Serializer)["_sx"]
        assert sx.supported_signatures == typing.Union[State, typing.List, typing.Dict, typing.Callable, type(None)]
        assert vars(Serializer)["_color"].valid_values == Serializer.VALID_COLORS
        assert vars(Serializer)["_size"].valid_values == ["small", "medium"]
        assert vars(Serializer)["_edge"].valid_values == Serializer.VALID_EDGES
        assert vars(Serializer)["_label"].param_name == "label"
        assert vars(Serializer)["_label"].file_path == "tovane.material.switch"

    def test_init_signature(self):
        sig = inspect.signature(Serializer.__init__)
        params = list(sig.parameters.values())
        assert [p.name for p in params] == ["self", "parent"] + PARAMETERS + ["kwargs"]
        assert params[-1].kind is inspect.Parameter.VAR_KEYWORD
        assert params[1].annotation is inspect.Parameter.empty
        assert sig.parameters["sx"].annotation == "Optional[Union[State, List, Dict, Callable]]"
        assert sig.parameters["left"].default is True
        assert sig.parameters["color"].default == "primary"

    def test_methods_are_python_like(self):
        assert Serializer._get_color.__qualname__ == "Serializer._get_color"
        assert Serializer._get_label.__module__ == "switch._serializer"
        with pytest.raises(TypeError, match=r"Serializer\._get_label\(\) takes 1 positional argument but 2"):
            Serializer()._get_label(1)
        with pytest.raises(TypeError, match="got an unexpected keyword argument"):
            Serializer._get_size(Serializer(), extra=1)


class TestGetters:
    def test_defaults(self):
        s = Serializer()
        assert (s._get_color(), s._get_size(), s._get_edge(), s._get_left()) == ("primary", "medium", False, True)
        assert s._get_label() is None and s._get_value() is None and s._get_disabled() is False

    def test_state_resolution(self):
        label = State("hello")
        s = Serializer(label=label, checked=State(True))
        assert s._get_label() == "hello" and s._get_checked() is True
        label.value = "changed"
        assert s._get_label() == "changed"
        assert s._label is label  # stored as given, resolved on read

    @pytest.mark.parametrize("value,expected", [
        ("error", "error"), ("#ff8800", "#ff8800"), (None, "primary"), (5, "primary")])
    def test_color_fallback(self, value, expected):
        assert Serializer(color=State(value))._get_color() == expected

    @pytest.mark.parametrize("value,expected", [("large", "small"), ("small", "small"), ("medium", "medium"),
                                                (None, "small")])
    def test_size_fallback(self, value, expected):
        assert Serializer(size=State(value))._get_size() == expected

    def test_edge_fallback(self):
        assert Serializer(edge=State("start"))._get_edge() == "start"
        assert Serializer(edge=State(None))._get_edge() is False
        zero = Serializer(edge=State(0))._get_edge()
        assert zero == 0 and type(zero) is int  # 0 == False in the membership test

    def test_valid_lists_are_read_through_the_instance(self):
        class Wide(Serializer):
            VALID_SIZES = ["small", "medium", "large"]

        assert Wide(size=State("large"))._get_size() == "large"
        s = Serializer(size=State("large"))
        s.VALID_SIZES = ["large"]
        assert s._get_size() == "large"

    def test_state_errors_propagate(self):
        class Broken(State):
            @property
            def value(self):
                raise LookupError("unreadable")

        with pytest.raises(LookupError):
            Serializer(label=Broken(None))._get_label()


class TestConstruction:
    def test_extra_keywords_and_parent_are_ignored(self):
        s = Serializer(parent=object(), unknown=1, label="x")
        assert s._get_label() == "x" and not hasattr(s, "unknown") and not hasattr(s, "_parent")

    def test_positional_order(self):
        s = Serializer(None, "lbl", True)
        assert s._get_label() == "lbl" and s._get_disabled() is True

    def test_rejection_stops_at_the_bad_parameter(self):
        with pytest.raises(DeZidOzezuzavuvArazo) as info:
            Serializer(label="ok", color="blue", size="small")
        message = str(info.value)
        assert "color" in message and "blue" in message
        # What was assigned before stays, nothing after is assigned.
        s = Serializer.__new__(Serializer)
        with pytest.raises(DeZidOzezuzavuvArazo):
            Serializer.__init__(s, label="ok", disabled=True, highlight="no")
        assert s._label == "ok" and s._disabled is True
        with pytest.raises(AttributeError):
            s._left

    @pytest.mark.parametrize("param,value", [
        ("disabled", "yes"), ("size", 3), ("edge", "middle"), ("edge", True), ("classes", []),
        ("onChange", 5), ("checkedIcon", "icon")])
    def test_rejected_values(self, param, value):
        with pytest.raises(DeZidOzezuzavuvArazo):
            Serializer(**{param: value})

    @pytest.mark.parametrize("param,value", [
        ("onClick", print), ("onClick", State(None)), ("sx", [1]), ("sx", {"a": 1}), ("sx", lambda: {}),
        ("inputRef", object()), ("value", 3.5), ("edge", "end")])
    def test_accepted_values(self, param, value):
        s = Serializer(**{param: value})
        assert getattr(s, "_" + param) is value

    def test_too_many_positional(self):
        with pytest.raises(TypeError, match=r"Serializer\.__init__\(\) takes from 1 to 25 positional"):
            Serializer(*([None] * 25))

    def test_with_a_qt_widget(self, qapp):
        from PySide6.QtWidgets import QWidget

        class Switch(QWidget, Serializer):
            def __init__(self, parent=None, **kwargs):
                QWidget.__init__(self, parent)
                Serializer.__init__(self, parent, **kwargs)

        w = Switch(color="error", checked=True)
        assert w._get_color() == "error" and w._get_checked() is True
        icon = QWidget()
        assert Switch(icon=icon)._get_icon() is icon


def test_module_globals():
    assert _serializer.NoneType is type(None)
    for name in ("Any", "Dict", "List", "Callable", "Optional", "Union"):
        assert getattr(_serializer, name) is getattr(typing, name)


def test_no_leaks():
    s = Serializer(color=State("error"), label=State("x"))
    assert_no_leak(lambda: (s._get_color(), s._get_size(), s._get_edge(), s._get_label()))
    assert_no_leak(lambda: Serializer(label="a", edge="start"), calls=20_000)
