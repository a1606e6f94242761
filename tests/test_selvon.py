"""ListItemButton: construction, rendering, selection, events and its style sheet."""

import ast
import asyncio
import inspect
import re
import threading
import typing

import pytest
import shiboken6
from PySide6.QtCore import QEvent, QPoint, Qt, QTimer
from PySide6.QtGui import QFocusEvent
from PySide6.QtTest import QTest
from PySide6.QtWidgets import QHBoxLayout, QLabel, QPushButton, QWidget

import tovane.material.selvon._serializer as serializer_module
from tovane.errors import DeZidOzezuzavuvArazo
from tovane.hooks import State, useEffect
from tovane.material.button_base.button_base import ButtonBase
from tovane.material.component import Component, RenderContext
from tovane.material.list_item_checkbox import ListItemCheckbox
from tovane.material.selvon import selvon
from tovane.material.styles import _clear_style_caches, get_qss_style, useTheme
from tovane.utils.data import deep_merge

ListItemButton = selvon.ListItemButton
NAME = re.compile(r"ListItemButton-\d+")


@pytest.fixture
def theme(qapp):
    theme = useTheme()
    yield theme
    theme.setMode("light")
    _clear_style_caches()  # after a patched theme: no cached text of it outlives the test


@pytest.fixture
def host(qtbot):
    widget = QWidget()
    qtbot.addWidget(widget)
    return widget


@pytest.fixture
def render(host, theme):
    def render(**kwargs):
        item = ListItemButton(**kwargs)
        assert item.renderUi(RenderContext(), parent=host) is item
        return item
    return render


# The theme's rules rebuilt from the rules of the component's look: one rule
# per variant, keyed by the object name, the bodies from get_qss_style.
def theme_rules(name, owner, components=None):
    root = (components or useTheme().components)["MuiListItemButton"]["styles"]["root"](owner)
    props = root["props"]
    active = props.get("active")
    bodies = [("", root), (":hover", root["slots"]["hover"]), ("[selected=true]", root["slots"]["selected"]),
              ("[selected=true]:hover", root["slots"]["selected"]["hover"]),
              ("[divider=true]", props["divider"]), ("[disableGutters=true]", props["disableGutters"]),
              ("[active=true]", active), ("[active=true]:hover", active["slots"]["hover"] if active else None)]
    text = "\n"
    for index, (suffix, style) in enumerate(bodies):
        body = get_qss_style(style) if style is not None else ""
        text += " " * 16 + f"#{name}{suffix} {{\n" + " " * 20 + body + "\n" + " " * 16 + "}\n"
        if index == 1:
            text += "\n"
    return text + " " * 16 + "\n" + " " * 16


def sheet(theme_part, sx_part=""):
    return "\n" + " " * 12 + theme_part + "\n" + " " * 12 + sx_part + "\n" + " " * 8


