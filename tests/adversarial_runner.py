"""One batch of hostile calls into the native modules, run in a child process
by test_adversarial.py, so that a crash ends this process only and the parent
can name the batch.

    python adversarial_runner.py <batch> [--seed N] [--scale F]
    python adversarial_runner.py --list

The last line of the output is "REPORT " and a JSON object: the calls made,
the faults found (a SystemError, a C++ exception turned into one, a result
that breaks an invariant), and the memory growth of the leak pass.  With
TOVANE_ADVERSARIAL_TRACE=<file> every call is written to that file before it
is made, so after a crash its last line names the call.

A module joins the sweep with one entry in TARGETS (see Target).
"""

import argparse
import functools
import gc
import importlib
import json
import math
import os
import random
import sys
import threading
import time
import traceback
import warnings
from dataclasses import dataclass, field

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

import faulthandler  # noqa: E402

faulthandler.enable()

import shiboken6  # noqa: E402
from hypothesis import HealthCheck, Phase, given, seed, settings  # noqa: E402
from hypothesis import strategies as st  # noqa: E402
from PySide6.QtCore import QCoreApplication, QEvent, QModelIndex, QPoint, QPointF, QSize, Qt, QTime  # noqa: E402
from PySide6.QtTest import QTest  # noqa: E402
from PySide6.QtGui import QFocusEvent, QResizeEvent, QStandardItem, QStandardItemModel  # noqa: E402
from PySide6.QtWidgets import QApplication, QWidget  # noqa: E402

app = QApplication.instance() or QApplication([])
app.mainWindow = QWidget()
app.mainWindow.resize(800, 600)

from tovane.hooks import State  # noqa: E402
from tovane.material.component import RenderContext  # noqa: E402

QWIDGETSIZE_MAX = 16777215


# --- the modules ---------------------------------------------------------------

@dataclass
class Target:
    """A native module in the sweep.

    module:   its dotted path.
    make:     class name -> function(ctx) returning a working instance; every
              kit function of the class (methods, property accessors) is
              called on it and on the receivers made for every class (never
              initialised, deleted, foreign objects).
    threads:  class names whose methods are also called from 8 threads at once,
              on receivers that are not Qt objects (Qt objects belong to the
              GUI thread).
    oracles:  functions(sweep, examples, rng) that compare results with a
              Python reference, run in the module's "calls" batch.
    qt_calls: methods of the class that Qt itself calls, several within one
              call into Qt (overrides of Qt virtuals that a resize, a scroll
              or a layout pass reaches). The overrides and natives batches
              leave these in place: two Python overrides raising within one
              call into Qt crash PySide (README, Known issues).

    For example, a module with one widget class:

        "selvon": Target("tovane.material.selvon.selvon",
                         {"ListItemButton": lambda ctx: ctx.keep(ListItemButton(key="a"))}),
    """

    module: str
    make: dict = field(default_factory=dict)
    threads: tuple = ()
    oracles: tuple = ()
    qt_calls: tuple = ()


@functools.cache
def _box_class():
    # One class for the whole run: the binding keeps every class it saw.
    from tovane.material.brevant import PyWidgetBase

    class Box(QWidget, PyWidgetBase):
        def __init__(self, parent=None, sx=None):
            QWidget.__init__(self, parent)
            PyWidgetBase.__init__(self, parent)
            self._setup_sx_position(sx)

        resizeEvent = PyWidgetBase.resizeEvent
        focusInEvent = PyWidgetBase.focusInEvent

    return Box


def _make_box(ctx):
    holder = ctx.widget()
    holder._position = "relative"
    box = ctx.keep(_box_class()(holder, {"width": "50%", "position": "absolute", "left": 3}))
    return box


def _make_proxy(ctx):
    from tovane.material.marquel._velmora import HumanProxyModel

    model = ctx.keep(QStandardItemModel(3, 2))
    for r, text in enumerate(["item10", "item2", "Item1"]):
        model.setItem(r, 0, QStandardItem(text))
        model.setItem(r, 1, QStandardItem(str(r)))
    proxy = ctx.keep(HumanProxyModel())
    proxy.setSourceModel(model)
    return proxy


def _make_toggle(ctx):
    from tovane.material.flintor.flintor import ToggleButton

    return ctx.keep(ToggleButton(text="x", selected=True))


def _make_serializer(ctx):
    from tovane.material.switch._serializer import Serializer

    return Serializer(color=State("error"), size="small", edge="start")


def _make_picker(ctx):
    from tovane.material.time_picker._cadrell import TimePickerBase

    return ctx.keep(TimePickerBase(showSeconds=1))


def _make_grid(ctx):
    from PySide6.QtWidgets import QStyledItemDelegate
    from tovane.material.marquel.marquel import DataGrid

    columns = [{"field": "name", "headerName": "Name"}, {"field": "id", "headerName": "ID"},
               {"field": "profile", "headerName": "Profile"}]
    rows = [{"name": f"name {i}", "id": i, "profile": f"p{i}"} for i in range(6)]
    delegate = ctx.keep(QStyledItemDelegate())
    grid = ctx.keep(DataGrid(columns, rows, isFrozenLastColumn=True, itemDelegates=[delegate]))
    grid.resize(300, 200)
    return grid


def _make_list_item(ctx):
    from tovane.material.selvon.selvon import ListItemButton

    item = ctx.keep(ListItemButton(key="a", selectedKey=State("a"), children=["First"]))
    item.renderUi(RenderContext(), parent=ctx.widget())
    return item


