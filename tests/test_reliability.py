"""Reliability reproducers: native recursion, huge and non-finite sx sizes,
raising a patched non-exception, a WidgetSetter coroutine closed or thrown
into while it runs, a failed import in a legacy subinterpreter, and None
handed to the event handlers that pass an event on to Qt's.

Each case runs in a child process, so one that crashes the interpreter fails
its own test and nothing else.  The child imports tovane from the tree this
test file belongs to; TOVANE_RELIABILITY_SRC names another tree's `src`
directory instead (an older checkout, to see the cases fail there).
"""

import json
import os
import signal
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

import tovane

SRC = os.environ.get("TOVANE_RELIABILITY_SRC") or str(Path(tovane.__file__).resolve().parents[1])
QWIDGETSIZE_MAX = 16777215

PRELUDE = """
import json, sys
from PySide6.QtCore import QEvent
from PySide6.QtGui import QFocusEvent
from PySide6.QtWidgets import QApplication, QWidget
import tovane.material.brevant.brevant as brevant
from tovane.material.brevant import PyWidgetBase, WidgetSetter
app = QApplication.instance() or QApplication([])

class Box(QWidget, PyWidgetBase):
    def __init__(self, parent=None, sx=None, **kwargs):
        QWidget.__init__(self, parent)
        PyWidgetBase.__init__(self, parent, **kwargs)
        if sx is not None:
            self._setup_sx_position(sx)
    resizeEvent = PyWidgetBase.resizeEvent
    focusInEvent = PyWidgetBase.focusInEvent

def outcome(fn, *args):
    try:
        return ["returns", repr(fn(*args))]
    except BaseException as e:
        return [type(e).__name__, str(e)]

def report(value):
    print("RESULT " + json.dumps(value), flush=True)
"""


def run_child(code, timeout=120):
    """Run PRELUDE + code in a fresh interpreter; the value it reported."""
    env = dict(os.environ, PYTHONPATH=SRC, QT_QPA_PLATFORM="offscreen")
    done = subprocess.run([sys.executable, "-X", "faulthandler", "-c", PRELUDE + textwrap.dedent(code)],
                          capture_output=True, text=True, timeout=timeout, env=env)
    if done.returncode < 0:
        pytest.fail(f"the child died of {signal.Signals(-done.returncode).name}:\n{done.stderr[-3000:]}")
    assert done.returncode == 0, done.stderr[-3000:]
    lines = [line for line in done.stdout.splitlines() if line.startswith("RESULT ")]
    assert lines, done.stdout[-2000:] + done.stderr[-2000:]
    return json.loads(lines[-1][len("RESULT "):]), done


# --- natives calling natives -----------------------------------------------------

RECURSIONS = {
    # The issue's own reproducer: the handler's callback is the handler.
    "focusInEvent calls itself": """
        class W(QWidget, PyWidgetBase):
            focusInEvent = PyWidgetBase.focusInEvent
        w = W(); PyWidgetBase.__init__(w, onFocusIn=w.focusInEvent)
        first = outcome(w.focusInEvent, QFocusEvent(QEvent.Type.FocusIn))
    """,
    "instance alias _update_size_from_sx = _initialize_positioning": """
        w = Box(sx={"width": 10})
        w._update_size_from_sx = w._initialize_positioning
        first = outcome(w._initialize_positioning)
    """,
    "class alias _initialize_positioning = _on_sx_changed": """
        class W(Box):
            _initialize_positioning = PyWidgetBase._on_sx_changed
        w = W()
        first = outcome(w._setup_sx_position, {"width": 10})
    """,
    "class alias reached by a real resize event": """
        class W(Box):
            _update_size_from_sx = PyWidgetBase._initialize_positioning
        parent = QWidget(); parent.resize(300, 200); parent.show()
        w = W(parent); w._sx = {"width": 10}
        first = outcome(w.show)             # the first resize event comes with show()
    """,
    "the same at a recursion limit of 100000": """
        sys.setrecursionlimit(100_000)
        w = Box(sx={"width": 10})
        w._update_size_from_sx = w._initialize_positioning
        first = outcome(w._initialize_positioning)
    """,
    "on a second thread": """
        import threading
        w = Box(sx={"width": 10})
        w._update_size_from_sx = w._initialize_positioning
        box = []
        t = threading.Thread(target=lambda: box.append(outcome(w._initialize_positioning)))
        t.start(); t.join()
        first = box[0]
    """,
}