def test_module_and_class_surface():
    expected = [("ast", ast), ("asyncio", asyncio), ("lru_cache", __import__("functools").lru_cache),
                ("threading", threading), ("Callable", typing.Callable), ("Optional", typing.Optional),
                ("QHBoxLayout", QHBoxLayout), ("QWidget", QWidget), ("QPushButton", QPushButton), ("Qt", Qt),
                ("QTimer", QTimer), ("deep_merge", deep_merge), ("ButtonBase", ButtonBase),
                ("ListItemCheckbox", ListItemCheckbox), ("useTheme", useTheme), ("get_qss_style", get_qss_style),
                ("State", State), ("useEffect", useEffect), ("Component", Component),
                ("RenderContext", RenderContext), ("Serializer", serializer_module.Serializer)]
    for name, value in expected:
        assert getattr(selvon, name) is value, name
    names = list(vars(selvon))
    order = [n for n, _ in expected[:10]] + ["Signal"] + [n for n, _ in expected[10:]] + ["ListItemButton"]
    assert sorted(order, key=names.index) == order

    assert ListItemButton.__bases__ == (QPushButton, Component, serializer_module.Serializer)
    assert ListItemButton.__module__ == "selvon"
    written_at_run_time = ("staticMetaObject", "sxDict", "ownerState")
    own = [k for k in vars(ListItemButton) if k not in written_at_run_time and not k.startswith("__")
           or k == "__init__"]
    assert own == ["themeChanged", "updateStyleSheet", "VALID_ALIGN_ITEMS", "VALID_SIZES", "__init__", "renderUi",
                   "_setSx", "_setKwargs", "_set_selected_key", "_set_selected", "_get_align_items_style",
                   "focusInEvent", "focusOutEvent", "mouseReleaseEvent", "_activate", "keyPressEvent",
                   "keyReleaseEvent", "paintEvent", "_getStyleSheet", "_getSxQss", "_updateStylesheet",
                   "_setStyleSheet"]
    assert ListItemButton.VALID_ALIGN_ITEMS == ["center", "flex-start"]
    assert ListItemButton.VALID_SIZES == ["small", "medium", "large"]
    for name in ("_setSx", "_setKwargs", "_getStyleSheet", "_getSxQss"):
        assert isinstance(vars(ListItemButton)[name], classmethod), name
    for name in ("renderUi", "_setStyleSheet", "mouseReleaseEvent"):
        method = vars(ListItemButton)[name]
        assert method.__qualname__ == f"ListItemButton.{name}" and method.__module__ == "selvon"
    assert ListItemButton._getStyleSheet.__qualname__ == "ListItemButton._getStyleSheet"

    assert str(inspect.signature(ListItemButton.__init__)) == "(self, parent=None, *args, **kwargs)"
    assert str(inspect.signature(ListItemButton.renderUi)) == \
        "(self, ctx: 'RenderContext', parent: 'Optional[QWidget]' = None) -> 'QWidget'"
    assert str(inspect.signature(ListItemButton._setKwargs)) == "(kwargs: 'dict' = {})"
    assert str(inspect.signature(ListItemButton._getStyleSheet)) == \
        "(objectName: 'str', styledConfig: 'str' = 'ListItemButton')"
    assert str(inspect.signature(ListItemButton._getSxQss)) == "(sxStr: 'str' = '', className: 'str' = 'Box')"
    default = vars(ListItemButton)["_setKwargs"].__func__.__defaults__[0]
    assert default == {} and default is vars(ListItemButton)["_setKwargs"].__func__.__defaults__[0]


class TestConstruction:
    def test_stores_parameters_and_makes_no_qt_call(self, qapp):
        given = {"key": "a", "size": "large", "divider": True}
        item = ListItemButton(None, 1, 2, **given)
        assert not shiboken6.isValid(item)
        assert item._kwargs == {"key": "a", "size": "medium", "divider": True}
        assert item.kwargs == given and item._size == "medium"
        assert (item._key, item._divider, item._dense, item._minHeight) == ("a", True, False, None)

    @pytest.mark.parametrize("name, value", [
        ("size", "huge"), ("size", 3), ("minHeight", -1), ("minHeight", True), ("minHeight", 1 << 24),
        ("minHeight", 4.5), ("onClick", 5), ("divider", "yes"), ("disableGutters", 1), ("dense", None),
        ("alignItems", "right"), ("selected", "x"), ("focusVisibleClassName", 3), ("active", 1),
        ("disabled", "no"),
    ])
    def test_rejected_parameters_raise_at_construction(self, theme, name, value):
        receivers = theme.state.receivers("2valueChanged(PyObject)")
        with pytest.raises(DeZidOzezuzavuvArazo) as info:
            ListItemButton(**{name: value})
        error = info.value
        assert error.param_name == name and error.param_value is value and error.expected_types
        assert f"'{name}'" in str(error) and repr(value) in str(error)
        assert theme.state.receivers("2valueChanged(PyObject)") == receivers  # nothing registered

    def test_size_is_the_class_default_when_the_serializer_has_not_run(self, qapp, monkeypatch):
        monkeypatch.setattr(serializer_module.Serializer, "_size", None)
        item = ListItemButton.__new__(ListItemButton)
        ListItemButton.__init__(item, size="large")
        assert item._kwargs["size"] == "medium"