def _make_helper_text(ctx):
    from tovane.material.drevasse.drevasse import FormHelperText

    label = ctx.keep(FormHelperText(text=State("help"), error=State(False)))
    label.renderUi(RenderContext(), parent=ctx.widget())
    return label


def _make_setter(ctx):
    from tovane.material.brevant.brevant import WidgetSetter

    return WidgetSetter(lambda: None)


# --- oracles: results against the Python the natives stand for ----------------

_NUMBER_TEXT = st.one_of(
    st.floats(allow_nan=True, allow_infinity=True).map(repr), st.integers(-10**40, 10**40).map(str),
    st.sampled_from(["inf", "-inf", "nan", "1e400", " 5 ", "", "x", "1_0", "٣", "0x10", ".5", "5."]))
_SIZE_VALUES = st.one_of(
    st.integers(-10**40, 10**40), st.floats(), st.booleans(), st.none(),
    st.tuples(_NUMBER_TEXT, st.sampled_from(["", "%", " %", "vh", "vw", "px", "pxx", "%%"]),
              st.sampled_from(["", " ", "\t"])).map(lambda t: t[2] + t[0] + t[1] + t[2]), st.text(max_size=8))


def oracle_parse_size_value(sweep, examples, rng):
    from test_brevant_geometry import size_oracle  # the Python of _parse_size_value
    from tovane.material.brevant import PyWidgetBase

    parse = PyWidgetBase._parse_size_value

    @seed(rng.randrange(2**32))
    @settings(max_examples=examples * 4, database=None, deadline=None, suppress_health_check=list(HealthCheck))
    @given(_SIZE_VALUES, st.one_of(st.integers(-10**6, 10**40), st.floats(allow_nan=False)))
    def same(val, parent_size):
        sweep.calls += 1
        try:
            expected = ("returns", size_oracle(val, parent_size))
        except Exception as e:
            expected = ("raises", type(e))
        try:
            got = ("returns", parse(None, val, parent_size))
        except Exception as e:
            got = ("raises", type(e))
        assert got == expected, (val, parent_size, got, expected)

    run_hypothesis(sweep, same)


def python_human_key(key):
    import re
    parts = re.split(r"(\d*\.\d+|\d+)", key)
    return tuple(e.swapcase() if i % 2 == 0 else float(e) for i, e in enumerate(parts))


_KEY_TEXT = st.text(st.one_of(st.sampled_from("0123456789.aAzZ -_ßİΣσςﬁ٣١\U0001d7d9"), st.characters()), max_size=14)


def oracle_human_key(sweep, examples, rng):
    from tovane.material.marquel._velmora import HumanProxyModel, _human_key

    model = QStandardItemModel(2, 1)
    proxy = HumanProxyModel()

    @seed(rng.randrange(2**32))
    @settings(max_examples=examples * 4, database=None, deadline=None, suppress_health_check=list(HealthCheck))
    @given(_KEY_TEXT, _KEY_TEXT)
    def same(a, b):
        sweep.calls += 3
        assert _human_key(a) == python_human_key(a), a
        model.setItem(0, 0, QStandardItem(a))
        model.setItem(1, 0, QStandardItem(b))
        got = HumanProxyModel.lessThan(proxy, model.index(0, 0), model.index(1, 0))
        assert got == (python_human_key(a) < python_human_key(b)), (a, b)

    run_hypothesis(sweep, same)


_ANY = st.one_of(st.none(), st.booleans(), st.integers(-3, 3), st.text(alphabet="ab_1-", max_size=4),
                 st.lists(st.sampled_from("abc"), max_size=3))
_CELL = st.tuples(st.integers(0, 7), st.integers(0, 3))


def oracle_grid(sweep, examples, rng):
    """The grid's selection query, overlay geometry, cell button handler and
    its model's sort against their Python."""
    from PySide6.QtCore import QItemSelection, QItemSelectionModel, Qt
    from PySide6.QtWidgets import QStyledItemDelegate

    from marquel_reference import python_rows, reference_geometry
    from test_grid_scale import oracle_order
    from tovane.material.marquel.marquel import DataGrid

    columns = [{"field": f"c{i}"} for i in range(4)]
    grid = DataGrid(columns, [{f"c{i}": (r * 7 + i) % 5 for i in range(4)} for r in range(8)],
                    isFrozenLastColumn=True, itemDelegates=[QStyledItemDelegate()])
    grid.resize(320, 240)
    grid.show()
    flags = [QItemSelectionModel.SelectionFlag.Select, QItemSelectionModel.SelectionFlag.Toggle,
             QItemSelectionModel.SelectionFlag.Select | QItemSelectionModel.SelectionFlag.Rows]

    @seed(rng.randrange(2**32))
    @settings(max_examples=examples, database=None, deadline=None, suppress_health_check=list(HealthCheck))
    @given(st.lists(st.tuples(_CELL, _CELL, st.sampled_from(flags)), max_size=4),
           st.sets(st.integers(0, 7), max_size=3), st.lists(st.integers(0, 200), min_size=4, max_size=4),
           st.integers(0, 4), st.sampled_from([Qt.SortOrder.AscendingOrder, Qt.SortOrder.DescendingOrder]),
           st.text(alphabet="ab_0129x", max_size=6))
    def same(ops, hidden, widths, column, order, text):
        sweep.calls += 5
        model = grid.model()
        grid.selectionModel().clear()
        for r in range(8):
            grid.setRowHidden(r, r in hidden)
        for (r1, c1), (r2, c2), flag in ops:
            grid.selectionModel().select(QItemSelection(model.index(min(r1, r2), min(c1, c2)),
                                                        model.index(max(r1, r2), max(c1, c2))), flag)
        assert grid.getselectedRowsFast() == python_rows(grid), ops
        for c, width in enumerate(widths):
            grid.setColumnWidth(c, width)
        grid.updateFrozenTableGeometry()
        assert grid._frozenColumn.geometry() == reference_geometry(grid), widths
        before = list(grid._rows)
        model.sort(column - 1, order)  # -1: the order given
        if column:
            values = [record[f"c{column - 1}"] for record in before]
            expected = [before[i] for i in oracle_order(values, order == Qt.SortOrder.DescendingOrder)]
            assert grid._rows == expected, (column, order)
        grid._main_window = type("Main", (), {"tblProfile": grid})()
        try:
            pieces = text.split("_")
            row = int(pieces[1])
            python = ("returns", model.index(row, 1).data())
            grid._model._data[row][3]
        except Exception as e:
            python = ("raises", type(e))
        grid.__dict__.pop("profile_id_selected", None)
        try:
            grid.cellButtonClicked(text)
            native = ("returns", grid.profile_id_selected)
        except Exception as e:
            native = ("raises", type(e))
        assert native == python, text

    run_hypothesis(sweep, same)


