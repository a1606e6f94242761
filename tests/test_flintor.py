"""ToggleButton: two-phase construction over the package's Button."""

import collections.abc
import inspect
import re
import typing

import pytest
import shiboken6
from PySide6.QtWidgets import QWidget

from leakcheck import assert_no_leak

from tovane.material.flintor import flintor
from tovane.hooks import State
from tovane.material.button import Button
from tovane.material.component import Component, RenderContext
from tovane.material.iconify import Iconify

ToggleButton = flintor.ToggleButton
CLOCK = ":/round/resource_tovane/round/access_time.svg"


def test_module_and_class_surface():
    for name, value in [("Optional", typing.Optional), ("Callable", typing.Callable), ("Union", typing.Union),
                        ("QWidget", QWidget), ("Iconify", Iconify), ("Button", Button), ("State", State),
                        ("Component", Component), ("RenderContext", RenderContext)]:
        assert getattr(flintor, name) is value, name
    names = list(vars(flintor))
    order = ["Optional", "Callable", "Union", "QWidget", "Iconify", "Button", "State", "Component",
             "RenderContext", "ToggleButton"]
    assert sorted(order, key=names.index) == order

    assert ToggleButton.__bases__ == (Button,)
    assert ToggleButton.__module__ == "flintor"
    assert [k for k in vars(ToggleButton)
            if not k.startswith("__") and k != "staticMetaObject" or k == "__init__"] == \
        ["__init__", "renderUi", "_setup_flintor", "keyPressEvent", "focusInEvent"]
    for name in ("__init__", "renderUi", "_setup_flintor", "keyPressEvent", "focusInEvent"):
        method = vars(ToggleButton)[name]
        assert method.__qualname__ == f"ToggleButton.{name}" and method.__module__ == "flintor"

    assert ToggleButton.__init__.__annotations__ == {
        "icon": "Optional[Iconify]", "text": "Optional[Union[str, State, Callable]]",
        "value": "Optional[object]", "selected": "bool"}
    assert ToggleButton.renderUi.__annotations__ == {
        "ctx": "RenderContext", "parent": "Optional[QWidget]", "return": "QWidget"}
    assert ToggleButton._setup_flintor.__annotations__ == {}
    assert str(inspect.signature(ToggleButton.__init__)) == (
        "(self, icon: 'Optional[Iconify]' = ':/round/resource_tovane/round/access_time.svg', "
        "text: 'Optional[Union[str, State, Callable]]' = None, value: 'Optional[object]' = None, "
        "selected: 'bool' = False, *args, **kwargs)")
    assert str(inspect.signature(ToggleButton.renderUi)) == \
        "(self, ctx: 'RenderContext', parent: 'Optional[QWidget]' = None) -> 'QWidget'"


class TestConstruction:
    def test_stores_its_arguments_and_builds_no_widget(self, qapp):
        button = ToggleButton("icon", "text", "v", "yes", 1, 2, extra=3)
        assert vars(button) == {"_icon": "icon", "_value": "v", "_selected": "yes",
                                "_args": (1, 2), "_kwargs": {"extra": 3}, "_text": "text"}
        assert list(vars(button)) == ["_icon", "_value", "_selected", "_args", "_kwargs", "_text"]
        assert not shiboken6.isValid(button)  # the Qt half is initialised by renderUi

    def test_defaults(self, qapp):
        assert vars(ToggleButton()) == {"_icon": CLOCK, "_value": None, "_selected": False,
                                        "_args": (), "_kwargs": {}, "_text": None}

    def test_keywords(self, qapp):
        button = ToggleButton(selected=True, value=State(1), icon=None, text="ignored")
        assert (button._icon, button._selected, button._args) == (None, True, ())
        assert isinstance(button._value, State)

    @pytest.mark.parametrize("call, message", [
        (lambda: ToggleButton(icon="a", *["b"]), "got multiple values for argument 'icon'"),
        (lambda: ToggleButton.__init__(), "missing 1 required positional argument: 'self'"),
    ])
    def test_binding_errors(self, qapp, call, message):
        with pytest.raises(TypeError, match=re.escape(message)):
            call()