class TestRender:
    def test_names_sizes_cursor_layout(self, render):
        a, b = render(), render(minHeight=56, disabled=True)
        assert NAME.fullmatch(a.objectName()) and a.objectName() == f"ListItemButton-{id(a)}"
        assert a.objectName() != b.objectName()
        assert (a.minimumHeight(), b.minimumHeight()) == (38, 56)
        assert a.cursor().shape() == Qt.CursorShape.PointingHandCursor
        assert isinstance(a.layout(), QHBoxLayout) and a.layout().contentsMargins().left() == 0
        assert a.isEnabled() and not b.isEnabled()
        assert isinstance(a.theme, type(useTheme())) and a.theme is useTheme()

    def test_class_keeps_the_last_sx_and_parameters(self, render):
        render(key="x", sx={"color": "red"})
        last = render(key="y")
        assert ListItemButton.sxDict == {"color": "red"}  # set only by an item with an sx
        assert ListItemButton.ownerState is last._kwargs

    def test_children_rules(self, render, host):
        seen = []

        class Child(Component):
            def renderUi(self, ctx, parent=None):
                seen.append((ctx, parent))
                self.widget = QLabel("child", parent)
                return self.widget

        class Nothing:
            def renderUi(self, ctx, parent=None):
                seen.append("nothing")

        label = QLabel("plain")
        child = Child()
        item = render(children=[child, "text", 5, Nothing(), label])
        layout = item.layout()
        assert [layout.itemAt(i).widget() for i in range(layout.count())] == [child.widget, label]
        assert seen[0][1] is item and isinstance(seen[0][0], RenderContext) and seen[1] == "nothing"
        assert label.parent() is item
        tuple_item = render(children=(QLabel("a"), QLabel("b")))
        assert tuple_item.layout().count() == 0
        assert render(children=State([QLabel("from a State")])).layout().count() == 1

    def test_a_child_that_is_not_a_widget_fails_in_addWidget(self, render):
        class Odd:
            def renderUi(self, ctx, parent=None):
                return "not a widget"

        with pytest.raises(TypeError):
            render(children=[Odd()])


class TestSelection:
    def test_shared_key_selects_one_item(self, render):
        selected = State("b")
        items = {k: render(key=k, selectedKey=selected) for k in "abc"}
        assert [items[k].property("selected") for k in "abc"] == ["false", "true", "false"]
        selected.value = "c"
        assert [items[k].property("selected") for k in "abc"] == ["false", "false", "true"]

    def test_selected_flag_state(self, render):
        flag = State(False)
        item = render(selected=flag)
        assert item.property("selected") == "false"  # a string, not removed
        flag.value = True
        assert item.property("selected") == "true"

    def test_set_selected_key_with_plain_keys(self, render, monkeypatch):
        item = render(key="k", selectedKey="k")
        restyles = []
        monkeypatch.setattr(item, "_setStyleSheet", lambda: restyles.append(item._selected))
        item._set_selected_key("ignored")
        assert item._selected is True and restyles == [True]
        item._selectedKey = 0  # falsy: untouched, restyled all the same
        item._selected = False
        item._set_selected_key()
        assert item._selected is False and restyles == [True, False]
        item._selectedKey = State("other")
        item._set_selected_key()
        assert item._selected is False and len(restyles) == 3

    def test_checkbox_mode_shows_the_initial_selection(self, render):
        keys = State(["a", "c"])
        items = {k: render(key=k, selectedKey=keys, children=[ListItemCheckbox()]) for k in "abc"}
        # Checked as rendered, before any event is processed.
        assert [items[k].findChild(ListItemCheckbox).isChecked() for k in "abc"] == [True, False, True]
        box = items["a"].findChild(ListItemCheckbox)
        assert box.testAttribute(Qt.WidgetAttribute.WA_TransparentForMouseEvents)
        keys.value = ["b"]
        assert [items[k].findChild(ListItemCheckbox).isChecked() for k in "abc"] == [False, True, False]
        assert items["b"].property("selected") == "true"

    def test_checkbox_mode_restyles_only_through_set_selected(self, render, monkeypatch):
        keys = State(["a"])
        item = render(key="a", selectedKey=keys, children=[ListItemCheckbox()])
        restyles = []
        monkeypatch.setattr(item, "_setStyleSheet", lambda: restyles.append(1))
        keys._value = []  # changed behind the State's back
        item._set_selected_key()
        assert restyles == [] and not item.findChild(ListItemCheckbox).isChecked()
        keys._value = ["a"]
        item._set_selected()
        assert restyles == [1] and item.findChild(ListItemCheckbox).isChecked()