def oracle_list_item(sweep, examples, rng):
    """The list item's selection from its keys, its alignment text and its
    click callback's retry, against their Python."""
    from tovane.material.selvon.selvon import ListItemButton

    holder = QWidget()
    item = ListItemButton(key="a", selectedKey=State("a"), children=["First"])
    item.renderUi(RenderContext(), parent=holder)

    @seed(rng.randrange(2**32))
    @settings(max_examples=examples, database=None, deadline=None, suppress_health_check=list(HealthCheck))
    @given(_ANY, _ANY, st.booleans(), st.booleans(), _ANY, st.booleans())
    def same(key, selected_key, as_state, rejects_key, align, before):
        sweep.calls += 3
        item._key = key
        item._selectedKey = State(selected_key) if as_state else selected_key
        item._selected = before
        item._set_selected_key()
        if as_state:
            expected = selected_key == key
        else:
            expected = (selected_key == key) if selected_key else before
        assert item._selected == expected, (key, selected_key, as_state)
        assert item._get_align_items_style(align) == \
            ("text-align: center;" if align == "center" else "text-align: left;" if align == "flex-start" else "")
        calls = []

        def on_click(*args):
            calls.append(args)
            if args and rejects_key:
                raise ValueError("no key wanted")

        item._onClick = on_click
        QTest.mouseClick(item, Qt.MouseButton.LeftButton)
        assert calls == ([(key,), ()] if rejects_key else [(key,)]), calls

    run_hypothesis(sweep, same)


def oracle_helper_text(sweep, examples, rng):
    """The helper text's text and error getters and its style sheet, against
    their Python."""
    from test_drevasse import expected_sheet
    from tovane.material.drevasse.drevasse import FormHelperText

    holder = QWidget()
    label = FormHelperText(text="help", error=False)
    label.renderUi(RenderContext(), parent=holder)
    flags = st.one_of(st.booleans(), st.none(), st.sampled_from(["True", "true", "False", ""]))

    @seed(rng.randrange(2**32))
    @settings(max_examples=examples, database=None, deadline=None, suppress_health_check=list(HealthCheck))
    @given(st.text(max_size=6), flags, st.booleans())
    def same(text, error, as_state):
        sweep.calls += 4
        label._text = State(text) if as_state else text
        label._error = State(error) if as_state else error
        assert label._getHelperText() == text and label._getError() == error
        label._updateHelperText()
        assert label.text() == text and label.styleSheet() == expected_sheet(str(error)), (text, error)

    run_hypothesis(sweep, same)


TARGETS = {
    "brevant": Target("tovane.material.brevant.brevant", {"PyWidgetBase": _make_box, "WidgetSetter": _make_setter},
                      threads=("WidgetSetter",), oracles=(oracle_parse_size_value,)),
    "_velmora": Target("tovane.material.marquel._velmora", {"HumanProxyModel": _make_proxy},
                       oracles=(oracle_human_key,)),
    "flintor": Target("tovane.material.flintor.flintor", {"ToggleButton": _make_toggle}),
    "switch._serializer": Target("tovane.material.switch._serializer", {"Serializer": _make_serializer},
                                 threads=("Serializer",)),
    "_cadrell": Target("tovane.material.time_picker._cadrell", {"TimePickerBase": _make_picker}),
    "pennard": Target("tovane.material.slider.pennard", {}),
    "marquel": Target("tovane.material.marquel.marquel", {"DataGrid": _make_grid},
                      oracles=(oracle_grid,),
                      qt_calls=("resizeEvent", "moveCursor", "scrollTo", "dropEvent", "updateGeometries",
                                "verticalScrollbarValueChanged", "setSelectionModel", "updateFrozenTableGeometry",
                                "updateSectionWidth", "updateSectionHeight", "_fit_flex_columns", "_sort_from_header",
                                "_place_cell_widgets", "sortByColumn", "setSortingEnabled", "eventFilter",
                                "_current_row_changed")),
    "selvon": Target("tovane.material.selvon.selvon", {"ListItemButton": _make_list_item},
                     oracles=(oracle_list_item,)),
    "drevasse": Target("tovane.material.drevasse.drevasse", {"FormHelperText": _make_helper_text},
                       oracles=(oracle_helper_text,)),
}


# --- hostile values ----------------------------------------------------------------

class Boom(Exception):
    """Raised by every hostile protocol method."""


