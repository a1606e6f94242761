"""Reference discipline of the brevant module: its sx, size, positioning and
task paths, the error paths included, run many times without growth."""

from PySide6.QtCore import QPoint
from PySide6.QtWidgets import QWidget

from leakcheck import assert_no_leak
from tovane.errors import DeZidOzezuzavuvArazo
from tovane.hooks import State
from tovane.material.brevant import PyWidgetBase, WidgetSetter, brevant
from brevant_widgets import Box




SIZE_VALUES = [0.5, 1, 7, True, "25%", " 10vh ", "3vw", "12.9px", "abc", "x%", "7.9", None, [1], "1e2"]
OFFSET_VALUES = [10, 2.5, "50%", "50% - 10px", "-10%+5px", " 20px ", "abc", "7", None, "apx", "10vh"]


def swallow(fn, *exceptions):
    try:
        fn()
    except exceptions:
        pass


def test_sx_resolution(qapp):
    w = Box()
    mapping = {"position": "relative", "width": 3}
    sources = [mapping, lambda: mapping, State(lambda: mapping), State("abc"), "text", 0]

    def run():
        for source in sources:
            w._sx = source
            w._get_sx_value("width")
            w._PyWidgetBase__get_sx_dict()
            w._get_position_from_sx()
        w._getTranslatedText(State("held"))
        w._getTranslatedText(lambda: "Copy")
        swallow(lambda: w._get_sx_value(5), TypeError)
        w._sx = {"position": 3}
        swallow(w._get_position_from_sx, TypeError)

    assert_no_leak(run, calls=20_000, warmup=500)


def test_size_paths(qapp):
    parent = QWidget()
    parent.resize(400, 300)
    w = Box(parent, {"width": "50%", "height": 0.25})
    convert = w._PyWidgetBase__contvert_to_percent_value

    def run():
        for value in SIZE_VALUES:
            w._parse_size_value(value, 300)
            swallow(lambda: convert(value), DeZidOzezuzavuvArazo)
        swallow(lambda: w._parse_size_value("inf", 10), OverflowError)
        swallow(lambda: convert("?%"), DeZidOzezuzavuvArazo)
        w._update_size_from_sx()
        w._apply_float_and_percent_sx_value()
        PyWidgetBase.__init__(w, tooltip="t")
        swallow(lambda: PyWidgetBase.__init__(w, tooltipLeaveDelay="1"), TypeError)
        w._setUpUi(tooltipLeaveDelay=5, key="k")

    assert_no_leak(run, calls=20_000, warmup=500)


def test_positioning_paths(qapp):
    top = QWidget()
    top.resize(800, 600)
    top.show()
    container = Box(top, {"position": "relative", "margin": 8, "margin-left": "4px", "margin-top": "xpx"})
    container.resize(300, 200)
    container.show()
    children = [Box(container, {"position": "absolute", "left": v, "bottom": v}) for v in OFFSET_VALUES]
    other = Box(top, {"position": "relative"})

    def run():
        container.update_absolute_children()
        children[0]._ajustPositionBaseOnParentMarginValue(QPoint(1, 2))
        children[1]._relative_to = other  # repaired: handed to the other container
        container.update_absolute_children()
        other._remove_absolute_child(children[1])
        container._add_absolute_child(children[1])
        container._on_sx_changed()

    assert_no_leak(run, calls=5_000, warmup=200)
    assert len(container._child_abs) == len(OFFSET_VALUES) and other._child_abs == []
    top.close()


def test_task_paths(qapp, monkeypatch):
    monkeypatch.setattr(brevant, "print", lambda *args: None, raising=False)  # the report line, unbuffered
    w = Box()
    done = []

    def fail():
        raise ValueError("x")

    def run():
        for fn in (done.clear, fail):
            coro = WidgetSetter(fn).run()
            swallow(lambda: coro.send(None), StopIteration)
        WidgetSetter(fail).run().close()
        w._do_task_async(lambda: done.append(1))
        qapp.processEvents()

    assert_no_leak(run, calls=3_000, warmup=100)


def test_event_handlers(qapp):
    hits = []
    w = Box(onMouseEnter=lambda: None, onFocusIn=hits.append, tooltip="Copy")

    def run():
        PyWidgetBase.enterEvent(w, None)
        PyWidgetBase.leaveEvent(w, None)
        PyWidgetBase.focusInEvent(w, 1)
        hits.clear()
        w.setupPseudoClasses({"&:hover": {"color": "red"}, "&:focus": None})

    assert_no_leak(run, calls=20_000, warmup=500)
