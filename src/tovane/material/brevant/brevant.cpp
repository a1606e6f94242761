// brevant: the widget foundation of the library.
//
//     import asyncio
//     from typing import Optional, Callable, Union
//     from PySide6.QtWidgets import QGraphicsOpacityEffect, QApplication
//     from PySide6.QtCore import (QEvent, QPropertyAnimation, QEasingCurve, QPoint, QSize,
//                                 QRunnable, QThreadPool, QTimer)
//     from PySide6.QtGui import QPalette
//     from tovane.material.tooltip import ToolTipFilter
//     from tovane.material.styles import get_qss_style
//     from tovane.hooks import State
//     from tovane.i18n.use_translation import i18n, translate
//     from tovane.errors import DeZidOzezuzavuvArazo
//     from tovane.material.utils.validate_params import _validate_param
//
//     class WidgetSetter(QRunnable): ...     # deferred work, see _do_task_async
//     class PyWidgetBase: ...                # mixin listed after a Qt widget class
//
// Every method works on `self` as a Qt widget (parent(), width(), move() ...
// come from the Qt half of the object) and calls the other methods through
// `self`, so subclasses can override any step.
#include "kit/kit.hpp"

namespace {

using namespace kit;

// --- small Python operations ----------------------------------------------

// bool(a == b), with a full rich comparison as the `==` operator does.
bool eq(PyObject* a, PyObject* b) {
    Ref r = Ref::steal(PyObject_RichCompare(a, b, Py_EQ));
    return truthy(r);
}

bool compare(PyObject* a, PyObject* b, int op) {
    Ref r = Ref::steal(PyObject_RichCompare(a, b, op));
    return truthy(r);
}

// 0 < value <= 1
bool in_unit_interval(PyObject* value) {
    Ref zero = integer(0), one = integer(1);
    return compare(zero, value, Py_LT) && compare(value, one, Py_LE);
}

Ref mul(PyObject* a, PyObject* b) { return Ref::steal(PyNumber_Multiply(a, b)); }
Ref add(PyObject* a, PyObject* b) { return Ref::steal(PyNumber_Add(a, b)); }
Ref sub(PyObject* a, PyObject* b) { return Ref::steal(PyNumber_Subtract(a, b)); }
Ref per_hundred(PyObject* a) {  // a / 100
    Ref hundred = integer(100);
    return Ref::steal(PyNumber_TrueDivide(a, hundred));
}
Ref to_int(PyObject* o) { return Ref::steal(PyNumber_Long(o)); }      // int(o)
Ref to_float(PyObject* o) { return Ref::steal(PyNumber_Float(o)); }   // float(o)

// float(o), or NULL when that raises ValueError (other errors propagate).
Ref float_or_null(PyObject* o) {
    try {
        return to_float(o);
    } catch (const Error&) {
        if (!clear_if(PyExc_ValueError)) throw;
        return Ref();
    }
}

// s.endswith(suffix) / s[:-n] / s.strip(): through the object, as Python does.
bool endswith(PyObject* s, PyObject* suffix) {
    Ref r = call_method(s, KIT_STR("endswith"), suffix);
    return truthy(r);
}
Ref drop_last(PyObject* s, Py_ssize_t n) {
    Ref stop = integer(-n);
    Ref slice = Ref::steal(PySlice_New(nullptr, stop, nullptr));
    return Ref::steal(PyObject_GetItem(s, slice));
}
Ref strip(PyObject* s) { return call_method(s, KIT_STR("strip")); }

// mapping.get(key), one argument as written in Python (dict fast path).
Ref get1(PyObject* mapping, PyObject* key) {
    if (PyDict_CheckExact(mapping)) {
        PyObject* r = nullptr;
        if (check(PyDict_GetItemRef(mapping, key, &r)) == 0) return none();
        return Ref::steal(r);
    }
    return call_method(mapping, KIT_STR("get"), key);
}

// isinstance(o, Callable), with typing.Callable as bound at import.
bool is_callable(PyObject* o) { return isinstance(o, KIT_GLOBAL("Callable")); }

bool is_state(PyObject* o) { return isinstance(o, KIT_GLOBAL("State")); }

// The sx mapping of a source, or NULL when there is none:
//
//     if isinstance(sx, State): sx = sx.value
//     if isinstance(sx, Callable): sx = sx()
//     return sx if isinstance(sx, dict) else None
Ref resolve_sx(PyObject* source) {
    Ref sx = Ref::borrow(source);
    if (is_state(sx)) sx = getattr(sx, KIT_STR("value"));
    if (is_callable(sx)) sx = call(sx);
    if (PyDict_Check(sx.get())) return sx;
    return Ref();
}

Ref sx_mapping(PyObject* self) {
    Ref source = getattr(self, KIT_STR("_sx"));
    return resolve_sx(source);
}

Ref self_call(PyObject* self, PyObject* name) { return call_method(self, name); }

// The argument type check of __init__ and _get_sx_value.
[[noreturn]] void wrong_argument_type(const char* name, const char* expected, PyObject* given) {
    raisef(PyExc_TypeError, "Argument '%.200s' has incorrect type (expected %.200s, got %.200s)", name,
           expected, type_name(given));
}

// --- WidgetSetter -----------------------------------------------------------

// def __init__(self, fn):
//     super().__init__()
//     self.fn = fn
Ref WidgetSetter__init__(const Args& a) {
    Ref init = getattr(super(a.owner(), a[0]), KIT_STR("__init__"));
    call(init);
    setattr(a[0], KIT_STR("fn"), a[1]);
    return none();
}

// async def run(self):
//     try:
//         self.fn()
//     except Exception:
//         print("WidgetSetter errrrrrrrrrrr")
Ref WidgetSetter_run(const Args& a) {
    try {
        Ref fn = getattr(a[0], KIT_STR("fn"));
        call(fn);
    } catch (const Error&) {
        if (!PyErr_ExceptionMatches(PyExc_Exception)) throw;
        Handling handled;
        Ref line = str("WidgetSetter errrrrrrrrrrr");
        call(KIT_GLOBAL("print"), line);
    }
    return none();
}

// --- PyWidgetBase: set-up -----------------------------------------------

// def __init__(self, parent=None, onMouseEnter: Optional[Callable] = None, ...,
//              tooltip: Optional[str] = None, tooltipPlacement: Optional[str] = "top",
//              tooltipLeaveDelay: Optional[int] = 0, *args, **kwargs):
//     (tooltip, tooltipPlacement: str or None; tooltipLeaveDelay: int or None)
//     self._onMouseEnter = onMouseEnter ... self._tooltipLeaveDelay = tooltipLeaveDelay
//     self._palette_text_color = None
//     self.component_styles = None
//     self._imported = False
//     self._child_abs = []
//     self._position = self._left = ... = self._opacity_value = None
//     self._thread_pool = QThreadPool.globalInstance()
Ref PyWidgetBase__init__(const Args& a) {
    PyObject* self = a[0];
    if (a[8] != Py_None && !PyUnicode_Check(a[8])) wrong_argument_type("tooltip", "str", a[8]);
    if (a[9] != Py_None && !PyUnicode_Check(a[9])) wrong_argument_type("tooltipPlacement", "str", a[9]);
    if (a[10] != Py_None && !PyLong_Check(a[10])) wrong_argument_type("tooltipLeaveDelay", "int", a[10]);

    setattr(self, KIT_STR("_onMouseEnter"), a[2]);
    setattr(self, KIT_STR("_onMouseLeave"), a[3]);
    setattr(self, KIT_STR("_onMousePress"), a[4]);
    setattr(self, KIT_STR("_onMouseRelease"), a[5]);
    setattr(self, KIT_STR("_onFocusIn"), a[6]);
    setattr(self, KIT_STR("_onFocusOut"), a[7]);
    setattr(self, KIT_STR("_tooltip"), a[8]);
    setattr(self, KIT_STR("_tooltipPlacement"), a[9]);
    setattr(self, KIT_STR("_tooltipLeaveDelay"), a[10]);
    setattr(self, KIT_STR("_palette_text_color"), Py_None);
    setattr(self, KIT_STR("component_styles"), Py_None);
    setattr(self, KIT_STR("_imported"), Py_False);
    Ref children = new_list();
    setattr(self, KIT_STR("_child_abs"), children);
    for (PyObject* name : {KIT_STR("_position"), KIT_STR("_left"), KIT_STR("_top"), KIT_STR("_right"),
                           KIT_STR("_bottom"), KIT_STR("_relative_to"), KIT_STR("_width"), KIT_STR("_height"),
                           KIT_STR("_width_type"), KIT_STR("_height_type"), KIT_STR("_opacity_value")})
        setattr(self, name, Py_None);
    Ref pool = call_method(KIT_GLOBAL("QThreadPool"), KIT_STR("globalInstance"));
    setattr(self, KIT_STR("_thread_pool"), pool);
    return none();
}

// def _setUpUi(self, **kwargs):
//     self._onMouseEnter = kwargs.get("onMouseEnter") ... self._tooltipPlacement = kwargs.get(...)
//     self._tooltipLeaveDelay = kwargs.get("tooltipLeaveDelay") if kwargs.get("tooltipLeaveDelay") else 0
//     self._palette_text_color = None
//     self.component_styles = None
//     self._key = kwargs.get("key")
//     self._imported = False
//     self._sx_pop_keys = []
Ref PyWidgetBase__setUpUi(const Args& a) {
    PyObject* self = a[0];
    PyObject* kwargs = a[1];
    PyObject* const keywords[][2] = {
        {KIT_STR("_onMouseEnter"), KIT_STR("onMouseEnter")}, {KIT_STR("_onMouseLeave"), KIT_STR("onMouseLeave")},
        {KIT_STR("_onMousePress"), KIT_STR("onMousePress")}, {KIT_STR("_onMouseRelease"), KIT_STR("onMouseRelease")},
        {KIT_STR("_onFocusIn"), KIT_STR("onFocusIn")},       {KIT_STR("_onFocusOut"), KIT_STR("onFocusOut")},
        {KIT_STR("_tooltip"), KIT_STR("tooltip")},           {KIT_STR("_tooltipPlacement"), KIT_STR("tooltipPlacement")},
    };
    for (const auto& kw : keywords) {
        Ref value = get1(kwargs, kw[1]);
        setattr(self, kw[0], value);
    }
    Ref delay = get1(kwargs, KIT_STR("tooltipLeaveDelay"));
    if (!truthy(delay)) delay = integer(0);
    setattr(self, KIT_STR("_tooltipLeaveDelay"), delay);
    setattr(self, KIT_STR("_palette_text_color"), Py_None);
    setattr(self, KIT_STR("component_styles"), Py_None);
    Ref key = get1(kwargs, KIT_STR("key"));
    setattr(self, KIT_STR("_key"), key);
    setattr(self, KIT_STR("_imported"), Py_False);
    Ref pop_keys = new_list();
    setattr(self, KIT_STR("_sx_pop_keys"), pop_keys);
    return none();
}

// --- deferred tasks ---------------------------------------------------------

// The timer callback of _do_task_async.  One function object is made at
// import and bound to each call's worker (a method object stands in for the
// closure cell, so no code object is built per call); a[0] is the worker.
//
//     def callback():
//         try:
//             asyncio.get_running_loop()
//         except RuntimeError:
//             # No asyncio loop runs on this thread, so a task made here would
//             # never run: drive the coroutine to its end right away.
//             coro = worker.run()
//             try:
//                 coro.send(None)
//             except StopIteration:
//                 pass
//             return
//         asyncio.ensure_future(worker.run())
Ref task_callback(const Args& a) {
    PyObject* worker = a[0];
    Ref asyncio = KIT_GLOBAL("asyncio");
    bool loop_running = true;
    try {
        call_method(asyncio, KIT_STR("get_running_loop"));
    } catch (const Error&) {
        if (!clear_if(PyExc_RuntimeError)) throw;
        loop_running = false;
    }
    if (!loop_running) {
        Ref coro = call_method(worker, KIT_STR("run"));
        try {
            call_method(coro, KIT_STR("send"), Py_None);
        } catch (const Error&) {
            if (!clear_if(PyExc_StopIteration)) throw;
        }
        return none();
    }
    Ref coro = call_method(worker, KIT_STR("run"));
    call_method(asyncio, KIT_STR("ensure_future"), coro.get());
    return none();
}

PyObject* task_callback_function() {
    static PyObject* fn = nullptr;  // lives as long as the module
    if (!fn) {
        FuncSpec spec{"callback", task_callback, {"worker"}};
        fn = make_function(spec, "PyWidgetBase._do_task_async.<locals>.callback").release();
    }
    return fn;
}

// def _do_task_async(self, fn):
//     worker = WidgetSetter(fn)
//     def callback(): ...                      # see task_callback
//     self._thread_pool.start(QTimer.singleShot(0, callback))
Ref PyWidgetBase__do_task_async(const Args& a) {
    Ref worker = call(KIT_GLOBAL("WidgetSetter"), a[1]);
    Ref callback = Ref::steal(PyMethod_New(task_callback_function(), worker));
    // Python evaluates the callee `self._thread_pool.start` before its argument.
    Ref start = getattr(getattr(a[0], KIT_STR("_thread_pool")), KIT_STR("start"));
    Ref single_shot = getattr(KIT_GLOBAL("QTimer"), KIT_STR("singleShot"));
    Ref zero = integer(0);
    Ref started = call(single_shot, zero, callback);
    call(start, started.get());
    return none();
}

// --- "vh" heights and the main window -------------------------------------

Ref main_window() {
    Ref app = call_method(KIT_GLOBAL("QApplication"), KIT_STR("instance"));
    return getattr(app, KIT_STR("mainWindow"));
}

// def __setup_vh_or_vw_height_width(self):
//     if self._sx:
//         sx = <the sx mapping>
//         if sx:
//             height = sx.get("height")
//             if height and isinstance(height, str) and height.endswith("vh"):
//                 QApplication.instance().mainWindow.sizeChanged.connect(
//                     self._update_height_vh_on_mainwindow_resize)
Ref PyWidgetBase__setup_vh_or_vw_height_width(const Args& a) {
    PyObject* self = a[0];
    Ref source = getattr(self, KIT_STR("_sx"));
    if (!truthy(source)) return none();
    Ref sx = resolve_sx(source);
    if (!sx || !truthy(sx)) return none();
    Ref height = get1(sx, KIT_STR("height"));
    if (!truthy(height) || !PyUnicode_Check(height.get()) || !endswith(height, KIT_STR("vh"))) return none();
    Ref signal = getattr(main_window(), KIT_STR("sizeChanged"));
    Ref slot = getattr(self, KIT_STR("_update_height_vh_on_mainwindow_resize"));
    call_method(signal, KIT_STR("connect"), slot.get());
    return none();
}

// def _update_height_vh_on_mainwindow_resize(self, new_size: "QSize"):
//     self.height()
Ref PyWidgetBase__update_height_vh_on_mainwindow_resize(const Args& a) {
    call_method(a[0], KIT_STR("height"));
    return none();
}

// --- tooltip, text, styles ----------------------------------------------

// def _installTooltipFilter(self):
//     if hasattr(self, "_tooltip") and isinstance(self._tooltip, str) and self._tooltip != "":
//         self.installEventFilter(ToolTipFilter(self, self._tooltipLeaveDelay))
//         self.setToolTip(self._tooltip)
Ref PyWidgetBase__installTooltipFilter(const Args& a) {
    PyObject* self = a[0];
    Ref tooltip = getattr_or_null(self, KIT_STR("_tooltip"));
    if (!tooltip || !PyUnicode_Check(tooltip.get())) return none();
    Ref empty = str("");
    if (!compare(tooltip, empty, Py_NE)) return none();
    Ref delay = getattr(self, KIT_STR("_tooltipLeaveDelay"));
    Ref filter = call(KIT_GLOBAL("ToolTipFilter"), self, delay.get());
    call_method(self, KIT_STR("installEventFilter"), filter.get());
    tooltip = getattr(self, KIT_STR("_tooltip"));
    call_method(self, KIT_STR("setToolTip"), tooltip.get());
    return none();
}

// def _getTranslatedText(self, input):
//     if isinstance(input, Callable): return translate(input)
//     if isinstance(input, State):
//         value = input.value
//         if isinstance(value, Callable): return translate(value)
//         if isinstance(value, str): return value
//         return None
//     if isinstance(input, str): return input
//     return None
Ref PyWidgetBase__getTranslatedText(const Args& a) {
    PyObject* input = a[1];
    if (is_callable(input)) return call(KIT_GLOBAL("translate"), input);
    if (is_state(input)) {
        Ref value = getattr(input, KIT_STR("value"));
        if (is_callable(value)) return call(KIT_GLOBAL("translate"), value.get());
        if (PyUnicode_Check(value.get())) return value;
        return none();
    }
    if (PyUnicode_Check(input)) return Ref::borrow(input);
    return none();
}

// def setupPseudoClasses(self, sx: "dict"):
//     if not sx: return
//     hover, focus = sx.get("&:hover"), sx.get("&:focus")
//     enabled, disabled = sx.get("&:enabled"), sx.get("&:disabled")
//     if hover: self.hover_qss = get_qss_style(hover)
//     ... focus_qss, enabled_qss, disabled_qss likewise
Ref PyWidgetBase_setupPseudoClasses(const Args& a) {
    PyObject* self = a[0];
    PyObject* sx = a[1];
    if (!truthy(sx)) return none();
    PyObject* keys[] = {KIT_STR("&:hover"), KIT_STR("&:focus"), KIT_STR("&:enabled"), KIT_STR("&:disabled")};
    PyObject* attrs[] = {KIT_STR("hover_qss"), KIT_STR("focus_qss"), KIT_STR("enabled_qss"),
                         KIT_STR("disabled_qss")};
    Ref values[4];
    for (int i = 0; i < 4; i++) values[i] = get1(sx, keys[i]);
    for (int i = 0; i < 4; i++) {
        if (!truthy(values[i])) continue;
        Ref qss = call(KIT_GLOBAL("get_qss_style"), values[i].get());
        setattr(self, attrs[i], qss);
    }
    return none();
}

// def set_styleFn(self, styleFn): self.styleFn = styleFn
Ref PyWidgetBase_set_styleFn(const Args& a) {
    setattr(a[0], KIT_STR("styleFn"), a[1]);
    return none();
}

// def _update_component_styles(self, theme, component_styles):
//     self.component_styles = component_styles if component_styles else theme.components
Ref PyWidgetBase__update_component_styles(const Args& a) {
    Ref styles = Ref::borrow(a[2]);
    if (!truthy(styles)) styles = getattr(a[1], KIT_STR("components"));
    setattr(a[0], KIT_STR("component_styles"), styles);
    return none();
}

// def _on_destroyed(self): pass     (and paintEvent)
Ref do_nothing(const Args&) { return none(); }

// --- the sx source ------------------------------------------------------------

// def _setup_sx_position(self, sx: "Optional[Union[Callable, str, Dict]]"):
//     self._sx = sx
//     if isinstance(sx, State):
//         sx.valueChanged.connect(self._on_sx_changed)
//     self._initialize_positioning()
Ref PyWidgetBase__setup_sx_position(const Args& a) {
    PyObject* self = a[0];
    PyObject* sx = a[1];
    setattr(self, KIT_STR("_sx"), sx);
    if (is_state(sx)) {
        Ref signal = getattr(sx, KIT_STR("valueChanged"));
        Ref slot = getattr(self, KIT_STR("_on_sx_changed"));
        call_method(signal, KIT_STR("connect"), slot.get());
    }
    self_call(self, KIT_STR("_initialize_positioning"));
    return none();
}

// def __get_sx_dict(self):
//     if not self._sx: return None
//     return <the sx mapping of self._sx, or None>
Ref PyWidgetBase__get_sx_dict(const Args& a) {
    Ref source = getattr(a[0], KIT_STR("_sx"));
    if (!truthy(source)) return none();
    Ref sx = resolve_sx(source);
    return sx ? sx : none();
}

// def _on_sx_changed(self):
//     self._initialize_positioning()
//     self._update_size_from_sx()
//     self.update_absolute_position()
//     self.update_absolute_children()
Ref PyWidgetBase__on_sx_changed(const Args& a) {
    self_call(a[0], KIT_STR("_initialize_positioning"));
    self_call(a[0], KIT_STR("_update_size_from_sx"));
    self_call(a[0], KIT_STR("update_absolute_position"));
    self_call(a[0], KIT_STR("update_absolute_children"));
    return none();
}

// def _get_position_from_sx(self) -> "Optional[str]":
//     position = self._get_sx_value("position")
//     if not (position is None or type(position) is str):
//         raise TypeError("Expected str, got %.200s" % type(position).__name__)
//     return position
Ref PyWidgetBase__get_position_from_sx(const Args& a) {
    Ref position = call_method(a[0], KIT_STR("_get_sx_value"), KIT_STR("position"));
    if (position.get() != Py_None && !PyUnicode_CheckExact(position.get()))
        raisef(PyExc_TypeError, "Expected %s, got %.200s", "str", type_name(position));
    return position;
}

// def _get_sx_value(self, key: "str") -> "Optional[Union[str, int]]":
//     (key must be a str)
//     sx = <the sx mapping of self._sx, or None>
//     return sx.get(key) if sx is not None else None
Ref PyWidgetBase__get_sx_value(const Args& a) {
    if (!PyUnicode_Check(a[1])) wrong_argument_type("key", "str", a[1]);
    Ref sx = sx_mapping(a[0]);
    if (!sx) return none();
    return get1(sx, a[1]);
}

// --- sizes --------------------------------------------------------------------

// def _parse_size_value(self, val, parent_size):
//     if isinstance(val, (int, float)):
//         return int(parent_size * val) if 0 < val <= 1 else int(val)
//     if not isinstance(val, str): return 0
//     s = val.strip()
//     if s.endswith("%"):               p = float(s[:-1]);  return int(parent_size * (p / 100))
//     if s.endswith("vh") or ("vw"):    p = float(s[:-2]);  return int(parent_size * (p / 100))
//     if s.endswith("px"):              return int(float(s[:-2]))
//     return int(float(s))
//     (a ValueError from float() gives 0)
Ref PyWidgetBase__parse_size_value(const Args& a) {
    PyObject* val = a[1];
    PyObject* parent_size = a[2];
    if (is_number(val)) {
        if (in_unit_interval(val)) return to_int(mul(parent_size, val));
        return to_int(val);
    }
    if (!PyUnicode_Check(val)) return integer(0);
    Ref s = strip(val);
    if (endswith(s, KIT_STR("%"))) {
        Ref p = float_or_null(drop_last(s, 1));
        if (!p) return integer(0);
        return to_int(mul(parent_size, per_hundred(p)));
    }
    if (endswith(s, KIT_STR("vh")) || endswith(s, KIT_STR("vw"))) {
        Ref p = float_or_null(drop_last(s, 2));
        if (!p) return integer(0);
        return to_int(mul(parent_size, per_hundred(p)));
    }
    if (endswith(s, KIT_STR("px"))) {
        Ref p = float_or_null(drop_last(s, 2));
        if (!p) return integer(0);
        return to_int(p);
    }
    Ref p = float_or_null(s);
    if (!p) return integer(0);
    return to_int(p);
}

// One axis of _update_size_from_sx.
struct Axis {
    PyObject* type_attr;   // "_width_type"
    PyObject* value_attr;  // "_width"
    PyObject* suffix;      // "vw" / "vh"
    PyObject* minimum;     // "setMinimumWidth"
};

void set_type(PyObject* self, const Axis& axis, const char* kind, PyObject* value) {
    Ref k = str(kind);
    setattr(self, axis.type_attr, k);
    setattr(self, axis.value_attr, value);
}

bool positive(PyObject* o) {
    Ref zero = integer(0);
    return compare(o, zero, Py_GT);
}

// def _update_size_from_sx(self):
//     sx = <the sx mapping>
//     if sx is None: return
//     width, height = sx.get("width"), sx.get("height")
//     parent = self.parent()
//     parent_width = parent.width() if parent else 0
//     parent_height = parent.height() if parent else 0
//     if width is not None:
//         if isinstance(width, str) and width.endswith("vw"):
//             self._width_type, self._width = "vw", width
//             if parent_width > 0: self._parse_size_value(width, parent_width)
//         elif isinstance(width, str) and width.endswith("%"):
//             self._width_type, self._width = "%", width
//             if parent_width > 0: self.setMinimumWidth(self._parse_size_value(width, parent_width))
//         elif isinstance(width, float) and 0 < width <= 1:
//             self._width_type, self._width = "float", width
//             if parent_width > 0: self.setMinimumWidth(self._parse_size_value(width, parent_width))
//         else:
//             self._width_type, self._width = "px", width
//             self.setMinimumWidth(self._parse_size_value(width, parent_width))
//     if height is not None:
//         if isinstance(height, str) and height.endswith("vh"):
//             self._height_type, self._height = "vh", height
//             h = QApplication.instance().mainWindow.height()
//             self.setFixedHeight(self._parse_size_value(height, h))
//         ... "%", "float" and "px" as for the width, with setMinimumHeight
Ref PyWidgetBase__update_size_from_sx(const Args& a) {
    PyObject* self = a[0];
    Ref sx = sx_mapping(self);
    if (!sx) return none();
    Ref width = get1(sx, KIT_STR("width"));
    Ref height = get1(sx, KIT_STR("height"));
    Ref parent = call_method(self, KIT_STR("parent"));
    bool has_parent = truthy(parent);
    Ref parent_width = has_parent ? call_method(parent, KIT_STR("width")) : integer(0);
    Ref parent_height = has_parent ? call_method(parent, KIT_STR("height")) : integer(0);
    PyObject* parse = KIT_STR("_parse_size_value");

    const Axis axes[2] = {
        {KIT_STR("_width_type"), KIT_STR("_width"), KIT_STR("vw"), KIT_STR("setMinimumWidth")},
        {KIT_STR("_height_type"), KIT_STR("_height"), KIT_STR("vh"), KIT_STR("setMinimumHeight")},
    };
    PyObject* values[2] = {width.get(), height.get()};
    PyObject* totals[2] = {parent_width.get(), parent_height.get()};
    for (int i = 0; i < 2; i++) {
        const Axis& axis = axes[i];
        PyObject* value = values[i];
        PyObject* total = totals[i];
        if (value == Py_None) continue;
        bool is_str = PyUnicode_Check(value);
        if (is_str && endswith(value, axis.suffix)) {
            set_type(self, axis, i == 0 ? "vw" : "vh", value);
            if (i == 0) {
                // A "vw" width is measured but not applied.
                if (positive(total)) call_method(self, parse, value, total);
            } else {
                Ref h = call_method(main_window(), KIT_STR("height"));
                Ref px = call_method(self, parse, value, h.get());
                call_method(self, KIT_STR("setFixedHeight"), px.get());
            }
        } else if (is_str && endswith(value, KIT_STR("%"))) {
            set_type(self, axis, "%", value);
            if (positive(total)) {
                Ref px = call_method(self, parse, value, total);
                call_method(self, axis.minimum, px.get());
            }
        } else if (PyFloat_Check(value) && in_unit_interval(value)) {
            set_type(self, axis, "float", value);
            if (positive(total)) {
                Ref px = call_method(self, parse, value, total);
                call_method(self, axis.minimum, px.get());
            }
        } else {
            set_type(self, axis, "px", value);
            Ref px = call_method(self, parse, value, total);
            call_method(self, axis.minimum, px.get());
        }
    }
    return none();
}

// def __contvert_to_percent_value(self, value):
//     if value is None: return None
//     if isinstance(value, (int, float)) and 0 <= value <= 1: return value * 100
//     if isinstance(value, str) and value.endswith("%"):
//         try:
//             return float(value.strip("%"))
//         except ValueError:
//             raise DeZidOzezuzavuvArazo(file_path="self.file_path", param_name="param_name",
//                                        param_value=value, expected_types=[int],
//                                        error_type="INVALID_CONDITION",
//                                        message="Parameter does not satisfy the validation condition: check_value")
//     return None
Ref PyWidgetBase__contvert_to_percent_value(const Args& a) {
    PyObject* value = a[1];
    if (value == Py_None) return none();
    if (is_number(value)) {
        Ref zero = integer(0), one = integer(1);
        if (compare(zero, value, Py_LE) && compare(value, one, Py_LE)) {
            Ref hundred = integer(100);
            return mul(value, hundred);
        }
    }
    if (PyUnicode_Check(value) && endswith(value, KIT_STR("%"))) {
        try {
            Ref digits = call_method(value, KIT_STR("strip"), KIT_STR("%"));
            return to_float(digits);
        } catch (const Error&) {
            if (!PyErr_ExceptionMatches(PyExc_ValueError)) throw;
            Handling handled;
            Ref file_path = str("self.file_path"), param_name = str("param_name");
            Ref expected = list({reinterpret_cast<PyObject*>(&PyLong_Type)});
            Ref error_type = str("INVALID_CONDITION");
            Ref message = str("Parameter does not satisfy the validation condition: check_value");
            Ref exc = call_kw(KIT_GLOBAL("DeZidOzezuzavuvArazo"), {},
                              {{"file_path", file_path}, {"param_name", param_name}, {"param_value", value},
                               {"expected_types", expected}, {"error_type", error_type}, {"message", message}});
            raise_object(exc);
        }
    }
    return none();
}

// def _get_float_or_percent_sx_value(self, key):
//     sx = self.__get_sx_dict()
//     if not sx: return None
//     return self.__contvert_to_percent_value(sx.get(key))
Ref PyWidgetBase__get_float_or_percent_sx_value(const Args& a) {
    Ref sx = self_call(a[0], KIT_STR("_PyWidgetBase__get_sx_dict"));
    if (!truthy(sx)) return none();
    Ref value = get1(sx, a[1]);
    return call_method(a[0], KIT_STR("_PyWidgetBase__contvert_to_percent_value"), value.get());
}

// def _apply_float_and_percent_sx_value(self):
//     parent = self.parent()
//     if not parent: return
//     parent_width, parent_height = parent.width(), parent.height()
//     new_width, new_height = self.width(), self.height()
//     width_percent = self._get_float_or_percent_sx_value(key="width")
//     if width_percent: new_width = int(parent_width * width_percent / 100)
//     height_percent = self._get_float_or_percent_sx_value(key="height")
//     if height_percent: new_height = int(parent_height * height_percent / 100)
//     if hasattr(parent, "_flexWrap") and parent._flexWrap: return
//     self.resize(new_width, new_height)
Ref PyWidgetBase__apply_float_and_percent_sx_value(const Args& a) {
    PyObject* self = a[0];
    Ref parent = call_method(self, KIT_STR("parent"));
    if (!truthy(parent)) return none();
    Ref parent_width = call_method(parent, KIT_STR("width"));
    Ref parent_height = call_method(parent, KIT_STR("height"));
    Ref new_width = call_method(self, KIT_STR("width"));
    Ref new_height = call_method(self, KIT_STR("height"));
    Ref percent_of = getattr(self, KIT_STR("_get_float_or_percent_sx_value"));
    Ref hundred = integer(100);

    Ref width_key = str("width");
    Ref width_percent = call_kw(percent_of, {}, {{"key", width_key}});
    if (truthy(width_percent))
        new_width = to_int(Ref::steal(PyNumber_TrueDivide(mul(parent_width, width_percent), hundred)));
    Ref height_key = str("height");
    Ref height_percent = call_kw(percent_of, {}, {{"key", height_key}});
    if (truthy(height_percent))
        new_height = to_int(Ref::steal(PyNumber_TrueDivide(mul(parent_height, height_percent), hundred)));

    Ref flex_wrap = getattr_or_null(parent, KIT_STR("_flexWrap"));
    if (flex_wrap && truthy(flex_wrap)) return none();
    call_method(self, KIT_STR("resize"), new_width.get(), new_height.get());
    return none();
}

// --- absolute positioning ---------------------------------------------------

void reset_positioning(PyObject* self) {
    for (PyObject* name : {KIT_STR("_position"), KIT_STR("_left"), KIT_STR("_top"), KIT_STR("_right"),
                           KIT_STR("_bottom"), KIT_STR("_relative_to")})
        setattr(self, name, Py_None);
}

// def _initialize_positioning(self):
//     if not self._sx: return
//     sx = <the sx mapping>
//     position = sx.get("position") if sx is not None else None
//     if position == "absolute":
//         self._position = position
//         self._left, self._top = sx.get("left"), sx.get("top")
//         self._right, self._bottom = sx.get("right"), sx.get("bottom")
//         if getattr(self, "_relative_to", None) is None:
//             self._relative_to = None
//             ancestor = self.parent()
//             while ancestor:
//                 if (isinstance(ancestor, PyWidgetBase) and hasattr(ancestor, "_position")
//                         and ancestor._position == "relative"):
//                     ancestor._add_absolute_child(self)
//                     self._relative_to = ancestor
//                     break
//                 ancestor = ancestor.parent()
//     else:
//         self._position = self._left = self._top = self._right = self._bottom = None
//         self._relative_to = None
//         if position == "relative":
//             self._position = "relative"      # the mark its absolute descendants look for
//     self._update_size_from_sx()
Ref PyWidgetBase__initialize_positioning(const Args& a) {
    PyObject* self = a[0];
    Ref source = getattr(self, KIT_STR("_sx"));
    if (!truthy(source)) return none();
    Ref sx = resolve_sx(source);
    Ref position = sx ? get1(sx, KIT_STR("position")) : none();
    Ref absolute = Ref::borrow(KIT_STR("absolute"));
    Ref relative = Ref::borrow(KIT_STR("relative"));
    if (sx && eq(position, absolute)) {
        setattr(self, KIT_STR("_position"), position);
        PyObject* const offsets[][2] = {{KIT_STR("_left"), KIT_STR("left")},
                                        {KIT_STR("_top"), KIT_STR("top")},
                                        {KIT_STR("_right"), KIT_STR("right")},
                                        {KIT_STR("_bottom"), KIT_STR("bottom")}};
        for (const auto& o : offsets) {
            Ref value = get1(sx, o[1]);
            setattr(self, o[0], value);
        }
        Ref current = getattr_or_null(self, KIT_STR("_relative_to"));
        if (!current || current.get() == Py_None) {
            setattr(self, KIT_STR("_relative_to"), Py_None);
            Ref base = KIT_GLOBAL("PyWidgetBase");
            Ref ancestor = call_method(self, KIT_STR("parent"));
            while (truthy(ancestor)) {
                if (isinstance(ancestor, base)) {
                    Ref mark = getattr_or_null(ancestor, KIT_STR("_position"));
                    if (mark && eq(mark, relative)) {
                        call_method(ancestor, KIT_STR("_add_absolute_child"), self);
                        setattr(self, KIT_STR("_relative_to"), ancestor);
                        break;
                    }
                }
                ancestor = call_method(ancestor, KIT_STR("parent"));
            }
        }
    } else {
        reset_positioning(self);
        if (sx && eq(position, relative)) setattr(self, KIT_STR("_position"), relative);
    }
    self_call(self, KIT_STR("_update_size_from_sx"));
    return none();
}

// def _add_absolute_child(self, child: 'PyWidgetBase'):
//     if child not in self._child_abs:
//         self._child_abs.append(child)
//         child._relative_to = self
//         child.update_absolute_position()
Ref PyWidgetBase__add_absolute_child(const Args& a) {
    Ref children = getattr(a[0], KIT_STR("_child_abs"));
    if (contains(children, a[1])) return none();
    call_method(children, KIT_STR("append"), a[1]);
    setattr(a[1], KIT_STR("_relative_to"), a[0]);
    self_call(a[1], KIT_STR("update_absolute_position"));
    return none();
}

// def _remove_absolute_child(self, child: 'PyWidgetBase'):
//     if child in self._child_abs:
//         self._child_abs.remove(child)
//         child._relative_to = None
Ref PyWidgetBase__remove_absolute_child(const Args& a) {
    Ref children = getattr(a[0], KIT_STR("_child_abs"));
    if (!contains(children, a[1])) return none();
    call_method(children, KIT_STR("remove"), a[1]);
    setattr(a[1], KIT_STR("_relative_to"), Py_None);
    return none();
}

// The offset parser of update_absolute_position (`parse_value` there):
//
//     def parse_value(val, total):
//         if isinstance(val, (int, float)): return int(val)
//         if not isinstance(val, str): return 0
//         import re
//         match = re.match(r"^\s*([-+]?\d+)%\s*([-+])\s*(\d+)px\s*$", val)
//         if match:
//             percent_text, sign, pixel_text = match.groups()
//             percent = float(percent_text)    (0 on ValueError)
//             pixels = float(pixel_text)       (0 on ValueError)
//             if sign == "-": return int(total * (percent / 100) - pixels)
//             return int(total * (percent / 100) + pixels)
//         s = val.strip()
//         if s.endswith("%"):
//             percent = float(s[:-1])          (0 on ValueError)
//             return int(total * (percent / 100))
//         if s.endswith("px"):
//             pixels = float(s[:-2])           (0 on ValueError)
//             return int(pixels)
//         try:
//             return int(float(val))
//         except Exception:
//             return 0
Ref float_or_zero(PyObject* text) {
    Ref v = float_or_null(text);
    return v ? v : integer(0);
}

Ref parse_offset(PyObject* val, PyObject* total) {
    if (is_number(val)) return to_int(val);
    if (!PyUnicode_Check(val)) return integer(0);
    Ref re = Ref::steal(PyImport_Import(KIT_STR("re")));
    Ref pattern = Ref::borrow(KIT_STR(R"(^\s*([-+]?\d+)%\s*([-+])\s*(\d+)px\s*$)"));
    Ref match = call_method(re, KIT_STR("match"), pattern.get(), val);
    if (truthy(match)) {
        Ref groups = call_method(match, KIT_STR("groups"));
        Ref items = Ref::steal(PySequence_Tuple(groups));
        if (PyTuple_GET_SIZE(items.get()) != 3) raise(PyExc_ValueError, "expected 3 values to unpack");
        Ref percent = float_or_zero(PyTuple_GET_ITEM(items.get(), 0));
        PyObject* sign = PyTuple_GET_ITEM(items.get(), 1);
        Ref pixels = float_or_zero(PyTuple_GET_ITEM(items.get(), 2));
        Ref base = mul(total, per_hundred(percent));
        Ref minus = Ref::borrow(KIT_STR("-"));
        if (eq(sign, minus)) return to_int(sub(base, pixels));
        return to_int(add(base, pixels));
    }
    Ref s = strip(val);
    if (endswith(s, KIT_STR("%"))) {
        Ref percent = float_or_zero(drop_last(s, 1));
        return to_int(mul(total, per_hundred(percent)));
    }
    if (endswith(s, KIT_STR("px"))) {
        Ref pixels = float_or_zero(drop_last(s, 2));
        return to_int(pixels);
    }
    try {
        return to_int(to_float(val));
    } catch (const Error&) {
        if (!clear_if(PyExc_Exception)) throw;
        return integer(0);
    }
}

// def update_absolute_position(self):
//     def parse_value(val, total): ...           # parse_offset above
//     position = self._get_position_from_sx()
//     if position != "absolute" or not self._relative_to: return
//     if not self._relative_to or not self.parent() or not self._relative_to.parent(): return
//     self.setParent(self._relative_to.parent())
//     container = self._relative_to
//     if not container: return
//     left, top = self._get_sx_value("left"), self._get_sx_value("top")
//     right, bottom = self._get_sx_value("right"), self._get_sx_value("bottom")
//     if left is not None: x = parse_value(left, container.width())
//     elif right is not None:
//         x = container.width() - self.width() - parse_value(right, container.width())
//     else: x = 0
//     (y likewise from top, bottom and the heights)
//     global_point = container.mapToGlobal(QPoint(x, y))
//     new_pos = self.parent().mapFromGlobal(global_point)
//     new_pos = self._ajustPositionBaseOnParentMarginValue(new_pos)
//     self.move(new_pos)
//     if not self.isVisible(): self.show()
Ref offset(PyObject* self, PyObject* container, PyObject* near, PyObject* far, PyObject* extent) {
    if (near != Py_None) {
        Ref total = call_method(container, extent);
        return parse_offset(near, total);
    }
    if (far != Py_None) {
        Ref outer = call_method(container, extent);
        Ref own = call_method(self, extent);
        Ref room = sub(outer, own);
        Ref total = call_method(container, extent);
        Ref value = parse_offset(far, total);
        return sub(room, value);
    }
    return integer(0);
}

Ref PyWidgetBase_update_absolute_position(const Args& a) {
    PyObject* self = a[0];
    Ref position = self_call(self, KIT_STR("_get_position_from_sx"));
    Ref absolute = Ref::borrow(KIT_STR("absolute"));
    if (compare(position, absolute, Py_NE)) return none();
    if (!truthy(getattr(self, KIT_STR("_relative_to")))) return none();

    if (!truthy(getattr(self, KIT_STR("_relative_to")))) return none();
    if (!truthy(call_method(self, KIT_STR("parent")))) return none();
    if (!truthy(call_method(getattr(self, KIT_STR("_relative_to")), KIT_STR("parent")))) return none();
    Ref new_parent = call_method(getattr(self, KIT_STR("_relative_to")), KIT_STR("parent"));
    call_method(self, KIT_STR("setParent"), new_parent.get());
    Ref container = getattr(self, KIT_STR("_relative_to"));
    if (!truthy(container)) return none();

    PyObject* get_value = KIT_STR("_get_sx_value");
    Ref left = call_method(self, get_value, KIT_STR("left"));
    Ref top = call_method(self, get_value, KIT_STR("top"));
    Ref right = call_method(self, get_value, KIT_STR("right"));
    Ref bottom = call_method(self, get_value, KIT_STR("bottom"));
    Ref x = offset(self, container, left, right, KIT_STR("width"));
    Ref y = offset(self, container, top, bottom, KIT_STR("height"));

    Ref desired_local = call(KIT_GLOBAL("QPoint"), x.get(), y.get());
    Ref global_point = call_method(container, KIT_STR("mapToGlobal"), desired_local.get());
    Ref parent = call_method(self, KIT_STR("parent"));
    Ref new_pos = call_method(parent, KIT_STR("mapFromGlobal"), global_point.get());
    new_pos = call_method(self, KIT_STR("_ajustPositionBaseOnParentMarginValue"), new_pos.get());
    call_method(self, KIT_STR("move"), new_pos.get());
    if (!truthy(call_method(self, KIT_STR("isVisible")))) call_method(self, KIT_STR("show"));
    return none();
}

// Shift pos by one margin value: a number, or a text ending with "px".
//
//     if isinstance(margin, (int, float)):
//         pos.setX(pos.x() + int(margin)); pos.setY(pos.y() + int(margin))   (the axes asked for)
//     elif isinstance(margin, str) and margin.endswith("px"):
//         try:
//             m = int(float(margin[:-2]))
//             pos.setX(pos.x() + m); pos.setY(pos.y() + m)
//         except ValueError:
//             pass
void shift(PyObject* pos, PyObject* margin, bool along_x, bool along_y) {
    Ref amount;
    if (is_number(margin)) {
        amount = to_int(margin);
    } else if (PyUnicode_Check(margin) && endswith(margin, KIT_STR("px"))) {
        try {
            amount = to_int(to_float(drop_last(margin, 2)));
        } catch (const Error&) {
            if (!clear_if(PyExc_ValueError)) throw;
            return;
        }
    } else {
        return;
    }
    if (along_x) {
        Ref x = add(call_method(pos, KIT_STR("x")), amount);
        call_method(pos, KIT_STR("setX"), x.get());
    }
    if (along_y) {
        Ref y = add(call_method(pos, KIT_STR("y")), amount);
        call_method(pos, KIT_STR("setY"), y.get());
    }
}

// def _ajustPositionBaseOnParentMarginValue(self, pos):
//     parent_sx = self._relative_to._sx
//     if not parent_sx or not isinstance(parent_sx, dict): return pos
//     shift(pos, parent_sx.get("margin", 0), x and y)
//     shift(pos, parent_sx.get("margin-left", 0), x)
//     shift(pos, parent_sx.get("margin-top", 0), y)
//     return pos
Ref PyWidgetBase__ajustPositionBaseOnParentMarginValue(const Args& a) {
    PyObject* pos = a[1];
    Ref container = getattr(a[0], KIT_STR("_relative_to"));
    Ref parent_sx = getattr(container, KIT_STR("_sx"));
    if (!truthy(parent_sx) || !PyDict_Check(parent_sx.get())) return Ref::borrow(pos);
    Ref zero = integer(0);
    shift(pos, get(parent_sx, KIT_STR("margin"), zero), true, true);
    shift(pos, get(parent_sx, KIT_STR("margin-left"), zero), true, false);
    shift(pos, get(parent_sx, KIT_STR("margin-top"), zero), false, true);
    return Ref::borrow(pos);
}

// def update_absolute_children(self):
//     if not hasattr(self, "_child_abs"): return
//     for child in list(self._child_abs):
//         if child._relative_to == self:
//             child.update_absolute_position()
//         else:
//             self._child_abs.remove(child)
//             if child._relative_to:
//                 child._relative_to._add_absolute_child(child)
Ref PyWidgetBase_update_absolute_children(const Args& a) {
    PyObject* self = a[0];
    Ref registry = getattr_or_null(self, KIT_STR("_child_abs"));
    if (!registry) return none();
    Ref snapshot = Ref::steal(PySequence_List(registry));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(snapshot.get()); i++) {
        Ref child = Ref::borrow(PyList_GET_ITEM(snapshot.get(), i));
        Ref container = getattr(child, KIT_STR("_relative_to"));
        if (eq(container, self)) {
            self_call(child, KIT_STR("update_absolute_position"));
            continue;
        }
        Ref children = getattr(self, KIT_STR("_child_abs"));
        call_method(children, KIT_STR("remove"), child.get());
        container = getattr(child, KIT_STR("_relative_to"));
        if (truthy(container)) call_method(container, KIT_STR("_add_absolute_child"), child.get());
    }
    return none();
}