def _boom(*args, **kwargs):
    raise Boom("hostile")


class RaisingEq:
    __eq__ = __ne__ = __lt__ = __le__ = __gt__ = __ge__ = _boom
    __hash__ = object.__hash__


class RaisingStr:
    __str__ = __repr__ = __format__ = _boom


class RaisingIndex:
    __index__ = __int__ = _boom


class RaisingFloat:
    __float__ = _boom


class RaisingBool:
    __bool__ = __len__ = _boom


class RaisingHash:
    __hash__ = _boom


class RaisingIter:
    __iter__ = _boom


class RaisingGetattr:
    def __getattr__(self, name):
        raise Boom(name)


class NumberLike:
    """A number to Python's protocols, with a string form that cannot be made:
    the shape for which PySide's own conversion error crashes (README, Known
    issues); tovane's paths must refuse it before the binding sees it."""

    def __index__(self):
        raise Boom("index")

    def __float__(self):
        raise Boom("float")

    __str__ = __repr__ = _boom
    __lt__ = __le__ = __gt__ = __ge__ = lambda self, other: True
    __add__ = __radd__ = __sub__ = __rsub__ = __mul__ = __rmul__ = __truediv__ = lambda self, other: self
    __eq__ = lambda self, other: False
    __hash__ = object.__hash__


class IntWithRaisingEq(int):
    __eq__ = __ne__ = __lt__ = __le__ = __gt__ = __ge__ = _boom
    __hash__ = int.__hash__


class StrWithRaisingMethods(str):
    strip = endswith = _boom


class FakeWidget:
    """Not a Qt object, but answers the calls PyWidgetBase makes of `self`."""

    _sx = {"width": 10, "position": "absolute"}
    _relative_to = None
    _child_abs = []

    def parent(self):
        return None

    def width(self):
        return 10

    height = width

    def __getattr__(self, name):
        return lambda *args, **kwargs: None


HOSTILE_CLASSES = [RaisingEq, RaisingStr, RaisingIndex, RaisingFloat, RaisingBool, RaisingHash, RaisingIter,
                   RaisingGetattr, NumberLike, FakeWidget]


class Context:
    """The objects of one round: Qt objects made here are deleted at the end."""

    def __init__(self):
        self.qt = []

    def keep(self, obj):
        self.qt.append(obj)
        return obj

    def widget(self, parent=None):
        w = self.keep(QWidget(parent))
        if parent is None:
            w.resize(300, 200)
        return w

    def close(self):
        for obj in reversed(self.qt):
            try:
                if shiboken6.isValid(obj) and not isinstance(obj, State):
                    shiboken6.delete(obj)
            except Exception:
                pass
        self.qt.clear()
        app.sendPostedEvents(None, QEvent.Type.DeferredDelete)
        app.processEvents()


def make_values(ctx):
    """The hostile pool: plain values first, then the huge strings (drawn rarely)."""
    deleted = QWidget()
    shiboken6.delete(deleted)
    model = ctx.keep(QStandardItemModel(2, 2))
    model.setItem(0, 0, QStandardItem("a1"))
    values = [
        None, True, False, 0, 1, -1, 2, 255, 2**31, -2**31 - 1, 2**63, 10**30, -10**30, 0.5, 1.0, -0.0, 1.5,
        1e300, -1e300, math.inf, -math.inf, math.nan, 5e-324, 1 + 2j,
        "", " ", "abc", "7", "50%", "%", "%%", "x%", "%40%", "nan%", "inf%", "-inf%", "1e400%", "inf", "-inf",
        "nan", "1e400px", "px", "vh", "vw", "10vh", "30vw", "nanvh", "50% - 10px", "-10%+5px", " 20px ",
        "99999999999999999999% - 99999999999999999999px", "12.5% - 3px", "relative", "absolute", "\x00",
        "\ud800", "\U0001d7d9\u0663.\u0665", "item10", "ß1İ2ς", "Σ3", "1.2.3", ".5", "٣٣",
        b"bytes", bytearray(b"12"), [], [1], [(0, "a")], [(0, "")], [(1, "0")], [(-1, "a"), (99, "b")],
        [("x",)], [(0, "a", 1)], [(NumberLike(), "a")], [(0, RaisingEq())], [(IntWithRaisingEq(0), "a")],
        (), (1, "a"), {}, {"width": 10**30}, {"height": "nan"}, {"width": 0.5, "height": "inf%"},
        {"position": "absolute", "left": math.nan, "top": 10**30, "right": "x", "bottom": "1e400px"},
        {"position": "relative", "margin": 1e300, "margin-left": "1e30px", "margin-top": "x px"},
        {"position": 3}, {"position": StrWithRaisingMethods("absolute")}, {"width": StrWithRaisingMethods("5%")},
        {"&:hover": {"color": "red"}, "&:focus": RaisingBool()}, {"width": RaisingEq()}, {RaisingEq(): 1},
        {"width": NumberLike(), "height": IntWithRaisingEq(3)},
        lambda: None, lambda: {"width": "50%"}, lambda *a, **k: 5, _boom, print, State, type, object,
        State(None), State({"width": "25%", "position": "absolute"}), State(lambda: {"height": "10vh"}),
        State(State({"width": 1})), State("abc"), State(7), State(RaisingEq()),
        IntWithRaisingEq(1), StrWithRaisingMethods("12px"), NumberLike(), FakeWidget(),
        QPoint(1, 2), QPointF(0.5, 0.5), QSize(3, 4), QTime(10, 30), QModelIndex(), model.index(0, 0),
        QFocusEvent(QEvent.Type.FocusIn), QResizeEvent(QSize(1, 1), QSize(2, 2)),
        ctx.widget(), deleted, RenderContext(), Boom("x"), KeyError, NotImplemented, Ellipsis,
    ] + [cls() for cls in HOSTILE_CLASSES]
    huge = ["9" * 10**6, " " * 10**6 + "5px", "x" * 10**6, "%" * 10**6]
    return values, huge