class TestEvents:
    def test_click_reports_the_key_then_clicked(self, render):
        log = []
        item = render(key="inbox", onClick=lambda key: log.append(("callback", key)))
        item.clicked.connect(lambda: log.append("clicked"))
        item.show()
        QTest.mouseClick(item, Qt.MouseButton.LeftButton)
        assert log == [("callback", "inbox"), "clicked"]

    def test_a_callback_without_parameters_is_retried_once(self, render):
        calls = []
        item = render(key="k", onClick=lambda: calls.append("no key"))
        item.show()
        QTest.mouseClick(item, Qt.MouseButton.LeftButton)
        assert calls == ["no key"]

    def test_a_failing_retry_propagates_and_skips_the_release(self, render):
        log = []

        def fail(*args):
            log.append(args)
            raise ValueError(f"rejected {args}")

        item = render(key="k", onClick=fail)
        item.clicked.connect(lambda: log.append("clicked"))
        item.setDown(True)
        event = _release(item)
        with pytest.raises(ValueError, match=r"rejected \(\)") as info:
            item.mouseReleaseEvent(event)
        assert log == [("k",), ()] and isinstance(info.value.__context__, ValueError)
        assert item.isDown()  # the push button never saw the release

    def test_focus_outline_is_added_once_and_removed_on_focus_out(self, render):
        item = render(focusVisibleClassName="#focus")
        before = item.styleSheet()
        for _ in range(5):
            item.focusInEvent(QFocusEvent(QEvent.Type.FocusIn))
        assert item.styleSheet() == before + " #focus { outline: 1px solid #000; }"
        item.focusOutEvent(QFocusEvent(QEvent.Type.FocusOut))
        assert item.styleSheet() == before
        item.focusOutEvent(QFocusEvent(QEvent.Type.FocusOut))
        assert item.styleSheet() == before
        plain = render()
        plain_sheet = plain.styleSheet()
        plain.focusInEvent(QFocusEvent(QEvent.Type.FocusIn))
        assert plain.styleSheet() == plain_sheet

    def test_a_restyle_while_focused_drops_the_outline(self, render):
        selected = State(False)
        item = render(selected=selected, focusVisibleClassName=".focused")
        item.focusInEvent(QFocusEvent(QEvent.Type.FocusIn))
        assert ".focused { outline: 1px solid #000; }" in item.styleSheet()
        selected.value = True
        assert ".focused {" not in item.styleSheet()  # (the theme's rules say outline: none)
        item.focusOutEvent(QFocusEvent(QEvent.Type.FocusOut))
        assert ".focused {" not in item.styleSheet() and item.styleSheet().startswith("\n")


def _release(item):
    from PySide6.QtCore import QPointF
    from PySide6.QtGui import QMouseEvent

    point = QPointF(2, 2)
    return QMouseEvent(QEvent.Type.MouseButtonRelease, point, item.mapToGlobal(point),
                       Qt.MouseButton.LeftButton, Qt.MouseButton.NoButton, Qt.KeyboardModifier.NoModifier)