@pytest.mark.parametrize("case", sorted(RECURSIONS))
def test_natives_calling_natives_raise_recursion_error(case):
    result, _ = run_child(RECURSIONS[case] + """
        # The depth is back where it was: a plain call still works.
        probe = Box(sx={"height": 5})
        report({"first": first, "after": outcome(probe._get_sx_value, "height")})
    """)
    assert result["first"][0] == "RecursionError", result
    assert "maximum recursion depth exceeded" in result["first"][1]
    assert result["after"] == ["returns", "5"]


# --- sizes Qt cannot take ----------------------------------------------------------

HOSTILE_SIZES = """[10**30, -10**30, 1e300, -1e300, float("inf"), float("nan"), "1e30px", "1e30", "-1e30%",
                   "inf", "nan", "-inf", "inf%", "nan%", "1e400%", "infpx", "nanvh", "1e30vh", str(10**40) + "%"]"""


def test_huge_and_non_finite_sx_sizes_through_real_resize_events():
    result, done = run_child(f"""
        import math
        app.mainWindow = QWidget(); app.mainWindow.resize(800, 600)
        parent = QWidget(); parent.resize(300, 200); parent.show()
        rows = []
        for value in {HOSTILE_SIZES}:
            for key in ("width", "height"):
                errors = []
                child = Box(parent)
                try:
                    child._setup_sx_position({{key: value}})
                except Exception as e:
                    errors.append(type(e).__name__)
                child.show()
                for i in range(4):           # several rounds of real resize events
                    try:
                        parent.resize(300 + i, 200 + i)
                        child.resize(100 + i, 50 + i)
                        app.processEvents()
                    except Exception as e:
                        errors.append(type(e).__name__)
                rows.append([repr(value), key, errors, child.minimumWidth(), child.minimumHeight(),
                             child.maximumHeight(), child.width(), child.height()])
                child.setParent(None)
        report(rows)
    """)
    for value, key, errors, min_w, min_h, max_h, width, height in result:
        assert errors == [], (value, key, errors)
        for n in (min_w, min_h, width, height):
            assert 0 <= n <= QWIDGETSIZE_MAX, (value, key, n)
    fields = ("errors", "min_w", "min_h", "max_h", "width", "height")
    row = {(value, key): dict(zip(fields, rest)) for value, key, *rest in result}
    # Non-finite sizes are 0 pixels: as a minimum, and as a percentage of the parent.
    for value in ("'nan'", "'inf'", "'-inf'", "nan", "inf", "'infpx'"):
        assert row[(value, "width")]["min_w"] == 0, value
    assert row[("'inf%'", "width")]["width"] == 0          # resized to 0 % of the parent
    assert row[("'nanvh'", "height")]["max_h"] == 0        # a fixed height of 0
    # A huge size is the largest Qt takes (as a minimum, Qt reads exactly
    # QWIDGETSIZE_MAX as "no minimum").
    assert row[("'1e30vh'", "height")]["max_h"] == QWIDGETSIZE_MAX
    assert row[(repr(10**30), "height")]["min_h"] in (0, QWIDGETSIZE_MAX)
    assert "Error calling Python override" not in done.stderr


def test_huge_sizes_on_sibling_widgets_through_several_rounds_of_events():
    # Two widgets whose resize events used to raise in one call into Qt: the
    # binding then crashes at the next raising override (README, Known issues).
    result, _ = run_child("""
        parent = QWidget(); parent.resize(300, 200)
        children = [Box(parent), Box(parent)]
        errors = []
        for child in children:
            child._sx = {"width": 10**30, "height": "1e400%"}
        for i in range(5):
            try:
                parent.show()
                for child in children:
                    child.resize(100 + i, 50 + i)
                parent.resize(300 + i, 200)
                app.processEvents()
            except Exception as e:
                errors.append(type(e).__name__)
        report({"errors": errors, "sizes": [[c.width(), c.height(), c.minimumWidth()] for c in children]})
    """)
    assert result["errors"] == []
    for width, height, minimum in result["sizes"]:
        assert 0 <= width <= QWIDGETSIZE_MAX and 0 <= height <= QWIDGETSIZE_MAX and minimum in (0, QWIDGETSIZE_MAX)