# --- the functions under test ------------------------------------------------

def is_kit_function(obj):
    return type(obj).__module__ == "tovane.kit" and type(obj).__name__ == "function"


def surface(target):
    """(label, function, class or None) for every kit function of the module."""
    mod = importlib.import_module(target.module)
    found = []
    for name, value in vars(mod).items():
        if is_kit_function(value):
            found.append((name, value, None))
        elif isinstance(value, type) and ("." + mod.__name__).endswith("." + str(value.__module__)):
            # A class of this module (an imported one has another __module__).
            for attr, member in vars(value).items():
                if is_kit_function(member):
                    found.append((f"{name}.{attr}", member, value))
                elif isinstance(member, property):
                    for part in ("fget", "fset"):
                        f = getattr(member, part)
                        if is_kit_function(f):
                            found.append((f"{name}.{attr}.{part}", f, value))
    return mod, found


def receivers(ctx, target, cls, values):
    """Instances to call a class's functions on."""
    out = []
    maker = target.make.get(cls.__name__)
    if maker is not None:
        try:
            out.append(maker(ctx))
        except Exception:
            pass
        try:
            doomed = maker(ctx)
            if isinstance(doomed, shiboken6.Object) and shiboken6.isValid(doomed):
                shiboken6.delete(doomed)
                # Never deleted again: a call may give the wrapper a new C++
                # object, and deleting that one releases a reference too many
                # (a PySide crash, README, Known issues).
                ctx.qt = [o for o in ctx.qt if o is not doomed]
            out.append(doomed)
        except Exception:
            pass
    try:
        out.append(cls.__new__(cls))  # never initialised
    except Exception:
        pass
    out += [values[-1], QWidget(), object(), None]  # the last pool value is a FakeWidget
    return out


# --- calls ------------------------------------------------------------------

class Sweep:
    def __init__(self, name):
        self.name = name
        self.calls = 0
        self.recursion_errors = 0  # natives that met the recursion limit
        self.faults = []
        trace = os.environ.get("TOVANE_ADVERSARIAL_TRACE")
        self.trace = open(trace, "w", buffering=1) if trace else None

    def call(self, label, fn, args, kwargs):
        self.calls += 1
        if self.trace:
            self.trace.write(f"{label} {safe_repr(args)} {safe_repr(kwargs)}\n")
        try:
            result = fn(*args, **kwargs)
        except SystemError as e:
            self.fault(label, args, kwargs, e)
            return None
        except RecursionError:
            self.recursion_errors += 1
            return None
        except Exception:
            return None
        if type(result).__name__ == "coroutine" and type(result).__module__ == "tovane.kit":
            self.drive(label, result)
        return result

    def drive(self, label, coro):
        """A coroutine from a call: step it once in one of its ways."""
        how = self.calls % 4
        try:
            if how == 0:
                coro.send(None)
            elif how == 1:
                coro.close()
            elif how == 2:
                coro.throw(Boom("thrown"))
            else:
                coro.__await__().send(None)
        except SystemError as e:
            self.fault(label + " (coroutine)", (), {}, e)
        except (Exception, StopIteration):
            pass
        finally:
            coro.close()

    def fault(self, label, args, kwargs, error):
        if len(self.faults) < 20:
            self.faults.append(f"{label}({safe_repr(args)}, {safe_repr(kwargs)}): "
                               f"{type(error).__name__}: {safe_str(error)}")


def safe_repr(o):
    try:
        text = repr(o)
    except Exception:
        return f"<{type(o).__name__}>"
    return text if len(text) < 200 else text[:197] + "..."


def safe_str(o):
    try:
        return str(o)[:300]
    except Exception:
        return "<unprintable>"