// --- Qt event handlers ----------------------------------------------------

// def resizeEvent(self, event):
//     self._apply_float_and_percent_sx_value()
//     self._update_size_from_sx()
//     if self._get_position_from_sx() == "relative": self.update_absolute_children()
//     if self._get_position_from_sx() == "absolute": self.update_absolute_position()
Ref PyWidgetBase_resizeEvent(const Args& a) {
    PyObject* self = a[0];
    self_call(self, KIT_STR("_apply_float_and_percent_sx_value"));
    self_call(self, KIT_STR("_update_size_from_sx"));
    Ref relative = Ref::borrow(KIT_STR("relative"));
    Ref absolute = Ref::borrow(KIT_STR("absolute"));
    if (eq(self_call(self, KIT_STR("_get_position_from_sx")), relative))
        self_call(self, KIT_STR("update_absolute_children"));
    if (eq(self_call(self, KIT_STR("_get_position_from_sx")), absolute))
        self_call(self, KIT_STR("update_absolute_position"));
    return none();
}

// def enterEvent(self, event):
//     if self._onMouseEnter: self._onMouseEnter()
// (leaveEvent, mousePressEvent, mouseReleaseEvent likewise; focusInEvent and
// focusOutEvent hand the event to their callbacks.)  a.data() is the
// callback's attribute name; a non-NULL event argument is passed on.
Ref forward(const Args& a, bool with_event) {
    Ref callback = getattr(a[0], a.data());
    if (!truthy(callback)) return none();
    if (with_event)
        call(callback, a[1]);
    else
        call(callback);
    return none();
}
Ref forward_plain(const Args& a) { return forward(a, false); }
Ref forward_event(const Args& a) { return forward(a, true); }