@pytest.fixture
def calls(monkeypatch):
    """Record the calls that the toggle button's own code makes to Button (and to
    the Qt setCheckable); calls that Button makes from inside these are left out."""
    log = []
    depth = [0]

    def wrap(name, record):
        original = getattr(Button, name)

        def wrapper(self, *args, **kwargs):
            if depth[0] == 0:
                log.append(record(self, *args, **kwargs))
            depth[0] += 1
            try:
                return original(self, *args, **kwargs)
            finally:
                depth[0] -= 1

        monkeypatch.setattr(Button, name, wrapper)

    wrap("__init__", lambda self, *a, **k: ("__init__", a, k))
    wrap("renderUi", lambda self, *a, **k: ("renderUi", a, k))
    wrap("setCheckable", lambda self, on: ("setCheckable", on, self.objectName()))
    wrap("set_selected", lambda self, on: ("set_selected", on))
    return log


class TestRender:
    def test_default_button(self, qapp, calls):
        button = ToggleButton()
        ctx = RenderContext()
        assert button.renderUi(ctx) is None
        name = f"ToggleButton-{id(button)}"
        # The name is set before the toggle set-up; nothing selects the button.
        assert calls == [("__init__", (), {"startIcon": CLOCK, "value": None}),
                         ("renderUi", (), {"ctx": ctx, "parent": None}),
                         ("setCheckable", True, name)]
        assert re.fullmatch(r"ToggleButton-\d+", button.objectName()) and button.objectName() == name
        assert button.isCheckable() and not button.isChecked()
        assert not button.icon().isNull()
        assert button.property("selected") == "false"

    def test_selected_is_applied_once_after_setCheckable(self, qapp, calls):
        button = ToggleButton(selected=1)
        button.renderUi(None)
        assert [c[0] for c in calls] == ["__init__", "renderUi", "setCheckable", "set_selected"]
        assert calls[-1] == ("set_selected", True)
        assert button.isChecked() and button.property("selected") == "true"
        button.click()  # a checkable button flips on each click
        assert not button.isChecked() and button.property("selected") == "false"

    def test_extra_arguments_reach_button_unchanged(self, qapp, calls):
        parent = QWidget()
        button = ToggleButton(CLOCK, None, "v", False, "Label", tooltip="t", sx={"a": 1})
        button.renderUi("ctx", parent)
        assert calls[0] == ("__init__", ("Label",), {"startIcon": CLOCK, "value": "v",
                                                      "tooltip": "t", "sx": {"a": 1}})
        assert list(calls[0][2]) == ["startIcon", "value", "tooltip", "sx"]
        assert calls[1] == ("renderUi", (), {"ctx": "ctx", "parent": parent})
        assert button.text() == "Label" and button.parent() is parent

    def test_text_becomes_the_buttons_text_beside_its_icon(self, qapp):
        words, parent = State("Compact"), QWidget()
        for button, shown in ((ToggleButton(text="Compact", value="compact"), "Compact"),
                              (ToggleButton(None, "Dense", "dense", False), "Dense"),
                              (ToggleButton(text=words, value="compact"), "Compact")):
            button.renderUi(RenderContext(), parent)
            assert button.text() == shown and (not button.icon().isNull()) == (button._icon is not None)
        words.value = "Comfortable"  # a State text follows the State
        assert button.text() == "Comfortable"

    def test_selected_goes_to_buttons_set_selected(self, qapp):
        class Sub(ToggleButton):
            def set_selected(self, selected):
                pass  # an override that ignores the request

        button = Sub(selected=True)
        button.renderUi(None)
        # Selected through Button's implementation, which the override cannot stop.
        assert button.isChecked() and button.property("selected") == "true"

    def test_selected_look_follows_clicks_with_one_request(self, qapp, monkeypatch):
        requests = []
        original = Button.set_selected
        monkeypatch.setattr(Button, "set_selected", lambda self, v: (requests.append(v), original(self, v)))
        button = ToggleButton(selected=True)
        button.renderUi(None)
        assert requests.count(True) == 1  # not repeated through the toggled signal
        assert button.isChecked() and button.property("selected") == "true"
        button.click()
        assert not button.isChecked() and button.property("selected") == "false"

    def test_errors_from_button_propagate(self, qapp, monkeypatch):
        def fail(self, selected):
            raise RuntimeError("selection failed")

        monkeypatch.setattr(Button, "set_selected", fail)
        with pytest.raises(RuntimeError, match="selection failed"):
            ToggleButton().renderUi(None)