class TestStyleSheet:
    def test_exact_text_of_the_theme_rules(self, render):
        item = render(key="a", divider=True)
        name = item.objectName()
        assert item.styleSheet() == sheet(theme_rules(name, item._kwargs))
        lines = item.styleSheet().splitlines()
        start = lines.index(" " * 16 + f"#{name}[selected=true]:hover {{")
        hover = get_qss_style(useTheme().components["MuiListItemButton"]["styles"]["root"]({})["slots"]
                              ["selected"]["hover"])
        assert lines[start + 1:start + 3] == [" " * 20 + hover, " " * 16 + "}"]
        assert item.property("divider") == "true" and item.property("disableGutters") is None
        assert item.property("active") is None  # no active variant in the theme's rules

    def test_active_variant(self, render):
        item = render(key="a", active=True)
        assert item.property("active") is True
        assert item.styleSheet() == sheet(theme_rules(item.objectName(), item._kwargs))
        active_body = item.styleSheet().split("[active=true] {\n")[1].splitlines()[0].strip()
        assert active_body.startswith("border-left: 3px solid")

        class Elsewhere(ListItemButton):  # its rules built under another name do not mark it
            @classmethod
            def _getStyleSheet(cls, **kw):
                return vars(ListItemButton)["_getStyleSheet"].__get__(None, cls)(objectName="A" + kw["objectName"])

        other = Elsewhere(key="b", active=True)
        assert other.renderUi(RenderContext(), parent=item.parentWidget()) is other
        assert other.property("active") is None

    def test_divider_is_never_reset(self, render):
        item = render(divider=True)
        item._divider = False
        item._setStyleSheet()
        assert item.property("divider") == "true"

    def test_sx_rules_follow_the_theme_rules(self, render, monkeypatch):
        calls = []
        original = vars(ListItemButton)["_getSxQss"]
        monkeypatch.setattr(ListItemButton, "_getSxQss", classmethod(
            lambda cls, **kw: (calls.append(kw), original.__get__(None, cls)(**kw))[1]))
        item = render(sx={"color": "red"})
        name = item.objectName()
        assert calls[-1] == {"sxStr": "{'color': 'red'}", "className": f"#{name}"}
        assert item.styleSheet() == sheet(theme_rules(name, item._kwargs), f"#{name} {{ color: red; }}")
        odd = render(sx={"color": lambda: "red"})  # not a literal: no sx rules, no error
        assert odd.styleSheet() == sheet(theme_rules(odd.objectName(), odd._kwargs))

    def test_sx_builder(self, qapp):
        assert ListItemButton._getSxQss(sxStr="{'width': 10, '&:hover': {'color': 'blue'}}", className="#w") == \
            "#w { width: 10px; }\n#w:hover { color: blue; }"
        assert ListItemButton._getSxQss() == ""  # "" is not a literal
        assert ListItemButton._getSxQss(sxStr="[1, 2]") == ""  # get_qss_style refuses a list
        assert ListItemButton._getSxQss(sxStr="{'color': 'red'}") == "Box { color: red; }"

    def test_styled_dict_overrides_the_theme(self, render, theme):
        overrides = {"MuiListItemButton": {"styles": {"root": lambda owner: {
            "color": "#123456", "slots": {"hover": {}, "selected": {"hover": {}}},
            "props": {"divider": {}, "disableGutters": {}}}}}}
        item = ListItemButton(key="s")
        item.styledDict = overrides
        recorded = []
        original = vars(ListItemButton)["_getStyleSheet"]

        class Styled(ListItemButton):
            styledDict = overrides

            @classmethod
            def _getStyleSheet(cls, **kw):
                recorded.append(kw)
                return original.__get__(None, cls)(**kw)

        styled = Styled(key="t")
        styled.renderUi(RenderContext())
        root = overrides["MuiListItemButton"]["styles"]["root"]
        assert recorded[-1] == {"objectName": styled.objectName(), "styledConfig": str(root(styled._kwargs))}
        merged = deep_merge(theme.components, overrides)
        assert styled.styleSheet() == sheet(theme_rules(styled.objectName(), styled._kwargs, merged))
        assert "color: #123456;" in styled.styleSheet()
        shiboken6.delete(styled)

    def test_update_stylesheet_sets_the_given_text(self, render):
        item = render()
        item._updateStylesheet("QPushButton { color: red; }")
        assert item.styleSheet() == "QPushButton { color: red; }"

    def test_align_items_style(self, render):
        item = render()
        assert [item._get_align_items_style(v) for v in ("center", "flex-start", "end", None)] == \
            ["text-align: center;", "text-align: left;", "", ""]

    def test_a_theme_without_the_entry_raises_and_keeps_the_sheet(self, render, theme, monkeypatch):
        item = render(divider=False)
        before = item.styleSheet()
        ListItemButton._getStyleSheet.cache_clear()
        monkeypatch.setattr(theme, "components", {})
        item._selected = True
        with pytest.raises(KeyError, match="MuiListItemButton"):
            item._setStyleSheet()
        assert item.property("selected") == "true" and item.styleSheet() == before


