"""Host package: hooks, validation, theme and styles, translation, tooltips,
resources, Button and the cooperative initialisation of the mixins."""

import functools
import gc
import os
import subprocess
import sys
import types
import weakref
from typing import Callable, Dict, List, Union

import pytest
import shiboken6
from PySide6.QtCore import QEvent, QFile, QPointF, Qt
from PySide6.QtGui import QEnterEvent, QIcon
from PySide6.QtWidgets import QApplication, QLabel, QPushButton, QWidget

from tovane.errors import DeZidOzezuzavuvArazo
from tovane.hooks import State, useEffect
from tovane.i18n.use_translation import i18n, translate
from tovane.material.button import Button
from tovane.material.component import Component, RenderContext
from tovane.material.drevasse._serializer import Serializer as HelperSerializer
from tovane.material.iconify import Iconify
from tovane.material.list_item_checkbox import ListItemCheckbox
from tovane.material.marquel.frozen_column import FrozenColumn
from tovane.material.marquel.marquel_model import DataGridModel
from tovane.material.picker_base import PickerBase
from tovane.material.selvon._serializer import Serializer as ItemSerializer
from tovane.material.styles import Theme, get_qss_style, useTheme
from tovane.material.tooltip import ToolTipFilter
from tovane.material.utils.validate_params import NoneType, _validate_param
from tovane.material.utils.validated_attr import ValidatedAttr
from tovane.utils.data import deep_merge
from tovane.utils.translator import getTranslatedText

CLOCK = ":/round/resource_tovane/round/access_time.svg"
SRC = os.path.join(os.path.dirname(__file__), os.pardir, "src")


class TestState:
    def test_emits_new_value_and_skips_equal_values_of_same_type(self, qapp):
        seen = []
        s = State(1)
        s.valueChanged.connect(seen.append)
        s.value = 2
        s.value = 2            # equal: nothing
        s.value = True         # 2 -> True is a change; True then 1 is a change too
        s.value = 1
        assert seen == [2, True, 1] and s.value == 1

    def test_same_object_mutated_needs_notify(self, qapp):
        items, seen = [1], []
        s = State(items)
        s.valueChanged.connect(seen.append)
        items.append(2)
        s.value = items
        assert seen == []
        s.notify()
        assert seen == [[1, 2]]


class TestUseEffect:
    def test_runs_on_registration_and_on_each_change_of_any_dependency(self, qapp):
        a, b, calls = State(0), State("x"), []
        w = QWidget()
        useEffect(lambda: calls.append((a.value, b.value)), [a, b], component=w)
        a.value = 1
        b.value = "y"
        assert calls == [(0, "x"), (1, "x"), (1, "y")]
        calls.clear()
        useEffect(lambda: calls.append("once"), [], component=w)
        effect = useEffect(lambda: calls.append("disposed"), [a], component=w)
        effect.dispose()
        a.value = 2
        assert calls == ["once", "disposed", (2, "y")]

    def test_theme_state_as_dependency(self, theme):
        w, calls = QWidget(), []
        useEffect(lambda: calls.append(theme.palette.text.primary), [theme.state], component=w)
        theme.setMode("dark")
        theme.setMode("dark")   # no change, no run
        assert calls == ["#212B36", "#FFFFFF"]

    def test_stops_when_widget_is_deleted_without_errors(self, qapp, capfd):
        class Probe(QWidget):
            def __init__(self):
                super().__init__()
                self.calls = 0

            def refresh(self):
                self.calls += 1

        s, plain = State(0), []
        w = Probe()
        useEffect(w.refresh, [s], component=w)
        useEffect(lambda: plain.append(s.value), [s], component=w)
        s.value = 1
        assert w.calls == 2 and plain == [0, 1]
        shiboken6.delete(w)
        s.value = 2
        assert not shiboken6.isValid(w) and plain == [0, 1]
        # an unreferenced top-level owner is freed at once: the effect holds its method weakly
        owner = Probe()
        useEffect(owner.refresh, [s], component=owner)
        ref = weakref.ref(owner)
        del owner
        s.value = 3
        assert ref() is None
        assert "Error" not in capfd.readouterr().err

    def test_rejects_non_callable(self, qapp):
        with pytest.raises(TypeError, match="callable"):
            useEffect(42, [])


class Validated:
    edge = ValidatedAttr(param_name="edge", file_path="t", valid_values=["start", "end", False],
                         supported_signatures=Union[State, str, bool, NoneType])
    level = ValidatedAttr(param_name="level", file_path="t", supported_signatures=int, valid_values=[0, 1, 2])
    fn = ValidatedAttr(param_name="fn", file_path="t", supported_signatures=Union[Callable, NoneType])
    cfg = ValidatedAttr(param_name="cfg", file_path="t", supported_signatures=Union[Dict, List])
    anything = ValidatedAttr(param_name="anything", file_path="t", supported_signatures=object)