class _PyToggle(Button):
    """The same call written in Python, to compare argument errors with the interpreter's."""

    def __init__(self, args, kwargs):
        self._icon, self._value, self._args, self._kwargs = CLOCK, None, args, kwargs

    def renderUi(self, ctx, parent=None):
        super().__init__(*self._args, startIcon=self._icon, value=self._value, **self._kwargs)


class _Keys:
    def __init__(self, keys, fail=None):
        self._keys, self._fail = keys, fail

    def keys(self):
        return self._keys

    def __getitem__(self, key):
        if self._fail:
            raise self._fail
        return key


class _Mapping(collections.abc.Mapping):
    def __init__(self, data):
        self._data = data

    def __getitem__(self, key):
        return self._data[key]

    def __iter__(self):
        return iter(self._data)

    def __len__(self):
        return len(self._data)


class TestArgumentErrors:
    def test_startIcon_given_twice(self, qapp):
        with pytest.raises(TypeError) as info:
            ToggleButton(startIcon="x").renderUi(None)
        assert str(info.value) == \
            "tovane.material.button.Button.__init__() got multiple values for keyword argument 'startIcon'"

    def test_value_given_twice(self, qapp):
        button = ToggleButton()
        button._kwargs = {"other": 1, "value": 2, "startIcon": 3}  # the first duplicate is named
        with pytest.raises(TypeError) as info:
            button.renderUi(None)
        assert str(info.value) == \
            "tovane.material.button.Button.__init__() got multiple values for keyword argument 'value'"
        assert not shiboken6.isValid(button)  # Button was never initialised

    @pytest.mark.parametrize("args, kwargs", [
        ((), 5),
        (5, {}),
        (5, 5),
        ((), {1: 2}),
        ((), _Keys(["a", "startIcon"])),
        ((), _Keys(["a"], fail=KeyError("zz"))),
        ((), _Keys(["a"], fail=KeyError(3))),
        ((), _Keys(["a"], fail=AttributeError("gone"))),
        ((), _Keys(["a"], fail=LookupError("other"))),
        ((), _Keys(5)),
        ((), _Mapping({"value": 1})),
        ((), type("D", (dict,), {"keys": lambda self: ["startIcon"]})(a=1)),
        (iter([]), {"value": 1}),
    ], ids=repr)
    def test_odd_arguments_behave_as_in_python(self, qapp, args, kwargs):
        def outcome(button):
            try:
                button.renderUi(None)
            except Exception as error:
                return type(error), str(error)
            return "rendered"

        button = ToggleButton()
        button._args, button._kwargs = args, kwargs
        assert outcome(button) == outcome(_PyToggle(args, kwargs))

    @pytest.mark.parametrize("args, expected", [([1, 2], (1, 2)), ("ab", ("a", "b")), (iter(["x"]), ("x",))],
                             ids=["list", "str", "iterator"])
    def test_any_iterable_of_positional_arguments(self, qapp, calls, args, expected):
        button = ToggleButton()
        button._args = args
        button.renderUi(None)
        assert calls[0] == ("__init__", expected, {"startIcon": CLOCK, "value": None})

    def test_no_leak_on_the_error_path(self, qapp):
        button = ToggleButton()
        button._kwargs = {"startIcon": 1}

        def render():
            try:
                button.renderUi(None)
            except TypeError:
                pass

        assert_no_leak(render, calls=20_000, warmup=500)


def test_construction_does_not_leak(qapp):
    assert_no_leak(lambda: ToggleButton(None, None, 1, True, 2, k=3), calls=20_000, warmup=500)


def test_rendering_does_not_leak(qapp):
    def render():
        ToggleButton(selected=True).renderUi(None)

    assert_no_leak(render, calls=600, warmup=200)
