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
//
// Pixel values handed to Qt (sizes, offsets, margins) are kept inside Qt's
// widget-size range, and a size or offset that is not a finite number is 0:
// a value Qt cannot take must never reach it from inside an event handler.
#include "kit/kit.hpp"

#include <cmath>

namespace {

using namespace kit;

// --- small Python operations ----------------------------------------------

// isinstance(o, Callable), with typing.Callable as bound at import.
bool is_callable(PyObject* o) { return isinstance(o, KIT_GLOBAL("Callable")); }

// 0 < value <= 1
bool in_unit_interval(PyObject* value) {
    return lt(KIT_CACHED(integer(0)), value) && le(value, KIT_CACHED(integer(1)));
}

Ref per_hundred(PyObject* a) { return truediv(a, KIT_CACHED(integer(100))); }  // a / 100

// float(o), or NULL when that raises ValueError (other errors propagate).
Ref float_or_null(PyObject* o) { return to_float(o, except(PyExc_ValueError)); }

// s.strip(): through the object, as Python does.
Ref strip(PyObject* s) { return call_method(s, KIT_STR("strip")); }

// --- pixels --------------------------------------------------------------------

// QWIDGETSIZE_MAX: the largest size a widget takes.
constexpr long long kMaxPixels = (1 << 24) - 1;

Ref pixels(PyObject* v);

// A pixel count for Qt: an int kept within +-QWIDGETSIZE_MAX, a float as
// pixels() reads it; anything else (what an overridden method returned) as
// operator.index() reads it, so an object the binding cannot convert is
// refused here, with its own error.
Ref clamp_pixels(PyObject* value) {
    Ref v = qt_int(value);
    if (PyFloat_Check(v.get())) return pixels(v);
    int overflow = 0;
    long long n = PyLong_AsLongLongAndOverflow(v, &overflow);
    if (n == -1 && PyErr_Occurred()) throw_error();
    if (overflow > 0 || n > kMaxPixels) return integer(kMaxPixels);
    if (overflow < 0 || n < -kMaxPixels) return integer(-kMaxPixels);
    return v;
}

// int(v) as a pixel count: 0 for a float that is not finite ("inf", "nan"),
// kept within Qt's widget-size range.
Ref pixels(PyObject* v) {
    if (PyFloat_Check(v) && !std::isfinite(PyFloat_AS_DOUBLE(v))) return integer(0);
    return clamp_pixels(to_int(v));
}

// --- the sx source --------------------------------------------------------------

// The sx mapping of a source, or NULL when there is none:
//
//     if isinstance(sx, State): sx = sx.value
//     if isinstance(sx, Callable): sx = sx()
//     return sx if isinstance(sx, dict) else None
Ref resolve_sx(PyObject* source) {
    Ref sx = current(source);
    if (is_callable(sx)) sx = call(sx);
    if (PyDict_Check(sx.get())) return sx;
    return Ref();
}

Ref sx_mapping(PyObject* self) { return resolve_sx(getattr(self, KIT_STR("_sx"))); }

// The argument type check of __init__ and _get_sx_value.
[[noreturn]] void wrong_argument_type(const char* name, const char* expected, PyObject* given) {
    raisef(PyExc_TypeError, "Argument '%.200s' has incorrect type (expected %.200s, got %.200s)", name,
           expected, type_name(given));
}

// --- WidgetSetter -----------------------------------------------------------

// def __init__(self, fn):
//     super().__init__()
//     self.fn = fn
const Def WidgetSetter__init__{"def __init__(self, fn)", [](const Frame& f, PyObject* self, PyObject* fn) {
                                   call(f.super_attr(self, KIT_STR("__init__")));
                                   setattr(self, KIT_STR("fn"), fn);
                               }};

// async def run(self):
//     try:
//         self.fn()
//     except Exception:
//         print("WidgetSetter errrrrrrrrrrr")
const Def WidgetSetter_run{"async def run(self)", [](PyObject* self) {
                               try {
                                   call(getattr(self, KIT_STR("fn")));
                               } catch (const Error&) {
                                   if (!PyErr_ExceptionMatches(PyExc_Exception)) throw;
                                   Handling handled;
                                   call(KIT_GLOBAL("print"), str("WidgetSetter errrrrrrrrrrr"));
                               }
                           }};

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
const Def PyWidgetBase__init__{
    "def __init__(self, parent=None, onMouseEnter: Optional[Callable] = None, "
    "onMouseLeave: Optional[Callable] = None, onMousePress: Optional[Callable] = None, "
    "onMouseRelease: Optional[Callable] = None, onFocusIn: Optional[Callable] = None, "
    "onFocusOut: Optional[Callable] = None, tooltip: Optional[str] = None, "
    "tooltipPlacement: Optional[str] = \"top\", tooltipLeaveDelay: Optional[int] = 0, *args, **kwargs)",
    [](PyObject* self, PyObject* /*parent*/, PyObject* onMouseEnter, PyObject* onMouseLeave,
       PyObject* onMousePress, PyObject* onMouseRelease, PyObject* onFocusIn, PyObject* onFocusOut,
       PyObject* tooltip, PyObject* tooltipPlacement, PyObject* tooltipLeaveDelay, PyObject* /*args*/,
       PyObject* /*kwargs*/) {
        if (tooltip != Py_None && !PyUnicode_Check(tooltip)) wrong_argument_type("tooltip", "str", tooltip);
        if (tooltipPlacement != Py_None && !PyUnicode_Check(tooltipPlacement))
            wrong_argument_type("tooltipPlacement", "str", tooltipPlacement);
        if (tooltipLeaveDelay != Py_None && !PyLong_Check(tooltipLeaveDelay))
            wrong_argument_type("tooltipLeaveDelay", "int", tooltipLeaveDelay);

        Ref children = new_list();
        PyObject* const stored[][2] = {
            {KIT_STR("_onMouseEnter"), onMouseEnter}, {KIT_STR("_onMouseLeave"), onMouseLeave},
            {KIT_STR("_onMousePress"), onMousePress}, {KIT_STR("_onMouseRelease"), onMouseRelease},
            {KIT_STR("_onFocusIn"), onFocusIn},       {KIT_STR("_onFocusOut"), onFocusOut},
            {KIT_STR("_tooltip"), tooltip},           {KIT_STR("_tooltipPlacement"), tooltipPlacement},
            {KIT_STR("_tooltipLeaveDelay"), tooltipLeaveDelay}, {KIT_STR("_palette_text_color"), Py_None},
            {KIT_STR("component_styles"), Py_None},   {KIT_STR("_imported"), Py_False},
            {KIT_STR("_child_abs"), children},
        };
        for (const auto& [name, value] : stored) setattr(self, name, value);
        for (PyObject* name : {KIT_STR("_position"), KIT_STR("_left"), KIT_STR("_top"), KIT_STR("_right"),
                               KIT_STR("_bottom"), KIT_STR("_relative_to"), KIT_STR("_width"), KIT_STR("_height"),
                               KIT_STR("_width_type"), KIT_STR("_height_type"), KIT_STR("_opacity_value")})
            setattr(self, name, Py_None);
        setattr(self, KIT_STR("_thread_pool"), call_method(KIT_GLOBAL("QThreadPool"), KIT_STR("globalInstance")));
    }};

// def _setUpUi(self, **kwargs):
//     self._onMouseEnter = kwargs.get("onMouseEnter") ... self._tooltipPlacement = kwargs.get(...)
//     self._tooltipLeaveDelay = kwargs.get("tooltipLeaveDelay") if kwargs.get("tooltipLeaveDelay") else 0
//     self._palette_text_color = None
//     self.component_styles = None
//     self._key = kwargs.get("key")
//     self._imported = False
//     self._sx_pop_keys = []
const Def PyWidgetBase__setUpUi{"def _setUpUi(self, **kwargs)", [](PyObject* self, PyObject* kwargs) {
    PyObject* const keywords[][2] = {
        {KIT_STR("_onMouseEnter"), KIT_STR("onMouseEnter")}, {KIT_STR("_onMouseLeave"), KIT_STR("onMouseLeave")},
        {KIT_STR("_onMousePress"), KIT_STR("onMousePress")}, {KIT_STR("_onMouseRelease"), KIT_STR("onMouseRelease")},
        {KIT_STR("_onFocusIn"), KIT_STR("onFocusIn")},       {KIT_STR("_onFocusOut"), KIT_STR("onFocusOut")},
        {KIT_STR("_tooltip"), KIT_STR("tooltip")},           {KIT_STR("_tooltipPlacement"), KIT_STR("tooltipPlacement")},
    };
    for (const auto& [attribute, keyword] : keywords) setattr(self, attribute, get(kwargs, keyword));
    Ref delay = get(kwargs, KIT_STR("tooltipLeaveDelay"));
    setattr(self, KIT_STR("_tooltipLeaveDelay"), truthy(delay) ? delay : integer(0));
    setattr(self, KIT_STR("_palette_text_color"), Py_None);
    setattr(self, KIT_STR("component_styles"), Py_None);
    setattr(self, KIT_STR("_key"), get(kwargs, KIT_STR("key")));
    setattr(self, KIT_STR("_imported"), Py_False);
    setattr(self, KIT_STR("_sx_pop_keys"), new_list());
}};

// --- deferred tasks ---------------------------------------------------------

// The timer callback of _do_task_async.  One function object is made at
// import and bound to each call's worker (a method object stands in for the
// closure cell, so no code object is built per call).
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
const Def task_callback{"def callback(worker)", [](PyObject* worker) {
                            Ref asyncio = KIT_GLOBAL("asyncio");
                            bool loop_running = bool(call_method(except(PyExc_RuntimeError), asyncio,
                                                                 KIT_STR("get_running_loop")));
                            Ref coro = call_method(worker, KIT_STR("run"));
                            if (loop_running) {
                                call_method(asyncio, KIT_STR("ensure_future"), coro.get());
                                return;
                            }
                            call_method(except(PyExc_StopIteration), coro, KIT_STR("send"), Py_None);
                        }};

PyObject* task_callback_function() {
    return KIT_CACHED(make_function(task_callback, "PyWidgetBase._do_task_async.<locals>.callback"));
}

// def _do_task_async(self, fn):
//     worker = WidgetSetter(fn)
//     def callback(): ...                      # see task_callback
//     self._thread_pool.start(QTimer.singleShot(0, callback))
const Def PyWidgetBase__do_task_async{"def _do_task_async(self, fn)", [](PyObject* self, PyObject* fn) {
    Ref worker = call(KIT_GLOBAL("WidgetSetter"), fn);
    Ref callback = Ref::steal(PyMethod_New(task_callback_function(), worker));
    // Python evaluates the callee `self._thread_pool.start` before its argument.
    Ref start = getattr(getattr(self, KIT_STR("_thread_pool")), KIT_STR("start"));
    Ref started = call(getattr(KIT_GLOBAL("QTimer"), KIT_STR("singleShot")), integer(0), callback);
    call(start, started.get());
}};

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
const Def PyWidgetBase__setup_vh_or_vw_height_width{"def __setup_vh_or_vw_height_width(self)", [](PyObject* self) {
    Ref source = getattr(self, KIT_STR("_sx"));
    if (!truthy(source)) return;
    Ref sx = resolve_sx(source);
    if (!sx || !truthy(sx)) return;
    Ref height = get(sx, KIT_STR("height"));
    if (!truthy(height) || !PyUnicode_Check(height.get()) || !endswith(height, KIT_STR("vh"))) return;
    Ref signal = getattr(main_window(), KIT_STR("sizeChanged"));
    Ref slot = getattr(self, KIT_STR("_update_height_vh_on_mainwindow_resize"));
    call_method(signal, KIT_STR("connect"), slot.get());
}};

// def _update_height_vh_on_mainwindow_resize(self, new_size: QSize):
//     self.height()
const Def PyWidgetBase__update_height_vh_on_mainwindow_resize{
    "def _update_height_vh_on_mainwindow_resize(self, new_size: QSize)",
    [](PyObject* self, PyObject* /*new_size*/) { call_method(self, KIT_STR("height")); }};

// --- tooltip, text, styles ----------------------------------------------

// def _installTooltipFilter(self):
//     if hasattr(self, "_tooltip") and isinstance(self._tooltip, str) and self._tooltip != "":
//         self.installEventFilter(ToolTipFilter(self, self._tooltipLeaveDelay))
//         self.setToolTip(self._tooltip)
const Def PyWidgetBase__installTooltipFilter{"def _installTooltipFilter(self)", [](PyObject* self) {
    Ref tooltip = getattr_or_null(self, KIT_STR("_tooltip"));
    if (!tooltip || !PyUnicode_Check(tooltip.get())) return;
    if (!ne(tooltip, KIT_STR(""))) return;
    Ref delay = getattr(self, KIT_STR("_tooltipLeaveDelay"));
    Ref filter = call(KIT_GLOBAL("ToolTipFilter"), self, delay.get());
    call_method(self, KIT_STR("installEventFilter"), filter.get());
    call_method(self, KIT_STR("setToolTip"), getattr(self, KIT_STR("_tooltip")));
}};

// def _getTranslatedText(self, input):
//     if isinstance(input, Callable): return translate(input)
//     if isinstance(input, State):
//         value = input.value
//         if isinstance(value, Callable): return translate(value)
//         if isinstance(value, str): return value
//         return None
//     if isinstance(input, str): return input
//     return None
const Def PyWidgetBase__getTranslatedText{"def _getTranslatedText(self, input)", [](PyObject*, PyObject* input) {
    if (is_callable(input)) return call(KIT_GLOBAL("translate"), input);
    if (is_state(input)) {
        Ref value = getattr(input, KIT_STR("value"));
        if (is_callable(value)) return call(KIT_GLOBAL("translate"), value.get());
        if (PyUnicode_Check(value.get())) return value;
        return none();
    }
    if (PyUnicode_Check(input)) return Ref::borrow(input);
    return none();
}};

// def setupPseudoClasses(self, sx: dict):
//     if not sx: return
//     hover, focus = sx.get("&:hover"), sx.get("&:focus")
//     enabled, disabled = sx.get("&:enabled"), sx.get("&:disabled")
//     if hover: self.hover_qss = get_qss_style(hover)
//     ... focus_qss, enabled_qss, disabled_qss likewise
const Def PyWidgetBase_setupPseudoClasses{"def setupPseudoClasses(self, sx: dict)", [](PyObject* self, PyObject* sx) {
    if (!truthy(sx)) return;
    PyObject* const keys[] = {KIT_STR("&:hover"), KIT_STR("&:focus"), KIT_STR("&:enabled"), KIT_STR("&:disabled")};
    PyObject* const attrs[] = {KIT_STR("hover_qss"), KIT_STR("focus_qss"), KIT_STR("enabled_qss"),
                               KIT_STR("disabled_qss")};
    Ref values[4];
    for (int i = 0; i < 4; i++) values[i] = get(sx, keys[i]);
    for (int i = 0; i < 4; i++)
        if (truthy(values[i])) setattr(self, attrs[i], call(KIT_GLOBAL("get_qss_style"), values[i].get()));
}};

// def set_styleFn(self, styleFn):
//     self.styleFn = styleFn
const Def PyWidgetBase_set_styleFn{"def set_styleFn(self, styleFn)", [](PyObject* self, PyObject* styleFn) {
                                       setattr(self, KIT_STR("styleFn"), styleFn);
                                   }};

// def _update_component_styles(self, theme, component_styles):
//     self.component_styles = component_styles if component_styles else theme.components
const Def PyWidgetBase__update_component_styles{
    "def _update_component_styles(self, theme, component_styles)",
    [](PyObject* self, PyObject* theme, PyObject* component_styles) {
        Ref styles = truthy(component_styles) ? Ref::borrow(component_styles) : getattr(theme, KIT_STR("components"));
        setattr(self, KIT_STR("component_styles"), styles);
    }};

// def _on_destroyed(self):
//     pass
const Def PyWidgetBase__on_destroyed{"def _on_destroyed(self)", [](PyObject*) {}};

// --- the sx source ------------------------------------------------------------

// def _setup_sx_position(self, sx: Optional[Union[Callable, str, Dict]]):
//     self._sx = sx
//     if isinstance(sx, State):
//         sx.valueChanged.connect(self._on_sx_changed)
//     self._initialize_positioning()
const Def PyWidgetBase__setup_sx_position{
    "def _setup_sx_position(self, sx: Optional[Union[Callable, str, Dict]])", [](PyObject* self, PyObject* sx) {
        setattr(self, KIT_STR("_sx"), sx);
        if (is_state(sx)) {
            Ref signal = getattr(sx, KIT_STR("valueChanged"));
            call_method(signal, KIT_STR("connect"), getattr(self, KIT_STR("_on_sx_changed")));
        }
        call_method(self, KIT_STR("_initialize_positioning"));
    }};

// def __get_sx_dict(self):
//     if not self._sx: return None
//     return <the sx mapping of self._sx, or None>
const Def PyWidgetBase__get_sx_dict{"def __get_sx_dict(self)", [](PyObject* self) {
                                        Ref source = getattr(self, KIT_STR("_sx"));
                                        if (!truthy(source)) return none();
                                        Ref sx = resolve_sx(source);
                                        return sx ? sx : none();
                                    }};

// def _on_sx_changed(self):
//     self._initialize_positioning()
//     self._update_size_from_sx()
//     self.update_absolute_position()
//     self.update_absolute_children()
const Def PyWidgetBase__on_sx_changed{"def _on_sx_changed(self)", [](PyObject* self) {
                                          call_method(self, KIT_STR("_initialize_positioning"));
                                          call_method(self, KIT_STR("_update_size_from_sx"));
                                          call_method(self, KIT_STR("update_absolute_position"));
                                          call_method(self, KIT_STR("update_absolute_children"));
                                      }};

// def _get_position_from_sx(self) -> Optional[str]:
//     position = self._get_sx_value("position")
//     if not (position is None or type(position) is str):
//         raise TypeError("Expected str, got %.200s" % type(position).__name__)
//     return position
const Def PyWidgetBase__get_position_from_sx{"def _get_position_from_sx(self) -> Optional[str]", [](PyObject* self) {
    Ref position = call_method(self, KIT_STR("_get_sx_value"), KIT_STR("position"));
    if (position.get() != Py_None && !PyUnicode_CheckExact(position.get()))
        raisef(PyExc_TypeError, "Expected %s, got %.200s", "str", type_name(position));
    return position;
}};

// def _get_sx_value(self, key: str) -> Optional[Union[str, int]]:
//     (key must be a str)
//     sx = <the sx mapping of self._sx, or None>
//     return sx.get(key) if sx is not None else None
const Def PyWidgetBase__get_sx_value{"def _get_sx_value(self, key: str) -> Optional[Union[str, int]]",
                                     [](PyObject* self, PyObject* key) {
                                         if (!PyUnicode_Check(key)) wrong_argument_type("key", "str", key);
                                         Ref sx = sx_mapping(self);
                                         return sx ? get(sx, key) : none();
                                     }};

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
//     (a ValueError from float() gives 0; every int() is a pixel count, see pixels())
const Def PyWidgetBase__parse_size_value{
    "def _parse_size_value(self, val, parent_size)", [](PyObject*, PyObject* val, PyObject* parent_size) {
        if (is_number(val)) {
            if (in_unit_interval(val)) return pixels(mul(parent_size, val));
            return pixels(val);
        }
        if (!PyUnicode_Check(val)) return integer(0);
        Ref s = strip(val);
        if (endswith(s, KIT_STR("%"))) {
            Ref p = float_or_null(drop_last(s, 1));
            return p ? pixels(mul(parent_size, per_hundred(p))) : integer(0);
        }
        if (endswith(s, KIT_STR("vh")) || endswith(s, KIT_STR("vw"))) {
            Ref p = float_or_null(drop_last(s, 2));
            return p ? pixels(mul(parent_size, per_hundred(p))) : integer(0);
        }
        if (endswith(s, KIT_STR("px"))) {
            Ref p = float_or_null(drop_last(s, 2));
            return p ? pixels(p) : integer(0);
        }
        Ref p = float_or_null(s);
        return p ? pixels(p) : integer(0);
    }};

// One axis of _update_size_from_sx.
struct Axis {
    PyObject* type_attr;   // "_width_type"
    PyObject* value_attr;  // "_width"
    PyObject* suffix;      // "vw" / "vh"
    PyObject* minimum;     // "setMinimumWidth"
};

void set_type(PyObject* self, const Axis& axis, const char* kind, PyObject* value) {
    setattr(self, axis.type_attr, str(kind));
    setattr(self, axis.value_attr, value);
}

bool positive(PyObject* o) { return gt(o, KIT_CACHED(integer(0))); }

// widget.<setter>(self._parse_size_value(value, total))
void apply_size(PyObject* self, PyObject* setter, PyObject* value, PyObject* total) {
    Ref px = call_method(self, KIT_STR("_parse_size_value"), value, total);
    call_method(self, setter, clamp_pixels(px));
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
const Def PyWidgetBase__update_size_from_sx{"def _update_size_from_sx(self)", [](PyObject* self) {
    Ref sx = sx_mapping(self);
    if (!sx) return;
    Ref width = get(sx, KIT_STR("width"));
    Ref height = get(sx, KIT_STR("height"));
    Ref parent = call_method(self, KIT_STR("parent"));
    bool has_parent = truthy(parent);
    Ref parent_width = has_parent ? call_method(parent, KIT_STR("width")) : integer(0);
    Ref parent_height = has_parent ? call_method(parent, KIT_STR("height")) : integer(0);

    const Axis axes[2] = {
        {KIT_STR("_width_type"), KIT_STR("_width"), KIT_STR("vw"), KIT_STR("setMinimumWidth")},
        {KIT_STR("_height_type"), KIT_STR("_height"), KIT_STR("vh"), KIT_STR("setMinimumHeight")},
    };
    PyObject* const values[2] = {width.get(), height.get()};
    PyObject* const totals[2] = {parent_width.get(), parent_height.get()};
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
                if (positive(total)) call_method(self, KIT_STR("_parse_size_value"), value, total);
            } else {
                Ref h = call_method(main_window(), KIT_STR("height"));
                apply_size(self, KIT_STR("setFixedHeight"), value, h);
            }
        } else if (is_str && endswith(value, KIT_STR("%"))) {
            set_type(self, axis, "%", value);
            if (positive(total)) apply_size(self, axis.minimum, value, total);
        } else if (PyFloat_Check(value) && in_unit_interval(value)) {
            set_type(self, axis, "float", value);
            if (positive(total)) apply_size(self, axis.minimum, value, total);
        } else {
            set_type(self, axis, "px", value);
            apply_size(self, axis.minimum, value, total);
        }
    }
}};

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
const Def PyWidgetBase__contvert_to_percent_value{"def __contvert_to_percent_value(self, value)", [](PyObject*,
                                                                                                     PyObject* value) {
    if (value == Py_None) return none();
    if (is_number(value) && le(KIT_CACHED(integer(0)), value) && le(value, KIT_CACHED(integer(1))))
        return mul(value, KIT_CACHED(integer(100)));
    if (!PyUnicode_Check(value) || !endswith(value, KIT_STR("%"))) return none();
    try {
        return to_float(call_method(value, KIT_STR("strip"), KIT_STR("%")));
    } catch (const Error&) {
        if (!PyErr_ExceptionMatches(PyExc_ValueError)) throw;
        Handling handled;
        Ref exc = call_kw(KIT_GLOBAL("DeZidOzezuzavuvArazo"), {},
                          {{"file_path", str("self.file_path")},
                           {"param_name", str("param_name")},
                           {"param_value", value},
                           {"expected_types", list_of(reinterpret_cast<PyObject*>(&PyLong_Type))},
                           {"error_type", str("INVALID_CONDITION")},
                           {"message", str("Parameter does not satisfy the validation condition: check_value")}});
        raise(exc);
    }
}};