def test_size_and_offset_parsers_keep_to_the_widget_size_range():
    result, _ = run_child("""
        w = Box()
        parse = w._parse_size_value
        sizes = [parse(10**30, 300), parse(-10**30, 300), parse(0.5, 10**30), parse("50%", 10**30),
                 parse("1e30px", 0), parse("nan", 1), parse("inf%", 100), parse(1e300, 0), parse(float("nan"), 5)]

        from PySide6.QtCore import QPoint
        container = Box(sx={"position": "relative", "margin": 1e300, "margin-left": "1e30px",
                            "margin-top": float("nan")})
        holder = QWidget(); container.setParent(holder); container.resize(300, 200)
        container._position = "relative"
        points = []
        for sx in ({"position": "absolute", "left": 10**30, "top": -10**30},
                   {"position": "absolute", "right": "1e30px", "bottom": "inf%"},
                   {"position": "absolute", "left": "nan%", "top": "50% - 99999999999999999999px"},
                   {"position": "absolute", "left": float("inf"), "top": "1e400"}):
            child = Box(container)
            child._setup_sx_position(sx)
            points.append([child.pos().x(), child.pos().y()])
        shifted = w._ajustPositionBaseOnParentMarginValue
        container2 = Box(sx={"margin": 10**30}); child2 = Box(); child2._relative_to = container2
        p = child2._ajustPositionBaseOnParentMarginValue(QPoint(5, 5))
        report({"sizes": sizes, "points": points, "margin": [p.x(), p.y()]})
    """)
    m = QWIDGETSIZE_MAX
    assert result["sizes"] == [m, -m, m, m, m, 0, 0, m, 0]
    for x, y in result["points"]:
        assert -2 * m <= x <= 2 * m and -2 * m <= y <= 2 * m, result["points"]
    assert result["margin"] == [m, m]


# --- raise, as Python's ------------------------------------------------------------

PATCHED = {
    "a function returning 5": "lambda **kw: 5",
    "a function returning a class": "lambda **kw: KeyError",
    "a function returning an instance": "lambda **kw: KeyError('k')",
    "a class whose instances are not exceptions": "type('Odd', (Exception,), {'__new__': lambda cls, **kw: 5})",
    "a function that raises": "lambda **kw: (_ for _ in ()).throw(LookupError('from the factory'))",
}


@pytest.mark.parametrize("patched", sorted(PATCHED))
def test_a_patched_exception_global_is_raised_as_python_raises_it(patched):
    result, _ = run_child(f"""
        brevant.DeZidOzezuzavuvArazo = {PATCHED[patched]}

        def python_version(value):
            try:
                return float(value.strip("%"))
            except ValueError:
                raise brevant.DeZidOzezuzavuvArazo(
                    file_path="self.file_path", param_name="param_name", param_value=value,
                    expected_types=[int], error_type="INVALID_CONDITION",
                    message="Parameter does not satisfy the validation condition: check_value")

        def describe(fn, *args):
            try:
                fn(*args)
            except BaseException as e:
                return [type(e).__name__, str(e), type(e.__context__).__name__, repr(e.__cause__),
                        e.__suppress_context__]
            return None

        w = Box()
        native = describe(w._PyWidgetBase__contvert_to_percent_value, "x%")
        python = describe(python_version, "x%")
        # Through a real resize event: the error reaches the caller of show(),
        # with the binding's note in front of its message.
        parent = QWidget(); parent.resize(300, 200); parent.show()
        child = Box(parent); child._sx = {{"width": "x%"}}
        through_event = describe(child.show)
        through_event[1] = through_event[1].replace("Error calling Python override of QWidget::resizeEvent(): ", "")
        report({{"native": native, "python": python, "event": through_event}})
    """)
    assert result["native"] == result["python"]
    assert result["event"] == result["python"]
    assert result["native"][0] != "SystemError"


# --- the coroutine of WidgetSetter.run, while it runs ------------------------------