class TestValidatedAttr:
    @pytest.mark.parametrize("attr,value", [
        ("edge", "start"), ("edge", False), ("edge", None), ("edge", State("not-checked")),
        ("level", 0), ("level", 2), ("fn", len), ("fn", None), ("fn", lambda: 1),
        ("cfg", {}), ("cfg", [1]), ("anything", object()), ("anything", None)])
    def test_accepts(self, attr, value):
        obj = Validated()
        setattr(obj, attr, value)
        assert getattr(obj, attr) is value

    @pytest.mark.parametrize("attr,value,error_type", [
        ("edge", True, "INVALID_VALUE"), ("edge", "middle", "INVALID_VALUE"), ("edge", 0, "INVALID_TYPE"),
        ("level", True, "INVALID_VALUE"), ("level", False, "INVALID_VALUE"), ("level", 3, "INVALID_VALUE"),
        ("level", "1", "INVALID_TYPE"), ("fn", "text", "INVALID_TYPE"), ("cfg", (1,), "INVALID_TYPE")])
    def test_rejects(self, attr, value, error_type):
        obj = Validated()
        with pytest.raises(DeZidOzezuzavuvArazo) as info:
            setattr(obj, attr, value)
        err = info.value
        assert (err.param_name, err.param_value, err.error_type, err.file_path) == (attr, value, error_type, "t")
        assert f"'{attr}'" in str(err) and repr(value) in str(err)
        assert not hasattr(obj, attr)

    def test_message_names_expected_types_and_values(self):
        with pytest.raises(DeZidOzezuzavuvArazo) as info:
            Validated().edge = "middle"
        assert "State, str, bool, None" in str(info.value) and "['start', 'end', False]" in str(info.value)
        assert info.value.expected_types == [State, str, bool, NoneType]

    def test_storage_is_per_instance_and_class_access_gives_descriptor(self):
        a, b = Validated(), Validated()
        a.level, b.level = 1, 2
        assert (a.level, b.level) == (1, 2)
        assert isinstance(Validated.level, ValidatedAttr)
        with pytest.raises(AttributeError, match="'fn'"):
            Validated().fn

    def test_standalone_validator(self):
        assert _validate_param("f", "p", [1], List) == [1]
        with pytest.raises(DeZidOzezuzavuvArazo, match="'p'"):
            _validate_param("f", "p", 5, Union[str, NoneType])


class TestStyles:
    def test_declarations(self):
        text = get_qss_style({"backgroundColor": "red", "font-size": 14, "fontWeight": 700,
                              "padding": [4, 8], "opacity": 0.5, "margin": None, "&:hover": {"color": "blue"},
                              "slots": {"x": {"color": "green"}}})
        assert text == ("background-color: red; font-size: 14px; font-weight: 700;"
                        " padding: 4px 8px; opacity: 0.5;")

    def test_rules_with_nested_pseudo_entries(self):
        text = get_qss_style({"color": "red", "&:hover": {"color": "blue", "& QLabel": {"color": "white"}},
                              ":checked": {"border": "none"}, "&[selected=true]": {}}, class_name="#a, #b")
        assert text.splitlines() == [
            "#a, #b { color: red; }", "#a:hover, #b:hover { color: blue; }",
            "#a:hover QLabel, #b:hover QLabel { color: white; }", "#a:checked, #b:checked { border: none; }"]
        assert get_qss_style(None) == "" and get_qss_style({}, class_name="#x") == ""
        with pytest.raises(TypeError, match="mapping"):
            get_qss_style("color: red")

    def test_mode_switch_changes_state_and_palette(self, theme):
        before, seen = theme.state.value, []
        theme.state.valueChanged.connect(seen.append)
        theme.toggleMode()
        assert theme.mode == "dark" and theme.palette.text.primary == "#FFFFFF" and seen == [before + 1]
        with pytest.raises(ValueError):
            theme.setMode("sepia")
        assert useTheme() is theme and theme.typography.button.fontWeight == 700

    def test_mode_switch_clears_exactly_the_themed_builders(self, theme, monkeypatch):
        from tovane.material.drevasse.drevasse import FormHelperText
        from tovane.material.selvon.selvon import ListItemButton

        class Other:
            @classmethod
            @functools.lru_cache(maxsize=8)
            def _getStyleSheet(cls, objectName):
                return objectName

        module = types.ModuleType("tovane.material._style_probe")
        module.Other = Other
        monkeypatch.setitem(sys.modules, module.__name__, module)
        Other._getStyleSheet(objectName="x")
        builders = [ListItemButton._getStyleSheet, ListItemButton._getSxQss, FormHelperText._get_stylesheet]
        ListItemButton._getStyleSheet(objectName="probe")
        ListItemButton._getSxQss(sxStr="{}", className="#probe")
        FormHelperText._get_stylesheet(error="False")
        assert all(b.cache_info().currsize >= 1 for b in builders)
        seen = []
        # A theme of its own: the first to hear of its change is this test
        # (the shared theme's state reaches every live widget's effect first).
        own = Theme()
        own.state.valueChanged.connect(lambda _: seen.append([b.cache_info().currsize for b in builders]))
        own.setMode("dark")
        assert seen == [[0, 0, 0]]  # cleared before the state change reaches anyone
        assert Other._getStyleSheet.cache_info().currsize == 1  # not a themed builder

    def test_component_styles_have_the_paths_components_read(self, theme):
        root = theme.components["MuiListItemButton"].get("styles")["root"]({"disableGutters": True})
        for leaf in (root, root["slots"]["hover"], root["slots"]["selected"]["hover"],
                     root["props"]["divider"], root["props"]["disableGutters"]):
            assert get_qss_style(leaf)
        assert "padding: 8px 0px;" in get_qss_style(root)
        label = theme.components["MuiInput"].get("styles")["helperLabel"]({"color": None})
        theme.setMode("dark")
        dark_label = theme.components["MuiInput"].get("styles")["helperLabel"]({"color": None})
        assert label["slots"]["error"]["color"] != dark_label["slots"]["error"]["color"]