// def _get_float_or_percent_sx_value(self, key):
//     sx = self.__get_sx_dict()
//     if not sx: return None
//     return self.__contvert_to_percent_value(sx.get(key))
const Def PyWidgetBase__get_float_or_percent_sx_value{
    "def _get_float_or_percent_sx_value(self, key)", [](PyObject* self, PyObject* key) {
        Ref sx = call_method(self, KIT_STR("_PyWidgetBase__get_sx_dict"));
        if (!truthy(sx)) return none();
        return call_method(self, KIT_STR("_PyWidgetBase__contvert_to_percent_value"), get(sx, key));
    }};

// int(total * percent / 100) as a pixel count; a percentage that is not a
// finite number gives 0.
Ref percent_of(PyObject* total, PyObject* percent) {
    Ref product = mul(total, percent);
    Ref share = truediv(product, KIT_CACHED(integer(100)));
    return pixels(share);
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
const Def PyWidgetBase__apply_float_and_percent_sx_value{"def _apply_float_and_percent_sx_value(self)", [](PyObject*
                                                                                                              self) {
    Ref parent = call_method(self, KIT_STR("parent"));
    if (!truthy(parent)) return;
    Ref parent_width = call_method(parent, KIT_STR("width"));
    Ref parent_height = call_method(parent, KIT_STR("height"));
    Ref new_width = call_method(self, KIT_STR("width"));
    Ref new_height = call_method(self, KIT_STR("height"));
    Ref percent_getter = getattr(self, KIT_STR("_get_float_or_percent_sx_value"));

    Ref width_percent = call_kw(percent_getter, {}, {{"key", KIT_STR("width")}});
    if (truthy(width_percent)) new_width = percent_of(parent_width, width_percent);
    Ref height_percent = call_kw(percent_getter, {}, {{"key", KIT_STR("height")}});
    if (truthy(height_percent)) new_height = percent_of(parent_height, height_percent);

    Ref flex_wrap = getattr_or_null(parent, KIT_STR("_flexWrap"));
    if (flex_wrap && truthy(flex_wrap)) return;
    call_method(self, KIT_STR("resize"), clamp_pixels(new_width), clamp_pixels(new_height));
}};

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
const Def PyWidgetBase__initialize_positioning{"def _initialize_positioning(self)", [](PyObject* self) {
    Ref source = getattr(self, KIT_STR("_sx"));
    if (!truthy(source)) return;
    Ref sx = resolve_sx(source);
    Ref position = sx ? get(sx, KIT_STR("position")) : none();
    if (sx && eq(position, KIT_STR("absolute"))) {
        setattr(self, KIT_STR("_position"), position);
        PyObject* const offsets[][2] = {{KIT_STR("_left"), KIT_STR("left")},
                                        {KIT_STR("_top"), KIT_STR("top")},
                                        {KIT_STR("_right"), KIT_STR("right")},
                                        {KIT_STR("_bottom"), KIT_STR("bottom")}};
        for (const auto& [attribute, key] : offsets) setattr(self, attribute, get(sx, key));
        Ref current = getattr_or_null(self, KIT_STR("_relative_to"));
        if (!current || current.get() == Py_None) {
            setattr(self, KIT_STR("_relative_to"), Py_None);
            Ref base = KIT_GLOBAL("PyWidgetBase");
            Ref ancestor = call_method(self, KIT_STR("parent"));
            while (truthy(ancestor)) {
                if (isinstance(ancestor, base)) {
                    Ref mark = getattr_or_null(ancestor, KIT_STR("_position"));
                    if (mark && eq(mark, KIT_STR("relative"))) {
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
        if (sx && eq(position, KIT_STR("relative"))) setattr(self, KIT_STR("_position"), KIT_STR("relative"));
    }
    call_method(self, KIT_STR("_update_size_from_sx"));
}};

// def _add_absolute_child(self, child: 'PyWidgetBase'):
//     if child not in self._child_abs:
//         self._child_abs.append(child)
//         child._relative_to = self
//         child.update_absolute_position()
const Def PyWidgetBase__add_absolute_child{"def _add_absolute_child(self, child: 'PyWidgetBase')",
                                           [](PyObject* self, PyObject* child) {
                                               Ref children = getattr(self, KIT_STR("_child_abs"));
                                               if (contains(children, child)) return;
                                               call_method(children, KIT_STR("append"), child);
                                               setattr(child, KIT_STR("_relative_to"), self);
                                               call_method(child, KIT_STR("update_absolute_position"));
                                           }};

// def _remove_absolute_child(self, child: 'PyWidgetBase'):
//     if child in self._child_abs:
//         self._child_abs.remove(child)
//         child._relative_to = None
const Def PyWidgetBase__remove_absolute_child{"def _remove_absolute_child(self, child: 'PyWidgetBase')",
                                              [](PyObject* self, PyObject* child) {
                                                  Ref children = getattr(self, KIT_STR("_child_abs"));
                                                  if (!contains(children, child)) return;
                                                  call_method(children, KIT_STR("remove"), child);
                                                  setattr(child, KIT_STR("_relative_to"), Py_None);
                                              }};

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
// (every int() is a pixel count, see pixels())
Ref float_or_zero(PyObject* text) {
    Ref v = float_or_null(text);
    return v ? v : integer(0);
}

Ref parse_offset(PyObject* val, PyObject* total) {
    if (is_number(val)) return pixels(val);
    if (!PyUnicode_Check(val)) return integer(0);
    Ref re = Ref::steal(PyImport_Import(KIT_STR("re")));
    Ref match = call_method(re, KIT_STR("match"), KIT_STR(R"(^\s*([-+]?\d+)%\s*([-+])\s*(\d+)px\s*$)"), val);
    if (truthy(match)) {
        Ref items = Ref::steal(PySequence_Tuple(call_method(match, KIT_STR("groups"))));
        if (PyTuple_GET_SIZE(items.get()) != 3) raise(PyExc_ValueError, "expected 3 values to unpack");
        Ref percent = float_or_zero(PyTuple_GET_ITEM(items.get(), 0));
        PyObject* sign = PyTuple_GET_ITEM(items.get(), 1);
        Ref offset_pixels = float_or_zero(PyTuple_GET_ITEM(items.get(), 2));
        Ref base = mul(total, per_hundred(percent));
        if (eq(sign, KIT_STR("-"))) return pixels(sub(base, offset_pixels));
        return pixels(add(base, offset_pixels));
    }
    Ref s = strip(val);
    if (endswith(s, KIT_STR("%"))) return pixels(mul(total, per_hundred(float_or_zero(drop_last(s, 1)))));
    if (endswith(s, KIT_STR("px"))) return pixels(float_or_zero(drop_last(s, 2)));
    Ref number = to_float(val, except(PyExc_Exception));
    return number ? pixels(number) : integer(0);
}

// The x (or y) of update_absolute_position:
//     if near is not None: x = parse_value(near, container.width())
//     elif far is not None: x = container.width() - self.width() - parse_value(far, container.width())
//     else: x = 0
Ref offset(PyObject* self, PyObject* container, PyObject* near, PyObject* far, PyObject* extent) {
    if (near != Py_None) return parse_offset(near, call_method(container, extent));
    if (far == Py_None) return integer(0);
    Ref outer = call_method(container, extent);
    Ref own = call_method(self, extent);
    Ref room = sub(outer, own);
    Ref value = parse_offset(far, call_method(container, extent));
    return clamp_pixels(sub(room, value));
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
//     x = <offset from left and right>; y = <offset from top and bottom>
//     global_point = container.mapToGlobal(QPoint(x, y))
//     new_pos = self.parent().mapFromGlobal(global_point)
//     new_pos = self._ajustPositionBaseOnParentMarginValue(new_pos)
//     self.move(new_pos)
//     if not self.isVisible(): self.show()
const Def PyWidgetBase_update_absolute_position{"def update_absolute_position(self)", [](PyObject* self) {
    Ref position = call_method(self, KIT_STR("_get_position_from_sx"));
    if (ne(position, KIT_STR("absolute"))) return;
    if (!truthy(getattr(self, KIT_STR("_relative_to")))) return;

    if (!truthy(getattr(self, KIT_STR("_relative_to")))) return;
    if (!truthy(call_method(self, KIT_STR("parent")))) return;
    if (!truthy(call_method(getattr(self, KIT_STR("_relative_to")), KIT_STR("parent")))) return;
    Ref new_parent = call_method(getattr(self, KIT_STR("_relative_to")), KIT_STR("parent"));
    call_method(self, KIT_STR("setParent"), new_parent.get());
    Ref container = getattr(self, KIT_STR("_relative_to"));
    if (!truthy(container)) return;

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
}};

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
// (the shifted coordinates are pixel counts, see pixels())
void shift(PyObject* pos, PyObject* margin, bool along_x, bool along_y) {
    Ref amount;
    if (is_number(margin)) {
        amount = pixels(margin);
    } else if (PyUnicode_Check(margin) && endswith(margin, KIT_STR("px"))) {
        Ref value = float_or_null(drop_last(margin, 2));
        if (!value) return;
        amount = pixels(value);
    } else {
        return;
    }
    if (along_x) call_method(pos, KIT_STR("setX"), clamp_pixels(add(call_method(pos, KIT_STR("x")), amount)));
    if (along_y) call_method(pos, KIT_STR("setY"), clamp_pixels(add(call_method(pos, KIT_STR("y")), amount)));
}

// def _ajustPositionBaseOnParentMarginValue(self, pos):
//     parent_sx = self._relative_to._sx
//     if not parent_sx or not isinstance(parent_sx, dict): return pos
//     shift(pos, parent_sx.get("margin", 0), x and y)
//     shift(pos, parent_sx.get("margin-left", 0), x)
//     shift(pos, parent_sx.get("margin-top", 0), y)
//     return pos
const Def PyWidgetBase__ajustPositionBaseOnParentMarginValue{
    "def _ajustPositionBaseOnParentMarginValue(self, pos)", [](PyObject* self, PyObject* pos) {
        Ref parent_sx = getattr(getattr(self, KIT_STR("_relative_to")), KIT_STR("_sx"));
        if (!truthy(parent_sx) || !PyDict_Check(parent_sx.get())) return Ref::borrow(pos);
        PyObject* zero = KIT_CACHED(integer(0));
        shift(pos, get(parent_sx, KIT_STR("margin"), zero), true, true);
        shift(pos, get(parent_sx, KIT_STR("margin-left"), zero), true, false);
        shift(pos, get(parent_sx, KIT_STR("margin-top"), zero), false, true);
        return Ref::borrow(pos);
    }};

// def update_absolute_children(self):
//     if not hasattr(self, "_child_abs"): return
//     for child in list(self._child_abs):
//         if child._relative_to == self:
//             child.update_absolute_position()
//         else:
//             self._child_abs.remove(child)
//             if child._relative_to:
//                 child._relative_to._add_absolute_child(child)
const Def PyWidgetBase_update_absolute_children{"def update_absolute_children(self)", [](PyObject* self) {
    Ref registry = getattr_or_null(self, KIT_STR("_child_abs"));
    if (!registry) return;
    Ref snapshot = Ref::steal(PySequence_List(registry));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(snapshot.get()); i++) {
        Ref child = Ref::borrow(PyList_GET_ITEM(snapshot.get(), i));
        if (eq(getattr(child, KIT_STR("_relative_to")), self)) {
            call_method(child, KIT_STR("update_absolute_position"));
            continue;
        }
        call_method(getattr(self, KIT_STR("_child_abs")), KIT_STR("remove"), child.get());
        Ref container = getattr(child, KIT_STR("_relative_to"));
        if (truthy(container)) call_method(container, KIT_STR("_add_absolute_child"), child.get());
    }
}};

// --- Qt event handlers ----------------------------------------------------

// def resizeEvent(self, event):
//     self._apply_float_and_percent_sx_value()
//     self._update_size_from_sx()
//     if self._get_position_from_sx() == "relative": self.update_absolute_children()
//     if self._get_position_from_sx() == "absolute": self.update_absolute_position()
const Def PyWidgetBase_resizeEvent{"def resizeEvent(self, event)", [](PyObject* self, PyObject* /*event*/) {
    call_method(self, KIT_STR("_apply_float_and_percent_sx_value"));
    call_method(self, KIT_STR("_update_size_from_sx"));
    if (eq(call_method(self, KIT_STR("_get_position_from_sx")), KIT_STR("relative")))
        call_method(self, KIT_STR("update_absolute_children"));
    if (eq(call_method(self, KIT_STR("_get_position_from_sx")), KIT_STR("absolute")))
        call_method(self, KIT_STR("update_absolute_position"));
}};

// def paintEvent(self, event):
//     pass
const Def PyWidgetBase_paintEvent{"def paintEvent(self, event)", [](PyObject*, PyObject*) {}};

// def enterEvent(self, event):
//     if self._onMouseEnter: self._onMouseEnter()
// (leaveEvent, mousePressEvent and mouseReleaseEvent likewise, each with its
// own callback, the function's data.)
constexpr auto forward_plain = [](const Frame& f, PyObject* self, PyObject* /*event*/) {
    Ref callback = getattr(self, f.data());
    if (truthy(callback)) call(callback);
};

// def focusInEvent(self, event) -> None:
//     if self._onFocusIn: self._onFocusIn(event)
// (focusOutEvent likewise.)
constexpr auto forward_event = [](const Frame& f, PyObject* self, PyObject* event) {
    Ref callback = getattr(self, f.data());
    if (truthy(callback)) call(callback, event);
};

const Def PyWidgetBase_enterEvent{"def enterEvent(self, event)", forward_plain, {.data = "_onMouseEnter"}};
const Def PyWidgetBase_leaveEvent{"def leaveEvent(self, event)", forward_plain, {.data = "_onMouseLeave"}};
const Def PyWidgetBase_mousePressEvent{"def mousePressEvent(self, event)", forward_plain, {.data = "_onMousePress"}};
const Def PyWidgetBase_mouseReleaseEvent{"def mouseReleaseEvent(self, event)", forward_plain,
                                         {.data = "_onMouseRelease"}};
const Def PyWidgetBase_focusInEvent{"def focusInEvent(self, event) -> None", forward_event, {.data = "_onFocusIn"}};
const Def PyWidgetBase_focusOutEvent{"def focusOutEvent(self, event) -> None", forward_event,
                                     {.data = "_onFocusOut"}};

// --- the module body --------------------------------------------------------

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

    ClassBuilder setter("WidgetSetter", {KIT_GLOBAL("QRunnable")});
    setter.def(WidgetSetter__init__);
    setter.def(WidgetSetter_run);
    setter.define();

    ClassBuilder cls("PyWidgetBase", {});
    cls.def(PyWidgetBase__init__);
    cls.def(PyWidgetBase__setUpUi);
    cls.def(PyWidgetBase__do_task_async);
    cls.def(PyWidgetBase__setup_vh_or_vw_height_width);
    cls.def(PyWidgetBase__update_height_vh_on_mainwindow_resize);
    cls.def(PyWidgetBase__installTooltipFilter);
    cls.def(PyWidgetBase__getTranslatedText);
    cls.def(PyWidgetBase_setupPseudoClasses);
    cls.def(PyWidgetBase_set_styleFn);
    cls.def(PyWidgetBase__update_component_styles);
    cls.def(PyWidgetBase__on_destroyed);
    cls.def(PyWidgetBase__setup_sx_position);
    cls.def(PyWidgetBase__initialize_positioning);
    cls.def(PyWidgetBase__parse_size_value);
    cls.def(PyWidgetBase__update_size_from_sx);
    cls.def(PyWidgetBase__get_sx_dict);
    cls.def(PyWidgetBase__contvert_to_percent_value);
    cls.def(PyWidgetBase__get_float_or_percent_sx_value);
    cls.def(PyWidgetBase__apply_float_and_percent_sx_value);
    cls.def(PyWidgetBase__on_sx_changed);
    cls.def(PyWidgetBase__get_position_from_sx);
    cls.def(PyWidgetBase__get_sx_value);
    cls.def(PyWidgetBase__add_absolute_child);
    cls.def(PyWidgetBase__remove_absolute_child);
    cls.def(PyWidgetBase_update_absolute_position);
    cls.def(PyWidgetBase__ajustPositionBaseOnParentMarginValue);
    cls.def(PyWidgetBase_update_absolute_children);
    cls.def(PyWidgetBase_resizeEvent);
    cls.def(PyWidgetBase_paintEvent);
    cls.def(PyWidgetBase_enterEvent);
    cls.def(PyWidgetBase_leaveEvent);
    cls.def(PyWidgetBase_mousePressEvent);
    cls.def(PyWidgetBase_mouseReleaseEvent);
    cls.def(PyWidgetBase_focusInEvent);
    cls.def(PyWidgetBase_focusOutEvent);
    cls.define();
    task_callback_function();
}

}  // namespace

KIT_MODULE(brevant, body)