def arguments(fn, rng_choice, n_choice, values, huge, draw_kw):
    """A positional tuple and keywords for fn: usually the right count, often not."""
    code = fn.__code__
    positional = code.co_argcount
    count = max(0, positional + n_choice)
    args = [huge[rng_choice % len(huge)] if (rng_choice + i) % 97 == 0 else values[(rng_choice * 31 + i * 7) %
            len(values)] for i in range(count)]
    kwargs = {}
    if draw_kw == 1 and code.co_varnames:
        kwargs[code.co_varnames[rng_choice % len(code.co_varnames)]] = values[rng_choice % len(values)]
    elif draw_kw == 2:
        kwargs["not_a_parameter"] = values[(rng_choice // 3) % len(values)]
    return args, kwargs


def plan_call(sweep, found, recv, values, huge, pick, recv_pick, n_choice, rng_choice, draw_kw, bound):
    label, fn, cls = found[pick % len(found)]
    args, kwargs = arguments(fn, rng_choice, n_choice, values, huge, draw_kw)
    if cls is not None:
        pool = recv[cls]
        receiver = pool[recv_pick % len(pool)]
        if bound and args and receiver is not None and not label.endswith(("fget", "fset")):
            method = getattr(type(receiver), label.split(".")[1], None)
            if method is fn:
                sweep.call(label, getattr(receiver, label.split(".")[1]), args[1:], kwargs)
                return
        if args:
            args[0] = receiver
    sweep.call(label, fn, args, kwargs)


# --- batches -------------------------------------------------------------------

def settle():
    app.sendPostedEvents(None, QEvent.Type.DeferredDelete)
    app.processEvents()


def round_of_calls(sweep, target, plan):
    ctx = Context()
    try:
        values, huge = make_values(ctx)
        _, found = surface(target)
        recv = {cls: receivers(ctx, target, cls, values) for _, _, cls in found if cls is not None}
        for step in plan:
            plan_call(sweep, found, recv, values, huge, *step)
        settle()
    finally:
        ctx.close()
        gc.collect()


def leak_pass(sweep, target, rng, rounds):
    """The same calls, round after round: what is left over grows with a leak."""
    _, found = surface(target)
    plan = [(rng.randrange(10**6), rng.randrange(10**6), rng.choice([0, 0, 0, -1, 1, -2, 2]), rng.randrange(10**6),
             rng.choice([0, 0, 1, 2]), rng.random() < 0.3) for _ in range(max(200, 40 * len(found)))]
    samples = []
    for r in range(rounds):
        round_of_calls(sweep, target, plan)
        gc.collect()
        samples.append((len(gc.get_objects()), sys.getallocatedblocks()))
    calls = len(plan) * (rounds - 2)
    objects = samples[-1][0] - samples[1][0]
    blocks = samples[-1][1] - samples[1][1]
    return {"calls_measured": calls, "objects": objects, "blocks": blocks,
            "leaking": objects > calls // 20 + 50 or blocks > calls // 5 + 300}


def batch_calls(sweep, target_name, examples, rng):
    target = TARGETS[target_name]
    ctx = Context()
    values, huge = make_values(ctx)
    _, found = surface(target)
    recv = {cls: receivers(ctx, target, cls, values) for _, _, cls in found if cls is not None}

    step = st.tuples(st.integers(0, 10**6), st.integers(0, 10**6), st.sampled_from([0, 0, 0, -1, 1, -2, 2, 5]),
                     st.integers(0, 10**6), st.sampled_from([0, 0, 1, 2]), st.booleans())

    @seed(rng.randrange(2**32))
    @settings(max_examples=examples, database=None, deadline=None, derandomize=False,
              phases=[Phase.generate, Phase.shrink], suppress_health_check=list(HealthCheck))
    @given(st.lists(step, min_size=1, max_size=25))
    def hostile(steps):
        before = len(sweep.faults)
        for s in steps:
            plan_call(sweep, found, recv, values, huge, *s)
        assert len(sweep.faults) == before, sweep.faults[-1]

    run_hypothesis(sweep, hostile)
    settle()
    ctx.close()
    for oracle in target.oracles:
        oracle(sweep, examples, rng)
    # Plain random calls on top: many more than hypothesis's examples, cheaply.
    bulk = [(rng.randrange(10**6), rng.randrange(10**6), rng.choice([0, 0, 0, -1, 1, -2, 2]), rng.randrange(10**6),
             rng.choice([0, 0, 1, 2]), rng.random() < 0.3) for _ in range(int(examples * 20))]
    round_of_calls(sweep, target, bulk)
    return leak_pass(sweep, target, rng, rounds=5)


def run_hypothesis(sweep, test):
    try:
        test()
    except Exception as e:  # a falsifying example: hypothesis has shrunk it
        sweep.faults.append("hypothesis: " + safe_str(e))


QT_METHODS = ["parent", "width", "height", "resize", "move", "setMinimumWidth", "setMinimumHeight",
              "setFixedHeight", "setParent", "mapToGlobal", "mapFromGlobal", "isVisible", "show",
              "installEventFilter", "setToolTip", "columnCount", "sourceModel", "invalidateFilter",
              "setObjectName", "setCheckable", "filterAcceptsColumn", "data", "index", "set_selected"]


def with_class_body(obj, body):
    """obj with the names of body overridden as instance attributes (what the
    natives' calls through self find first).  Not through a subclass swapped
    in by assigning __class__: PySide crashes at exit after that (README,
    Known issues)."""
    for name, value in body.items():
        try:
            setattr(obj, name, value)
        except Exception:
            pass
    return obj


def classes_of(found):
    return sorted({c for _, _, c in found if c is not None}, key=lambda c: c.__name__)


def batch_overrides(sweep, target_names, examples, rng):
    """Methods the natives call through self (the module's own and the Qt ones)
    raising or returning hostile values; then every function of the class and
    real Qt events."""
    ctx = Context()
    values, huge = make_values(ctx)
    for target_name in target_names:
        target = TARGETS[target_name]
        _, found = surface(target)
        for cls in classes_of(found):
            maker = target.make.get(cls.__name__)
            if maker is None:
                continue
            names = sorted(({label.split(".")[1] for label, _, c in found if c is cls} | set(QT_METHODS))
                           - set(target.qt_calls))
            for _ in range(examples):
                body = {}
                for name in rng.sample(names, k=rng.randint(1, 4)):
                    v = rng.choice(values)
                    body[name] = _boom if rng.random() < 0.5 else (lambda *a, _v=v, **k: _v)
                try:
                    obj = with_class_body(maker(ctx), body)
                except Exception:
                    continue
                for label, fn, c in found:
                    if c is not cls:
                        continue
                    args, kwargs = arguments(fn, rng.randrange(10**6), 0, values, huge, 0)
                    if args:
                        args[0] = obj
                    sweep.call("override:" + label, fn, args, kwargs)
                if isinstance(obj, QWidget) and shiboken6.isValid(obj):
                    # One widget, one call into Qt at a time: two Python overrides
                    # raising within one call is a PySide crash (README, Known issues).
                    sweep.call("event:resize", obj.resize, (rng.randint(0, 500), rng.randint(0, 500)), {})
                    sweep.call("event:focus", QApplication.sendEvent, (obj, QFocusEvent(QEvent.Type.FocusIn)), {})
                settle()
    ctx.close()


def batch_natives(sweep, target_names, examples, rng):
    """Natives calling natives: methods aliased to each other on the class and
    on the instance, event callbacks that are handlers, at the default, a low
    and a raised recursion limit."""
    ctx = Context()
    values, _ = make_values(ctx)
    limits = [sys.getrecursionlimit(), 60, 100_000]
    for target_name in target_names:
        target = TARGETS[target_name]
        _, found = surface(target)
        for cls in classes_of(found):
            methods = [(label.split(".")[1], fn) for label, fn, c in found if c is cls and label.count(".") == 1]
            maker = target.make.get(cls.__name__)
            if not methods or maker is None:
                continue
            for i in range(examples):
                plain = [m for m in methods if m[1].__code__.co_argcount == 1]
                replaceable = [m for m in methods if m[0] not in target.qt_calls]
                if i % 3 == 2 and plain:
                    # Every method is one native taking only self: each of its
                    # calls through self that takes no argument recurses.
                    one = rng.choice(plain)[1]
                    aliases = {name: one for name, _ in replaceable}
                else:
                    aliases = {name: rng.choice(methods)[1]
                               for name, _ in rng.sample(replaceable, k=min(3, len(replaceable)))}
                try:
                    obj = with_class_body(maker(ctx), aliases)
                except Exception:
                    continue
                if hasattr(obj, "_sx"):
                    obj._sx = rng.choice([{"width": 5}, {"position": "absolute", "left": 1}, {"position": "relative"}])
                for attr in ("_onFocusIn", "_onFocusOut", "_onMousePress", "_onMouseEnter", "fn"):
                    if hasattr(obj, attr):
                        try:
                            setattr(obj, attr, getattr(obj, rng.choice(methods)[0]))
                        except Exception:
                            pass
                try:  # (not over a method Qt calls: see qt_calls)
                    setattr(obj, rng.choice(replaceable)[0], getattr(obj, rng.choice(methods)[0]))
                except Exception:
                    pass
                old = sys.getrecursionlimit()
                sys.setrecursionlimit(limits[i % len(limits)])
                try:
                    for name, fn in rng.sample(methods, k=min(6, len(methods))):
                        args = [rng.choice(values[:40]) for _ in range(fn.__code__.co_argcount - 1)]
                        # Through the attribute where it is one of the natives (an
                        # alias included); a Qt method found first in the MRO is
                        # not called (Qt's handlers take a None event as a null
                        # pointer: README, Known issues).
                        bound = getattr(obj, name, None)
                        if not is_kit_function(getattr(bound, "__func__", bound)):
                            bound = fn.__get__(obj)
                        sweep.call("native:" + cls.__name__ + "." + name, bound, args, {})
                    if isinstance(obj, QWidget) and shiboken6.isValid(obj):
                        sweep.call("native:event", QApplication.sendEvent, (obj, QFocusEvent(QEvent.Type.FocusIn)),
                                   {})
                finally:
                    sys.setrecursionlimit(old)
                settle()
    ctx.close()


def batch_globals(sweep, target_names, examples, rng):
    """Module globals replaced (by hostile values, raising callables, callables
    returning non-exceptions), then every function called; restored after."""
    ctx = Context()
    values, huge = make_values(ctx)
    for target_name in target_names:
        target = TARGETS[target_name]
        mod, found = surface(target)
        recv = {cls: receivers(ctx, target, cls, values) for _, _, cls in found if cls is not None}
        names = [n for n in vars(mod) if not n.startswith("__")]
        for _ in range(examples):
            patched = rng.sample(names, k=min(len(names), rng.randint(1, 3)))
            saved = {n: getattr(mod, n) for n in patched}
            for n in patched:
                v = rng.choice(values)
                setattr(mod, n, rng.choice([v, _boom, lambda *a, **k: 5, lambda *a, _v=v, **k: _v]))
            try:
                for _ in range(10):
                    plan_call(sweep, found, recv, values, huge, rng.randrange(10**6), rng.randrange(10**6), 0,
                              rng.randrange(10**6), 0, rng.random() < 0.5)
            finally:
                for n, v in saved.items():
                    setattr(mod, n, v)
            settle()
    ctx.close()


def batch_threads(sweep, target_names, examples, rng):
    """8 threads at once on the thread-safe surfaces: module functions and the
    methods of classes that need no Qt object, on receivers that are not Qt."""
    ctx = Context()
    values, huge = make_values(ctx)
    plain = [v for v in values if not isinstance(v, (shiboken6.Object,))]
    jobs = []
    for target_name in target_names:
        target = TARGETS[target_name]
        _, found = surface(target)
        for label, fn, cls in found:
            if cls is None or cls.__name__ in target.threads:
                jobs.append((label, fn, cls))
    errors = []
    lock = threading.Lock()

    def worker(k):
        local = random.Random(k)
        count = 0
        try:
            for _ in range(examples):
                label, fn, cls = local.choice(jobs)
                argc = fn.__code__.co_argcount
                args = [local.choice(plain) for _ in range(max(0, argc + local.choice([0, 0, -1, 1])))]
                if cls is not None and args:
                    args[0] = FakeWidget() if local.random() < 0.5 else make_plain(cls)
                try:
                    r = fn(*args)
                    if type(r).__name__ == "coroutine":
                        try:
                            r.send(None)
                        except BaseException:
                            pass
                        r.close()
                except SystemError as e:
                    with lock:
                        errors.append(f"{label}: {safe_str(e)}")
                except Exception:
                    pass
                count += 1
        finally:
            with lock:
                sweep.calls += count

    threads = [threading.Thread(target=worker, args=(rng.randrange(2**32),)) for _ in range(8)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    sweep.faults += errors[:20]
    ctx.close()


def make_plain(cls):
    try:
        return cls.__new__(cls) if not issubclass(cls, shiboken6.Object) else FakeWidget()
    except Exception:
        return FakeWidget()


def batch_tasks(sweep, target_names, examples, rng):
    """Deferred tasks (brevant's _do_task_async) without an asyncio loop and
    inside a running one, with functions that return, raise, or defer again."""
    import asyncio

    from tovane.material.brevant import PyWidgetBase

    Box = _box_class()
    ctx = Context()
    ran = []
    outcomes = [lambda: ran.append(1), _boom, lambda: (_ for _ in ()).throw(KeyError("k")), None, 5,
                lambda: box._do_task_async(lambda: ran.append(2)), RaisesBaseException()]
    box = ctx.keep(Box(ctx.widget()))
    for _ in range(examples):
        sweep.call("_do_task_async", box._do_task_async, (rng.choice(outcomes),), {})
        sweep.call("_do_task_async unbound", PyWidgetBase._do_task_async, (FakeWidget(), rng.choice(outcomes)), {})
    settle()
    for _ in range(3):
        settle()

    async def inside_a_loop():
        for _ in range(examples):
            sweep.call("_do_task_async in a loop", box._do_task_async, (rng.choice(outcomes),), {})
            settle()
            await asyncio.sleep(0)
        for _ in range(5):
            settle()
            await asyncio.sleep(0)

    loop = asyncio.new_event_loop()
    try:
        loop.run_until_complete(inside_a_loop())
        loop.run_until_complete(asyncio.sleep(0))
    finally:
        loop.close()
    if not ran:
        sweep.faults.append("no deferred task ran")
    ctx.close()


class RaisesBaseException:
    """A task function raising a BaseException that is not an Exception: it
    passes through WidgetSetter.run and out of the task."""

    def __call__(self):
        raise GeneratorExit("not an Exception")


def batch_frame(sweep, target_names, examples, rng):
    """The module frame: executing a module again, a second module object from
    the same spec, globals deleted, and finalisation with live objects."""
    import importlib.util

    for target_name in target_names:
        target = TARGETS[target_name]
        mod = importlib.import_module(target.module)
        spec = importlib.util.find_spec(target.module)
        sweep.call("exec again", spec.loader.exec_module, (mod,), {})
        try:
            other = importlib.util.module_from_spec(spec)
            sweep.call("exec other", spec.loader.exec_module, (other,), {})
        except Exception:
            pass
        sweep.call("reload", importlib.reload, (mod,), {})
        mod, found = surface(target)
        ctx = Context()
        values, huge = make_values(ctx)
        recv = {cls: receivers(ctx, target, cls, values) for _, _, cls in found if cls is not None}
        for name in [n for n in vars(mod) if not n.startswith("__")]:
            saved = vars(mod).pop(name)
            try:
                for _ in range(examples):
                    plan_call(sweep, found, recv, values, huge, rng.randrange(10**6), rng.randrange(10**6), 0,
                              rng.randrange(10**6), 0, False)
            finally:
                setattr(mod, name, saved)
        settle()
    # Left alive for the interpreter's finalisation: widgets, a coroutine never
    # awaited, a pending deferred task.
    global _LEFT_ALIVE
    from tovane.material.brevant.brevant import WidgetSetter

    holder = QWidget()
    box = _box_class()(holder, {"width": "50%"})
    _LEFT_ALIVE = [holder, box, WidgetSetter(print).run(), make_values(Context())]
    box._do_task_async(lambda: None)


KINDS = {
    "overrides": batch_overrides,
    "natives": batch_natives,
    "globals": batch_globals,
    "threads": batch_threads,
    "tasks": batch_tasks,
    "frame": batch_frame,
}

EXAMPLES = {"calls": 120, "overrides": 30, "natives": 60, "globals": 50, "threads": 3000, "tasks": 60, "frame": 4}


def batches():
    return [f"calls:{name}" for name in TARGETS] + list(KINDS)


def run(batch, seed_value, scale):
    rng = random.Random(f"{batch}:{seed_value}")
    sweep = Sweep(batch)
    kind, _, target = batch.partition(":")
    examples = max(1, int(EXAMPLES[kind] * scale))
    started = time.perf_counter()
    leak = None
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        if kind == "calls":
            leak = batch_calls(sweep, target, examples, rng)
        else:
            KINDS[kind](sweep, list(TARGETS), examples, rng)
    report = {"batch": batch, "calls": sweep.calls, "recursion_errors": sweep.recursion_errors,
              "faults": sweep.faults, "leak": leak,
              "seconds": round(time.perf_counter() - started, 2)}
    print("REPORT " + json.dumps(report), flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("batch", nargs="?")
    parser.add_argument("--seed", type=int, default=0)
    parser.add_argument("--scale", type=float, default=1.0)
    parser.add_argument("--list", action="store_true")
    options = parser.parse_args()
    if options.list:
        print("\n".join(batches()))
        return
    try:
        run(options.batch, options.seed, options.scale)
    except Exception:
        traceback.print_exc()
        sys.exit(3)


if __name__ == "__main__":
    main()