class TestCache:
    def test_a_destroyed_item_leaves_no_rules_for_its_name(self, render, host):
        item = render(dense=True, active=True)
        name = item.objectName()
        assert "padding: 4px 16px;" in ListItemButton._getStyleSheet(objectName=name)
        shiboken6.delete(item)
        # A later item given the same identity number is styled from its own parameters.
        ListItemButton._setKwargs({"size": "medium"})
        assert ListItemButton._getStyleSheet(objectName=name) == theme_rules(name, {"size": "medium"})

    def test_a_repeated_call_is_a_hit_without_a_theme_lookup(self, qapp, monkeypatch):
        ListItemButton._getStyleSheet.cache_clear()
        lookups = []
        monkeypatch.setattr(selvon, "useTheme", lambda: (lookups.append(1), useTheme())[1])
        first = ListItemButton._getStyleSheet(objectName="cached")
        second = ListItemButton._getStyleSheet(objectName="cached")
        assert first is second and lookups == [1]
        info = ListItemButton._getStyleSheet.cache_info()
        assert (info.hits, info.misses, info.maxsize) == (1, 1, 128)
        ListItemButton._getStyleSheet(objectName="cached", styledConfig="other")
        assert lookups == [1, 1]

    def test_least_recently_used_is_dropped_after_128(self, qapp):
        ListItemButton._getSxQss.cache_clear()
        for n in range(129):
            ListItemButton._getSxQss(sxStr=str({"width": n}), className="#a")
        assert ListItemButton._getSxQss.cache_info().currsize == 128
        ListItemButton._getSxQss(sxStr=str({"width": 0}), className="#a")
        assert ListItemButton._getSxQss.cache_info().misses == 130

    class Text(str):
        pass

    @pytest.mark.parametrize("call", [
        lambda: ListItemButton._getStyleSheet(objectName=None),
        lambda: ListItemButton._getStyleSheet(objectName=TestCache.Text("fresh-name")),
        lambda: ListItemButton._getStyleSheet(objectName="n", styledConfig=None),
        lambda: ListItemButton._getSxQss(sxStr=None),
        lambda: ListItemButton._getSxQss(sxStr="{}", className=TestCache.Text("#fresh")),
        lambda: ListItemButton._setKwargs(None),
        lambda: ListItemButton._setKwargs(type("D", (dict,), {})()),
    ])
    def test_exact_types(self, qapp, call):
        before = getattr(ListItemButton, "ownerState", None)
        with pytest.raises(TypeError, match=r"Argument '\w+' has incorrect type \(expected (str|dict), got "):
            call()
        assert getattr(ListItemButton, "ownerState", None) is before


class TestThemeSwitch:
    def test_every_item_restyles_with_its_own_parameters(self, render, theme):
        selected = State("b")
        items = [render(key=k, selectedKey=selected, dense=dense, active=k == "c")
                 for k, dense in (("a", True), ("b", False), ("c", True), ("d", False))]
        light = [i.styleSheet() for i in items]
        theme.setMode("dark")
        for item, before in zip(items, light):
            assert item.styleSheet() != before
            assert item.styleSheet() == sheet(theme_rules(item.objectName(), item._kwargs))
            assert theme.palette.text.primary in item.styleSheet()
            padding = "padding: 4px 16px;" if item._dense else "padding: 8px 16px;"
            assert padding in item.styleSheet().split("{")[1]
        assert [i.property("selected") for i in items] == ["false", "true", "false", "false"]
        assert [i.property("active") for i in items] == [None, None, True, None]
        theme.setMode("light")
        assert [i.styleSheet() for i in items] == light

    def test_component_overrides_restyle_too(self, render, theme, monkeypatch):
        item = render()
        monkeypatch.setattr(theme, "components", theme.components)
        theme.setComponents({"MuiListItemButton": {"styles": {"root": lambda owner: {
            "color": "#ABCDEF", "slots": {"hover": {}, "selected": {"hover": {}}},
            "props": {"divider": {}, "disableGutters": {}}}}}})
        assert "color: #ABCDEF;" in item.styleSheet()