// --- the module body --------------------------------------------------------

void build_widget_setter() {
    Ref runnable = KIT_GLOBAL("QRunnable");
    ClassBuilder cls("WidgetSetter", {runnable.get()});
    cls.def({"__init__", WidgetSetter__init__, {"self", "fn"}});
    FuncSpec run{"run", WidgetSetter_run, {"self"}};
    run.coroutine = true;
    cls.def(run);
    Ref built = cls.build();
    set_global("WidgetSetter", built);
}

void build_widget_base() {
    ClassBuilder cls("PyWidgetBase", {});
    const char* callback = "Optional[Callable]";
    cls.def({"__init__",
             PyWidgetBase__init__,
             {"self", Param("parent", None), Param("onMouseEnter", None, callback),
              Param("onMouseLeave", None, callback), Param("onMousePress", None, callback),
              Param("onMouseRelease", None, callback), Param("onFocusIn", None, callback),
              Param("onFocusOut", None, callback), Param("tooltip", None, "Optional[str]"),
              Param("tooltipPlacement", Str("top"), "Optional[str]"),
              Param("tooltipLeaveDelay", Int(0), "Optional[int]"), VarArgs("args"), VarKw("kwargs")}});
    cls.def({"_setUpUi", PyWidgetBase__setUpUi, {"self", VarKw("kwargs")}});
    cls.def({"_do_task_async", PyWidgetBase__do_task_async, {"self", "fn"}});
    cls.def({"__setup_vh_or_vw_height_width", PyWidgetBase__setup_vh_or_vw_height_width, {"self"}});
    cls.def({"_update_height_vh_on_mainwindow_resize", PyWidgetBase__update_height_vh_on_mainwindow_resize,
             {"self", Param("new_size", "QSize")}});
    cls.def({"_installTooltipFilter", PyWidgetBase__installTooltipFilter, {"self"}});
    cls.def({"_getTranslatedText", PyWidgetBase__getTranslatedText, {"self", "input"}});
    cls.def({"setupPseudoClasses", PyWidgetBase_setupPseudoClasses, {"self", Param("sx", "dict")}});
    cls.def({"set_styleFn", PyWidgetBase_set_styleFn, {"self", "styleFn"}});
    cls.def({"_update_component_styles", PyWidgetBase__update_component_styles,
             {"self", "theme", "component_styles"}});
    cls.def({"_on_destroyed", do_nothing, {"self"}});
    cls.def({"_setup_sx_position", PyWidgetBase__setup_sx_position,
             {"self", Param("sx", "Optional[Union[Callable, str, Dict]]")}});
    cls.def({"_initialize_positioning", PyWidgetBase__initialize_positioning, {"self"}});
    cls.def({"_parse_size_value", PyWidgetBase__parse_size_value, {"self", "val", "parent_size"}});
    cls.def({"_update_size_from_sx", PyWidgetBase__update_size_from_sx, {"self"}});
    cls.def({"__get_sx_dict", PyWidgetBase__get_sx_dict, {"self"}});
    cls.def({"__contvert_to_percent_value", PyWidgetBase__contvert_to_percent_value, {"self", "value"}});
    cls.def({"_get_float_or_percent_sx_value", PyWidgetBase__get_float_or_percent_sx_value, {"self", "key"}});
    cls.def({"_apply_float_and_percent_sx_value", PyWidgetBase__apply_float_and_percent_sx_value, {"self"}});
    cls.def({"_on_sx_changed", PyWidgetBase__on_sx_changed, {"self"}});
    cls.def({"_get_position_from_sx", PyWidgetBase__get_position_from_sx, {"self"}, nullptr, "Optional[str]"});
    cls.def({"_get_sx_value", PyWidgetBase__get_sx_value, {"self", Param("key", "str")}, nullptr,
             "Optional[Union[str, int]]"});
    cls.def({"_add_absolute_child", PyWidgetBase__add_absolute_child, {"self", Param("child", "'PyWidgetBase'")}});
    cls.def({"_remove_absolute_child", PyWidgetBase__remove_absolute_child,
             {"self", Param("child", "'PyWidgetBase'")}});
    cls.def({"update_absolute_position", PyWidgetBase_update_absolute_position, {"self"}});
    cls.def({"_ajustPositionBaseOnParentMarginValue", PyWidgetBase__ajustPositionBaseOnParentMarginValue,
             {"self", "pos"}});
    cls.def({"update_absolute_children", PyWidgetBase_update_absolute_children, {"self"}});
    cls.def({"resizeEvent", PyWidgetBase_resizeEvent, {"self", "event"}});
    cls.def({"paintEvent", do_nothing, {"self", "event"}});

    struct Handler {
        const char* name;
        const char* callback;
        bool with_event;
    };
    static const Handler handlers[] = {
        {"enterEvent", "_onMouseEnter", false},    {"leaveEvent", "_onMouseLeave", false},
        {"mousePressEvent", "_onMousePress", false}, {"mouseReleaseEvent", "_onMouseRelease", false},
        {"focusInEvent", "_onFocusIn", true},       {"focusOutEvent", "_onFocusOut", true},
    };
    for (const Handler& h : handlers) {
        FuncSpec spec{h.name, h.with_event ? forward_event : forward_plain, {"self", "event"}};
        if (h.with_event) spec.returns = "None";
        spec.data = intern(h.callback);
        cls.def(spec);
    }
    Ref built = cls.build();
    set_global("PyWidgetBase", built);
}

void body() {
    import_module("asyncio");
    from_import("typing", {"Optional", "Callable", "Union"});
    from_import("PySide6.QtWidgets", {"QGraphicsOpacityEffect", "QApplication"});
    from_import("PySide6.QtCore", {"QEvent", "QPropertyAnimation", "QEasingCurve", "QPoint", "QSize", "QRunnable",
                                   "QThreadPool", "QTimer"});
    from_import("PySide6.QtGui", {"QPalette"});
    from_import("tovane.material.tooltip", {"ToolTipFilter"});
    from_import("tovane.material.styles", {"get_qss_style"});
    from_import("tovane.hooks", {"State"});
    from_import("tovane.i18n.use_translation", {"i18n", "translate"});
    from_import("tovane.errors", {"DeZidOzezuzavuvArazo"});
    from_import("tovane.material.utils.validate_params", {"_validate_param"});
    build_widget_setter();
    build_widget_base();
    task_callback_function();
}

}  // namespace

KIT_MODULE(brevant, "brevant", "brevant", nullptr, body)