def test_widget_setter_run_closed_or_thrown_into_while_running():
    result, done = run_child("""
        import gc, warnings, weakref

        class PySetter:
            def __init__(self, fn):
                self.fn = fn
            async def run(self):
                try:
                    self.fn()
                except Exception:
                    print("WidgetSetter errrrrrrrrrrr")

        def tb():
            try:
                raise ValueError("tb")
            except ValueError as e:
                return e.__traceback__

        ACTIONS = {
            "close": lambda c: c.close(),
            "throw instance": lambda c: c.throw(KeyError("k")),
            "throw class value tb": lambda c: c.throw(KeyError, KeyError("k"), tb()),
            "send": lambda c: c.send(None),
            "await": lambda c: c.__await__().send(None),
        }

        def drive(cls, action):
            seen = []
            holder = []
            def fn():
                try:
                    with warnings.catch_warnings():
                        warnings.simplefilter("ignore", DeprecationWarning)
                        ACTIONS[action](holder[0])
                except BaseException as e:
                    gc.collect()
                    seen.append([type(e).__name__, str(e), holder[1]() is not None])
                    raise
            setter = cls(fn)
            coro = setter.run()
            holder += [coro, weakref.ref(setter)]
            del setter                 # the coroutine holds the only reference
            try:
                coro.send(None)
                seen.append("returned")
            except StopIteration as e:
                seen.append(["StopIteration", repr(e.value)])
            except BaseException as e:
                seen.append([type(e).__name__, str(e)])
            seen.append(outcome(coro.close))
            seen.append(outcome(coro.send, None))
            return seen

        report({action: [drive(WidgetSetter, action), drive(PySetter, action)] for action in ACTIONS})
    """)
    for action, (native, python) in result.items():
        assert native == python, action
        # The body saw the coroutine refuse, with its own arguments still alive.
        assert native[0] == ["ValueError", "coroutine already executing", True], action
    assert done.stdout.count("WidgetSetter errrrrrrrrrrr") == 2 * len(result)


# --- interpreters ---------------------------------------------------------------

INTERPRETERS = """
import os, sys, _interpreters
directory = os.path.dirname(brevant_path)
def load_in(interp, before=""):
    # The extension is loaded by its spec alone: neither tovane's packages nor
    # PySide6 are imported in the subinterpreter.
    return _interpreters.exec(interp, before + f'''
import importlib.util
spec = importlib.util.spec_from_file_location("tovane.material.brevant.brevant", {brevant_path!r})
module = importlib.util.module_from_spec(spec)
spec.loader.exec_module(module)
''')
def failure(f):
    return None if f is None else [f.type.__name__, f.msg]
"""


def _brevant_path():
    directory = Path(SRC) / "tovane" / "material" / "brevant"
    found = sorted(directory.glob("brevant*.so"))
    if not found:
        pytest.skip("brevant is not built in " + str(directory))
    return str(found[0])


def test_a_failed_import_in_a_legacy_subinterpreter_does_not_lock_out_the_main_one():
    script = f"brevant_path = {_brevant_path()!r}\n" + INTERPRETERS + """
interp = _interpreters.create(_interpreters.new_config("legacy"))
sub = failure(load_in(interp, 'import sys\\nsys.modules["asyncio"] = None\\n'))
_interpreters.destroy(interp)
import json
from tovane.material.brevant import PyWidgetBase
main = PyWidgetBase.__module__
# With the module executed here, a live second interpreter is still refused.
interp = _interpreters.create(_interpreters.new_config("legacy"))
refused = failure(load_in(interp))
_interpreters.destroy(interp)
print("RESULT " + json.dumps({"sub": sub, "main": main, "refused": refused}))
"""
    env = dict(os.environ, PYTHONPATH=SRC, QT_QPA_PLATFORM="offscreen")
    done = subprocess.run([sys.executable, "-X", "faulthandler", "-c", script], capture_output=True, text=True,
                          timeout=120, env=env)
    assert done.returncode == 0, done.stderr[-3000:]
    result = json.loads(done.stdout.split("RESULT ", 1)[1])
    assert result["sub"][0] == "ModuleNotFoundError"
    assert result["main"] == "brevant"
    assert result["refused"] == ["ImportError", "Interpreter change detected - this module can only be loaded "
                                                "into one interpreter per process."]


# --- objects the binding cannot convert, kept from Qt's int parameters ----------