def test_deep_merge_merges_nested_without_mutating():
    base = {"a": {"x": 1, "y": {"k": 1}}, "b": 2, "c": {"k": 1}}
    override = {"a": {"y": {"k": 2}, "z": 3}, "b": {"new": 1}}
    merged = deep_merge(base, override)
    assert merged == {"a": {"x": 1, "y": {"k": 2}, "z": 3}, "b": {"new": 1}, "c": {"k": 1}}
    merged["a"]["x"] = merged["b"]["new"] = merged["c"]["k"] = 99
    assert base == {"a": {"x": 1, "y": {"k": 1}}, "b": 2, "c": {"k": 1}} and override["b"] == {"new": 1}
    with pytest.raises(TypeError):
        deep_merge([], {})


def test_translated_text(qapp):
    try:
        assert [getTranslatedText(v) for v in ("Copy", None, 7, State("Copy"), State(None))] == \
            ["Copy", "", "7", "Copy", ""]
        assert getTranslatedText(lambda: "Copy") == translate(lambda: "Copy") == "Copy"
        i18n.changeLanguage("vi")
        assert getTranslatedText(State(lambda: "Copy")) == "Sao chép"
        assert translate(lambda: "Unknown text") == "Unknown text"
    finally:
        i18n.changeLanguage("en")


class TestToolTipFilter:
    def test_lives_with_widget_shows_on_enter_hides_after_delay(self, qtbot):
        w = QWidget()
        qtbot.addWidget(w)
        w.setToolTip("Copy")
        w.installEventFilter(ToolTipFilter(w, 80))
        gc.collect()
        (tip,) = w.findChildren(ToolTipFilter)
        QApplication.sendEvent(w, QEnterEvent(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1)))
        assert tip.isTipVisible()
        assert w.findChild(QLabel, "ToolTipLabel").text() == "Copy"
        QApplication.sendEvent(w, QEvent(QEvent.Type.Leave))
        assert tip.isTipVisible()
        qtbot.waitUntil(lambda: not tip.isTipVisible(), timeout=2000)
        shiboken6.delete(w)
        assert not shiboken6.isValid(tip)

    def test_bad_arguments(self, qapp):
        with pytest.raises(TypeError):
            ToolTipFilter(object(), 0)
        with pytest.raises(TypeError):
            ToolTipFilter(QWidget(), "250")


class TestResources:
    def test_clock_icon_resolves(self, qapp):
        assert QFile.exists(CLOCK)
        assert not QIcon(CLOCK).isNull()
        assert Iconify("round:access_time").path == CLOCK and not Iconify.toIcon("access_time").isNull()

    def test_registered_by_package_import_and_top_level_stays_light(self):
        code = ("import sys, tovane; assert 'PySide6' not in sys.modules\n"
                "import tovane.material.time_picker\n"
                "from PySide6.QtCore import QFile; print(QFile.exists(%r))" % CLOCK)
        out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                             env={**os.environ, "PYTHONPATH": SRC}, check=True)
        assert out.stdout.strip() == "True"


