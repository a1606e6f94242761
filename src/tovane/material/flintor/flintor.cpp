// flintor: the toggle button, a Button that stays down when pressed.
//
//     class ToggleButton(Button):
//         def __init__(self, icon: "Optional[Iconify]" = ":/round/resource_tovane/round/access_time.svg",
//                      text: "Optional[Union[str, State, Callable]]" = None,
//                      value: "Optional[object]" = None, selected: "bool" = False,
//                      *args, **kwargs):
//             self._icon = icon
//             self._value = value
//             self._selected = selected
//             self._args = args
//             self._kwargs = kwargs
//
//         def renderUi(self, ctx: "RenderContext", parent: "Optional[QWidget]" = None) -> "QWidget":
//             super().__init__(*self._args, startIcon=self._icon, value=self._value, **self._kwargs)
//             super().renderUi(ctx=ctx, parent=parent)
//             self.setObjectName(f"ToggleButton-{id(self)}")
//             self._setup_flintor()
//
//         def _setup_flintor(self):
//             self.setCheckable(True)
//             if self._selected:
//                 super().set_selected(True)
//
// The Button constructor runs in renderUi, not in __init__: construction only
// stores the parameters, the render pass builds the Qt widget.
#include "kit/kit.hpp"

namespace {

using namespace kit;

// What the interpreter names a callable in argument errors: "module.qualname()"
// ("qualname()" for builtins or without a module, str(x) without a qualname).
Ref function_str(PyObject* x) {
    Ref qualname = getattr_or_null(x, KIT_STR("__qualname__"));
    if (!qualname) return str_of(x);
    Ref module = getattr_or_null(x, KIT_STR("__module__"));
    if (module && module.get() != Py_None &&
        !(PyUnicode_Check(module.get()) && PyUnicode_CompareWithASCIIString(module, "builtins") == 0))
        return Ref::steal(PyUnicode_FromFormat("%S.%S()", module.get(), qualname.get()));
    return Ref::steal(PyUnicode_FromFormat("%S()", qualname.get()));
}

// The `**mapping` of a call: merge `mapping` into `into`, where a key already
// present is an error.  Errors are reported in the interpreter's words, which
// name the callable: not a mapping, or a keyword given twice.  (A non-string
// key is left for the call itself to reject.)
void merge_keywords(PyObject* func, PyObject* into, PyObject* mapping) {
    try {
        if (PyDict_Check(mapping) && Py_TYPE(mapping)->tp_iter == PyDict_Type.tp_iter) {
            PyObject *key, *value;
            Py_ssize_t pos = 0;
            while (PyDict_Next(mapping, &pos, &key, &value)) {
                // PyDict_Next hands out borrowed references that a key's
                // __eq__ could invalidate while we compare: hold them.
                Ref k = Ref::borrow(key), v = Ref::borrow(value);
                if (check(PyDict_Contains(into, k))) {
                    PyErr_SetObject(PyExc_KeyError, Ref(tuple({k.get()})).get());
                    throw_error();
                }
                check(PyDict_SetItem(into, k, v));
            }
        } else {
            Ref keys = Ref::steal(PyMapping_Keys(mapping));
            Ref it = Ref::steal(PyObject_GetIter(keys));
            while (Ref k = Ref::steal_or_null(PyIter_Next(it))) {
                if (check(PyDict_Contains(into, k))) {
                    PyErr_SetObject(PyExc_KeyError, Ref(tuple({k.get()})).get());
                    throw_error();
                }
                Ref v = Ref::steal(PyObject_GetItem(mapping, k));
                check(PyDict_SetItem(into, k, v));
            }
            if (PyErr_Occurred()) throw_error();
        }
    } catch (const Error&) {
        if (PyErr_ExceptionMatches(PyExc_AttributeError)) {
            PyErr_Clear();
            Ref name = function_str(func);
            raisef(PyExc_TypeError, "%U argument after ** must be a mapping, not %.200s", name.get(),
                   Py_TYPE(mapping)->tp_name);
        }
        if (!PyErr_ExceptionMatches(PyExc_KeyError)) throw;
        Ref exc = Ref::steal_or_null(PyErr_GetRaisedException());
        Ref args = getattr(exc, KIT_STR("args"));
        if (!PyTuple_Check(args.get()) || PyTuple_GET_SIZE(args.get()) != 1) {
            PyErr_SetRaisedException(exc.release());
            throw;
        }
        // Whatever the KeyError came from (a duplicate, or the mapping's own
        // __getitem__), the interpreter reports it as a duplicate keyword.
        PyObject* key = PyTuple_GET_ITEM(args.get(), 0);
        Ref name = function_str(func);
        raisef(PyExc_TypeError, "%U got multiple values for keyword argument '%S'", name.get(), key);
    }
}

// The `*iterable` of a call, as a tuple.
Ref positional_tuple(PyObject* func, PyObject* iterable) {
    if (PyTuple_CheckExact(iterable)) return Ref::borrow(iterable);
    if (!Py_TYPE(iterable)->tp_iter && !PySequence_Check(iterable)) {
        Ref name = function_str(func);
        raisef(PyExc_TypeError, "%U argument after * must be an iterable, not %.200s", name.get(),
               Py_TYPE(iterable)->tp_name);
    }
    return Ref::steal(PySequence_Tuple(iterable));
}

// def __init__(self, icon=..., text=None, value=None, selected=False, *args, **kwargs)
Ref ToggleButton__init__(const Args& a) {
    PyObject* self = a[0];
    setattr(self, KIT_STR("_icon"), a[1]);
    setattr(self, KIT_STR("_value"), a[3]);
    setattr(self, KIT_STR("_selected"), a[4]);
    setattr(self, KIT_STR("_args"), a[5]);
    setattr(self, KIT_STR("_kwargs"), a[6]);
    return none();
}

// def renderUi(self, ctx, parent=None)
Ref ToggleButton_renderUi(const Args& a) {
    PyObject* self = a[0];
    Ref base = super(a.owner(), self);

    // super().__init__(*self._args, startIcon=self._icon, value=self._value, **self._kwargs)
    Ref init = getattr(base, KIT_STR("__init__"));
    Ref args = getattr(self, KIT_STR("_args"));
    Ref keywords = new_dict();
    Ref icon = getattr(self, KIT_STR("_icon"));
    check(PyDict_SetItem(keywords, KIT_STR("startIcon"), icon));
    Ref value = getattr(self, KIT_STR("_value"));
    check(PyDict_SetItem(keywords, KIT_STR("value"), value));
    Ref extra = getattr(self, KIT_STR("_kwargs"));
    merge_keywords(init, keywords, extra);
    Ref positional = positional_tuple(init, args);
    call_tuple(init, positional, keywords);

    // super().renderUi(ctx=ctx, parent=parent)
    Ref render = getattr(base, KIT_STR("renderUi"));
    call_kw(render, {}, {{"ctx", a[1]}, {"parent", a[2]}});

    // self.setObjectName(f"ToggleButton-{id(self)}")
    Ref identity = Ref::steal(PyLong_FromVoidPtr(self));
    Ref name = Ref::steal(PyUnicode_FromFormat("ToggleButton-%S", identity.get()));
    call_method(self, KIT_STR("setObjectName"), name);

    call_method(self, KIT_STR("_setup_flintor"));
    return none();
}

// def _setup_flintor(self)
Ref ToggleButton__setup_flintor(const Args& a) {
    PyObject* self = a[0];
    call_method(self, KIT_STR("setCheckable"), Py_True);
    Ref selected = getattr(self, KIT_STR("_selected"));
    if (truthy(selected)) {
        Ref set_selected = getattr(super(a.owner(), self), KIT_STR("set_selected"));
        call(set_selected, Py_True);
    }
    return none();
}

void body() {
    from_import("typing", {"Optional", "Callable", "Union"});
    from_import("PySide6.QtWidgets", {"QWidget"});
    from_import("tovane.material.iconify", {"Iconify"});
    from_import("tovane.material.button", {"Button"});
    from_import("tovane.hooks", {"State"});
    from_import("tovane.material.component", {"Component", "RenderContext"});

    Ref button = KIT_GLOBAL("Button");
    ClassBuilder cls("ToggleButton", {button.get()});
    cls.def({"__init__",
             ToggleButton__init__,
             {"self", Param("icon", Str(":/round/resource_tovane/round/access_time.svg"), "Optional[Iconify]"),
              Param("text", None, "Optional[Union[str, State, Callable]]"), Param("value", None, "Optional[object]"),
              Param("selected", Bool(false), "bool"), VarArgs("args"), VarKw("kwargs")}});
    cls.def({"renderUi",
             ToggleButton_renderUi,
             {"self", Param("ctx", "RenderContext"), Param("parent", None, "Optional[QWidget]")},
             nullptr,
             "QWidget"});
    cls.def({"_setup_flintor", ToggleButton__setup_flintor, {"self"}});
    Ref toggle = cls.build();
    set_global("ToggleButton", toggle);
}

}  // namespace

KIT_MODULE(flintor, "flintor", "flintor", nullptr, body)