UNCONVERTIBLE = """
class NumberLike:
    # A number to Python's protocols whose conversion fails and whose text
    # cannot be made: the binding's error path for it crashes.
    def __index__(self): raise LookupError("no index")
    def __float__(self): raise LookupError("no float")
    def __str__(self): raise LookupError("no text")
    __repr__ = __str__
    __lt__ = __le__ = __gt__ = __ge__ = lambda self, other: True
    __add__ = __radd__ = __sub__ = __rsub__ = lambda self, other: self
"""

INT_PARAMETERS = {
    "filterAcceptsRow with such a row": """
        proxy.filters = [(0, "i")]
        first = outcome(proxy.filterAcceptsRow, NumberLike(), QModelIndex())
    """,
    "filterAcceptsRow with such a column": """
        proxy._filters = [(NumberLike(), "i")]  # stored without the re-filter, which would meet it first
        first = outcome(proxy.filterAcceptsRow, 0, QModelIndex())
    """,
    "an overridden _parse_size_value returning one": """
        box = Box(sx={"width": 10})
        box._parse_size_value = lambda *args: NumberLike()
        first = outcome(box._update_size_from_sx)
    """,
    "an overridden width() under a right offset": """
        holder = QWidget()
        container = Box(holder, sx={"position": "relative"}); container._position = "relative"
        child = Box(container)
        child.width = lambda: NumberLike()
        first = outcome(child._setup_sx_position, {"position": "absolute", "right": 5})
    """,
}


@pytest.mark.parametrize("case", sorted(INT_PARAMETERS))
def test_an_unconvertible_number_is_refused_before_qt_sees_it(case):
    result, _ = run_child(UNCONVERTIBLE + """
from PySide6.QtCore import QModelIndex
from PySide6.QtGui import QStandardItem, QStandardItemModel
from tovane.material.marquel._velmora import HumanProxyModel
model = QStandardItemModel(2, 1)
model.setItem(0, 0, QStandardItem("item"))
proxy = HumanProxyModel(); proxy.setSourceModel(model)
""" + textwrap.dedent(INT_PARAMETERS[case]) + """
report(first)
""")
    assert result[0] in ("LookupError", "TypeError"), result


# --- None for an event ------------------------------------------------------------

NONE_EVENTS = {
    "DataGrid.dropEvent": """
        from PySide6.QtWidgets import QStyledItemDelegate
        from tovane.material.marquel.marquel import DataGrid
        grid = DataGrid([{"field": "a", "headerName": "A"}, {"field": "b", "headerName": "B"}], [{"a": 1, "b": 2}],
                        isFrozenLastColumn=True, itemDelegates=[QStyledItemDelegate()])
        handler, after = grid.dropEvent, lambda: None
    """,
    "ListItemButton.focusInEvent": """
        from tovane.material.selvon import ListItemButton
        item = ListItemButton(key="a", focusVisibleClassName=".f"); host = QWidget(); item.renderUi(None, parent=host)
        handler, after = item.focusInEvent, item.styleSheet
    """,
    "ListItemButton.focusOutEvent": """
        from tovane.material.selvon import ListItemButton
        item = ListItemButton(key="a", focusVisibleClassName=".f"); host = QWidget(); item.renderUi(None, parent=host)
        handler, after = item.focusOutEvent, item.styleSheet
    """,
    "ListItemButton.mouseReleaseEvent": """
        from tovane.material.selvon import ListItemButton
        clicks = []
        item = ListItemButton(key="a", onClick=clicks.append); host = QWidget(); item.renderUi(None, parent=host)
        handler, after = item.mouseReleaseEvent, lambda: clicks
    """,
}


@pytest.mark.parametrize("case", sorted(NONE_EVENTS))
def test_none_for_an_event_is_refused_before_qt_sees_a_null_pointer(case):
    # Qt's own handler would take None as a null pointer and crash.
    result, _ = run_child(textwrap.dedent(NONE_EVENTS[case]) + """
first = outcome(handler, None)
report([first, repr(after())])
""")
    (kind, message), after = result
    assert kind == "TypeError" and message == f"{case}() argument 'event' must be a " \
        f"{'QDropEvent' if 'drop' in case else 'QMouseEvent' if 'mouse' in case else 'QFocusEvent'}, not None"
    if "mouse" in case:
        assert after == "['a']"  # the click handler ran first, as the method's body has it