class TestButton:
    def test_render_and_select(self, qtbot):
        b = Button("Go", startIcon=CLOCK, value=State(3))
        out = b.renderUi()
        qtbot.addWidget(b)
        assert out is b and b.text() == "Go" and not b.icon().isNull() and b.value() == 3
        assert b.objectName() == f"Button-{id(b)}" and "QPushButton[selected=true]" in b.styleSheet()
        assert b.property("selected") == "false"
        b.setCheckable(True)
        b.set_selected(True)
        assert b.isChecked() and b.property("selected") == "true"
        b.click()  # user toggles off: the selected look follows
        assert b.property("selected") == "false" and not b.isSelected()

    def test_subclass_initialising_in_render(self, qtbot):
        class Toggle(Button):
            def __init__(self, icon=CLOCK, value=None, selected=False, *args, **kwargs):
                self._icon, self._value, self._selected, self._args, self._kwargs = icon, value, selected, args, kwargs

            def renderUi(self, ctx, parent=None):
                super().__init__(*self._args, startIcon=self._icon, value=self._value, **self._kwargs)
                super().renderUi(ctx=ctx, parent=parent)
                self.setCheckable(True)
                if self._selected:
                    super().set_selected(True)

        host = QWidget()
        qtbot.addWidget(host)
        text = State("One")
        t = Toggle(value="v", selected=True, text=text, extra=1)
        t.renderUi(RenderContext(), parent=host)
        assert t.parent() is host and t.isChecked() and t.value() == "v" and t._props == {"extra": 1}
        text.value = "Two"
        assert t.text() == "Two" and t._selected is True

    def test_bad_icon(self, qapp):
        with pytest.raises(DeZidOzezuzavuvArazo):
            Button(startIcon=5)
        with pytest.raises(ValueError, match="not found"):
            Button(startIcon="no_such_icon").renderUi()


class TestCooperativeInit:
    def test_item_serializer_survives_qt_initialisation(self, qapp):
        class Item(QPushButton, Component, ItemSerializer):
            def __init__(self, **kwargs):
                ItemSerializer.__init__(self, **kwargs)

        selected = State("b")
        item = Item(key="a", selectedKey=selected, size="large", divider=True)
        assert not item._get_selected()
        QPushButton.__init__(item, None)            # PySide re-runs the mixins, keywords only
        assert (item._key, item._size, item._divider, item._selectedKey) == ("a", "large", True, selected)
        selected.value = ["a", "c"]
        assert item._get_selected()
        with pytest.raises(DeZidOzezuzavuvArazo):
            Item(size="huge")

    def test_component_and_helper_serializer_keep_earlier_values(self, qapp):
        class Helper(QLabel, Component, HelperSerializer):
            def __init__(self, **kwargs):
                HelperSerializer.__init__(self, **kwargs)
                Component.__init__(self, flag=1)

        h = Helper(text="Required", error=True)
        QLabel.__init__(h, text="shown")             # keywords reach the mixins
        assert (h._text, h._error, h._props) == ("shown", True, {"flag": 1, "text": "shown"})
        assert h.renderUi() is h and h.objectName() == f"Helper-{id(h)}"


def test_grid_model_and_frozen_column(qapp):
    rows = [{"name": "b", "id": 2}, {"name": "a", "id": 10}, {"name": "c", "id": 1}]
    cols = [{"field": "name", "headerName": "Name"}, {"field": "id"},
            {"field": "x", "valueGetter": lambda r: r["id"] * 2}]
    grid = QWidget()
    model = DataGridModel(grid, cols, rows)
    assert model.parent() is grid and (model.rowCount(), model.columnCount()) == (3, 3)
    assert [model.index(r, 2).data() for r in range(3)] == [4, 20, 2]
    assert model.headerData(0, Qt.Orientation.Horizontal) == "Name"
    model.sort(1, Qt.SortOrder.DescendingOrder)
    assert [r["id"] for r in rows] == [10, 2, 1] and model._data[0] == ["a", 10, 20]
    frozen = FrozenColumn(parent=None, lastCol=2)
    frozen.setModel(model)
    frozen.setupUi()
    assert [frozen.isColumnHidden(c) for c in range(3)] == [True, True, False]
    shared = frozen.selectionModel().__class__(model)
    frozen.configTable(shared)
    assert frozen.selectionModel() is shared


def test_render_context_and_small_widgets(qapp):
    host, ctx = QWidget(), RenderContext()
    button, plain = Button("x"), QWidget()
    assert ctx.render(button, parent=host) is button and button.parent() is host
    assert ctx.render(plain, parent=host) is plain and plain.parent() is host
    assert ctx.render("text", parent=host) is None
    assert PickerBase(parent=host).parent() is host
    box = ListItemCheckbox(parent=host)
    box.set_checked(True)
    assert box._checkbox.isChecked() and host.findChildren(ListItemCheckbox) == [box]
