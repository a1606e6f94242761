#include "function.hpp"

#include "errors.hpp"
#include "module.hpp"

#include <memory>
#include <new>
#include <stdexcept>

namespace kit {

struct FunctionObject {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    Impl impl;
    int argcount;     // positional-or-keyword parameters
    int kwonlycount;  // keyword-only parameters
    int nslots;       // all parameters, *args and **kwargs included
    bool varargs;
    bool varkw;
    bool coroutine;
    PyObject* name;
    PyObject* qualname;
    PyObject* module;
    PyObject* doc;
    PyObject* annotations;
    PyObject* defaults;    // tuple or NULL
    PyObject* kwdefaults;  // dict or NULL
    PyObject* varnames;    // tuple of interned parameter names
    PyObject* code;
    PyObject* globals;
    PyObject* owner;
    PyObject* data;
    PyObject* dict;
    PyObject* weakrefs;
};

PyObject* Args::owner() const noexcept { return fn_ ? fn_->owner : nullptr; }
PyObject* Args::data() const noexcept { return fn_ ? fn_->data : nullptr; }

namespace {

// Static types: the slots are filled in by ready_types().
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
PyTypeObject FunctionType = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject CoroutineType = {PyVarObject_HEAD_INIT(nullptr, 0)};
#pragma GCC diagnostic pop

inline FunctionObject* F(PyObject* o) { return reinterpret_cast<FunctionObject*>(o); }

// ---------------------------------------------------------------------------
// Running the C++ body: the one place where C++ exceptions stop.

PyObject* run_body(FunctionObject* fn, PyObject* const* slots) noexcept {
    try {
        Ref r = fn->impl(Args(slots, static_cast<std::size_t>(fn->nslots), fn));
        if (!r) {
            if (!PyErr_Occurred())
                PyErr_Format(PyExc_SystemError, "%U() returned NULL without setting an exception",
                             fn->qualname);
            return nullptr;
        }
        if (PyErr_Occurred()) {
            // A result with an error pending is a bug in the body: report it
            // as the interpreter does for C functions, never drop the error.
            r.reset();
            PyObject* cause = PyErr_GetRaisedException();
            PyErr_Format(PyExc_SystemError, "%U() returned a result with an exception set", fn->qualname);
            PyObject* exc = PyErr_GetRaisedException();
            PyException_SetCause(exc, Py_NewRef(cause));
            PyException_SetContext(exc, cause);
            PyErr_SetRaisedException(exc);
            return nullptr;
        }
        return r.release();
    } catch (const Error&) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "error return without exception set");
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_Format(PyExc_SystemError, "%U(): C++ exception: %s", fn->qualname, e.what());
    } catch (...) {
        PyErr_Format(PyExc_SystemError, "%U(): unknown C++ exception", fn->qualname);
    }
    return nullptr;
}

PyObject* make_coroutine(FunctionObject* fn, PyObject* const* slots);

PyObject* dispatch(FunctionObject* fn, PyObject* const* slots) {
    if (fn->coroutine) return make_coroutine(fn, slots);
    return run_body(fn, slots);
}

// ---------------------------------------------------------------------------
// Argument binding, following CPython's rules and wording (ceval.c).

void format_missing(FunctionObject* fn, const char* kind, PyObject* names) {
    Py_ssize_t len = PyList_GET_SIZE(names);
    PyObject* name_str = nullptr;
    if (len == 1) {
        name_str = Py_NewRef(PyList_GET_ITEM(names, 0));
    } else if (len == 2) {
        name_str = PyUnicode_FromFormat("%U and %U", PyList_GET_ITEM(names, 0), PyList_GET_ITEM(names, 1));
    } else {
        PyObject* tail = PyUnicode_FromFormat(", %U, and %U", PyList_GET_ITEM(names, len - 2),
                                              PyList_GET_ITEM(names, len - 1));
        if (!tail) return;
        if (PyList_SetSlice(names, len - 2, len, nullptr) < 0) {
            Py_DECREF(tail);
            return;
        }
        PyObject* comma = PyUnicode_FromString(", ");
        PyObject* head = comma ? PyUnicode_Join(comma, names) : nullptr;
        Py_XDECREF(comma);
        if (head) name_str = PyUnicode_Concat(head, tail);
        Py_XDECREF(head);
        Py_DECREF(tail);
    }
    if (!name_str) return;
    PyErr_Format(PyExc_TypeError, "%U() missing %i required %s argument%s: %U", fn->qualname,
                 static_cast<int>(len), kind, len == 1 ? "" : "s", name_str);
    Py_DECREF(name_str);
}

void missing_arguments(FunctionObject* fn, bool positional, PyObject* const* slots, int start, int end) {
    PyObject* names = PyList_New(0);
    if (!names) return;
    for (int i = start; i < end; i++) {
        if (slots[i]) continue;
        if (!positional && fn->kwdefaults) {
            PyObject* d = PyDict_GetItemWithError(fn->kwdefaults, PyTuple_GET_ITEM(fn->varnames, i));
            if (d) continue;
            if (PyErr_Occurred()) {
                Py_DECREF(names);
                return;
            }
        }
        PyObject* r = PyObject_Repr(PyTuple_GET_ITEM(fn->varnames, i));
        if (!r || PyList_Append(names, r) < 0) {
            Py_XDECREF(r);
            Py_DECREF(names);
            return;
        }
        Py_DECREF(r);
    }
    format_missing(fn, positional ? "positional" : "keyword-only", names);
    Py_DECREF(names);
}

void too_many_positional(FunctionObject* fn, Py_ssize_t given, PyObject* const* slots) {
    Py_ssize_t kwonly_given = 0;
    for (int i = fn->argcount; i < fn->argcount + fn->kwonlycount; i++)
        if (slots[i]) kwonly_given++;
    Py_ssize_t defcount = fn->defaults ? PyTuple_GET_SIZE(fn->defaults) : 0;
    PyObject* sig;
    bool plural;
    if (defcount) {
        plural = true;
        sig = PyUnicode_FromFormat("from %zd to %d", fn->argcount - defcount, fn->argcount);
    } else {
        plural = fn->argcount != 1;
        sig = PyUnicode_FromFormat("%d", fn->argcount);
    }
    if (!sig) return;
    PyObject* kwonly_sig;
    if (kwonly_given)
        kwonly_sig = PyUnicode_FromFormat(" positional argument%s (and %zd keyword-only argument%s)",
                                          given != 1 ? "s" : "", kwonly_given, kwonly_given != 1 ? "s" : "");
    else
        kwonly_sig = PyUnicode_FromString("");
    if (kwonly_sig)
        PyErr_Format(PyExc_TypeError, "%U() takes %U positional argument%s but %zd%U %s given", fn->qualname,
                     sig, plural ? "s" : "", given, kwonly_sig,
                     given == 1 && !kwonly_given ? "was" : "were");
    Py_DECREF(sig);
    Py_XDECREF(kwonly_sig);
}

void unexpected_keyword(FunctionObject* fn, PyObject* keyword) {
    // Offer the interpreter's "Did you mean" suggestion, as Python functions do.
    PyObject* suggestion = nullptr;
    int total = fn->argcount + fn->kwonlycount;
    if (total > 0) {
        PyObject* mod = PyImport_ImportModule("_suggestions");
        PyObject* candidates = PyTuple_GetSlice(fn->varnames, 0, total);
        PyObject* cand_list = candidates ? PySequence_List(candidates) : nullptr;
        if (mod && cand_list)
            suggestion = PyObject_CallMethod(mod, "_generate_suggestions", "OO", cand_list, keyword);
        Py_XDECREF(mod);
        Py_XDECREF(candidates);
        Py_XDECREF(cand_list);
        if (!suggestion || suggestion == Py_None) {
            Py_CLEAR(suggestion);
            PyErr_Clear();
        }
    }
    if (suggestion) {
        PyErr_Format(PyExc_TypeError, "%U() got an unexpected keyword argument '%S'. Did you mean '%S'?",
                     fn->qualname, keyword, suggestion);
        Py_DECREF(suggestion);
    } else {
        PyErr_Format(PyExc_TypeError, "%U() got an unexpected keyword argument '%S'", fn->qualname, keyword);
    }
}

// Slots owned by the binder: the *args tuple and the **kwargs dict.
struct Owned {
    PyObject* varargs = nullptr;
    PyObject* varkw = nullptr;
    PyObject* defaults = nullptr;
    PyObject* kwdefaults = nullptr;
    ~Owned() {
        Py_XDECREF(varargs);
        Py_XDECREF(varkw);
        Py_XDECREF(defaults);
        Py_XDECREF(kwdefaults);
    }
};

// Bind args/kwnames into slots (borrowed references, owned ones in `own`).
bool bind(FunctionObject* fn, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** slots,
          Owned& own) {
    const int argcount = fn->argcount;
    const int total = argcount + fn->kwonlycount;
    for (int i = 0; i < fn->nslots; i++) slots[i] = nullptr;
    // Hold the defaults for the duration of the call: the body may replace them.
    own.defaults = Py_XNewRef(fn->defaults);
    own.kwdefaults = Py_XNewRef(fn->kwdefaults);

    Py_ssize_t n = nargs < argcount ? nargs : argcount;
    for (Py_ssize_t i = 0; i < n; i++) slots[i] = args[i];
    if (fn->varargs) {
        own.varargs = PyTuple_New(nargs - n);
        if (!own.varargs) return false;
        for (Py_ssize_t i = n; i < nargs; i++) PyTuple_SET_ITEM(own.varargs, i - n, Py_NewRef(args[i]));
        slots[total] = own.varargs;
    }
    if (fn->varkw) {
        own.varkw = PyDict_New();
        if (!own.varkw) return false;
        slots[total + (fn->varargs ? 1 : 0)] = own.varkw;
    }

    if (kwnames) {
        Py_ssize_t nk = PyTuple_GET_SIZE(kwnames);
        for (Py_ssize_t k = 0; k < nk; k++) {
            PyObject* key = PyTuple_GET_ITEM(kwnames, k);
            PyObject* value = args[nargs + k];
            if (!PyUnicode_Check(key)) {
                PyErr_Format(PyExc_TypeError, "%U() keywords must be strings", fn->qualname);
                return false;
            }
            int j = 0;
            for (; j < total; j++)
                if (PyTuple_GET_ITEM(fn->varnames, j) == key) break;
            if (j == total) {
                for (j = 0; j < total; j++) {
                    int eq = PyUnicode_Compare(key, PyTuple_GET_ITEM(fn->varnames, j));
                    if (eq == -1 && PyErr_Occurred()) return false;
                    if (eq == 0) break;
                }
            }
            if (j == total) {
                if (!own.varkw) {
                    unexpected_keyword(fn, key);
                    return false;
                }
                if (PyDict_SetItem(own.varkw, key, value) < 0) return false;
                continue;
            }
            if (slots[j]) {
                PyErr_Format(PyExc_TypeError, "%U() got multiple values for argument '%S'", fn->qualname, key);
                return false;
            }
            slots[j] = value;
        }
    }

    if (nargs > argcount && !fn->varargs) {
        too_many_positional(fn, nargs, slots);
        return false;
    }

    if (nargs < argcount) {
        Py_ssize_t defcount = own.defaults ? PyTuple_GET_SIZE(own.defaults) : 0;
        Py_ssize_t m = argcount - defcount;
        bool missing = false;
        for (Py_ssize_t i = nargs; i < m; i++)
            if (!slots[i]) missing = true;
        if (missing) {
            missing_arguments(fn, true, slots, 0, static_cast<int>(m));
            return false;
        }
        for (Py_ssize_t i = (nargs > m ? nargs - m : 0); i < defcount; i++)
            if (!slots[m + i]) slots[m + i] = PyTuple_GET_ITEM(own.defaults, i);
    }

    if (fn->kwonlycount) {
        bool missing = false;
        for (int i = argcount; i < total; i++) {
            if (slots[i]) continue;
            PyObject* d = own.kwdefaults
                              ? PyDict_GetItemWithError(own.kwdefaults, PyTuple_GET_ITEM(fn->varnames, i))
                              : nullptr;
            if (d) {
                slots[i] = d;
            } else {
                if (PyErr_Occurred()) return false;
                missing = true;
            }
        }
        if (missing) {
            missing_arguments(fn, false, slots, argcount, total);
            return false;
        }
    }
    return true;
}

constexpr int kStackSlots = 32;

PyObject* function_vectorcall(PyObject* self, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    FunctionObject* fn = F(self);
    Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    // Fast path: exactly the positional parameters, nothing else to bind.
    if (!kwnames && nargs == fn->argcount && fn->nslots == fn->argcount) return dispatch(fn, args);

    PyObject* stack[kStackSlots];
    std::unique_ptr<PyObject*[]> heap;
    PyObject** slots = stack;
    if (fn->nslots > kStackSlots) {
        heap.reset(new (std::nothrow) PyObject*[fn->nslots]);
        if (!heap) return PyErr_NoMemory();
        slots = heap.get();
    }
    Owned own;
    if (!bind(fn, args, nargs, kwnames, slots, own)) return nullptr;
    return dispatch(fn, slots);
}

// ---------------------------------------------------------------------------
// The function type's slots.

int function_traverse(PyObject* self, visitproc visit, void* arg) {
    FunctionObject* f = F(self);
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(f->name);
    Py_VISIT(f->qualname);
    Py_VISIT(f->module);
    Py_VISIT(f->doc);
    Py_VISIT(f->annotations);
    Py_VISIT(f->defaults);
    Py_VISIT(f->kwdefaults);
    Py_VISIT(f->varnames);
    Py_VISIT(f->code);
    Py_VISIT(f->globals);
    Py_VISIT(f->owner);
    Py_VISIT(f->data);
    Py_VISIT(f->dict);
    return 0;
}

int function_clear(PyObject* self) {
    FunctionObject* f = F(self);
    Py_CLEAR(f->module);
    Py_CLEAR(f->doc);
    Py_CLEAR(f->annotations);
    Py_CLEAR(f->defaults);
    Py_CLEAR(f->kwdefaults);
    Py_CLEAR(f->code);
    Py_CLEAR(f->globals);
    Py_CLEAR(f->owner);
    Py_CLEAR(f->data);
    Py_CLEAR(f->dict);
    // name, qualname and varnames are kept: error messages read them.
    return 0;
}

void function_dealloc(PyObject* self) {
    PyObject_GC_UnTrack(self);
    FunctionObject* f = F(self);
    if (f->weakrefs) PyObject_ClearWeakRefs(self);
    function_clear(self);
    Py_CLEAR(f->name);
    Py_CLEAR(f->qualname);
    Py_CLEAR(f->varnames);
    PyObject_GC_Del(self);
}

PyObject* function_repr(PyObject* self) {
    return PyUnicode_FromFormat("<function %U at %p>", F(self)->qualname, self);
}

PyObject* function_descr_get(PyObject* self, PyObject* obj, PyObject* /*type*/) {
    if (obj == nullptr || obj == Py_None) return Py_NewRef(self);
    return PyMethod_New(self, obj);
}

// A PyObject* field of the function, None when unset.
PyObject* get_str_field(PyObject* self, void* offset) {
    PyObject* v = *reinterpret_cast<PyObject**>(reinterpret_cast<char*>(self) + reinterpret_cast<std::size_t>(offset));
    return Py_NewRef(v ? v : Py_None);
}

int set_str_field(PyObject* self, PyObject* value, void* offset) {
    PyObject** slot = reinterpret_cast<PyObject**>(reinterpret_cast<char*>(self) + reinterpret_cast<std::size_t>(offset));
    const char* what = slot == &F(self)->name ? "__name__" : "__qualname__";
    if (!value || !PyUnicode_Check(value)) {
        PyErr_Format(PyExc_TypeError, "%s must be set to a string object", what);
        return -1;
    }
    Py_SETREF(*slot, Py_NewRef(value));
    return 0;
}

int set_doc(PyObject* self, PyObject* value, void*) {
    Py_XSETREF(F(self)->doc, Py_NewRef(value ? value : Py_None));
    return 0;
}

PyObject* get_defaults(PyObject* self, void*) {
    PyObject* d = F(self)->defaults;
    return Py_NewRef(d ? d : Py_None);
}

int set_defaults(PyObject* self, PyObject* value, void*) {
    if (value == Py_None) value = nullptr;
    if (value && !PyTuple_Check(value)) {
        PyErr_SetString(PyExc_TypeError, "__defaults__ must be set to a tuple object");
        return -1;
    }
    if (value && PyTuple_GET_SIZE(value) > F(self)->argcount) {
        PyErr_SetString(PyExc_ValueError, "__defaults__ cannot hold more values than there are parameters");
        return -1;
    }
    Py_XSETREF(F(self)->defaults, Py_XNewRef(value));
    return 0;
}

PyObject* get_kwdefaults(PyObject* self, void*) {
    PyObject* d = F(self)->kwdefaults;
    return Py_NewRef(d ? d : Py_None);
}

int set_kwdefaults(PyObject* self, PyObject* value, void*) {
    if (value == Py_None) value = nullptr;
    if (value && !PyDict_Check(value)) {
        PyErr_SetString(PyExc_TypeError, "__kwdefaults__ must be set to a dict object");
        return -1;
    }
    Py_XSETREF(F(self)->kwdefaults, Py_XNewRef(value));
    return 0;
}

PyObject* get_annotations(PyObject* self, void*) {
    FunctionObject* f = F(self);
    if (!f->annotations) {
        f->annotations = PyDict_New();
        if (!f->annotations) return nullptr;
    }
    return Py_NewRef(f->annotations);
}

int set_annotations(PyObject* self, PyObject* value, void*) {
    if (value == Py_None) value = nullptr;
    if (value && !PyDict_Check(value)) {
        PyErr_SetString(PyExc_TypeError, "__annotations__ must be set to a dict object");
        return -1;
    }
    Py_XSETREF(F(self)->annotations, Py_XNewRef(value));
    return 0;
}

PyObject* get_none(PyObject*, void*) { Py_RETURN_NONE; }
PyObject* get_empty_tuple(PyObject*, void*) { return PyTuple_New(0); }

PyObject* get_builtins(PyObject*, void*) {
    PyObject* b = PyEval_GetFrameBuiltins();
    if (b) return b;
    PyErr_Clear();
    return Py_NewRef(PyEval_GetBuiltins());
}

PyGetSetDef function_getset[] = {
    {"__name__", get_str_field, set_str_field, nullptr, reinterpret_cast<void*>(offsetof(FunctionObject, name))},
    {"__qualname__", get_str_field, set_str_field, nullptr,
     reinterpret_cast<void*>(offsetof(FunctionObject, qualname))},
    {"__doc__", get_str_field, set_doc, nullptr, reinterpret_cast<void*>(offsetof(FunctionObject, doc))},
    {"__code__", get_str_field, nullptr, nullptr, reinterpret_cast<void*>(offsetof(FunctionObject, code))},
    {"__globals__", get_str_field, nullptr, nullptr, reinterpret_cast<void*>(offsetof(FunctionObject, globals))},
    {"__defaults__", get_defaults, set_defaults, nullptr, nullptr},
    {"__kwdefaults__", get_kwdefaults, set_kwdefaults, nullptr, nullptr},
    {"__annotations__", get_annotations, set_annotations, nullptr, nullptr},
    {"__closure__", get_none, nullptr, nullptr, nullptr},
    {"__type_params__", get_empty_tuple, nullptr, nullptr, nullptr},
    {"__builtins__", get_builtins, nullptr, nullptr, nullptr},
    {"__dict__", PyObject_GenericGetDict, PyObject_GenericSetDict, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMemberDef function_members[] = {
    {"__module__", Py_T_OBJECT_EX, offsetof(FunctionObject, module), 0, nullptr},
    {"__vectorcalloffset__", Py_T_PYSSIZET, offsetof(FunctionObject, vectorcall), Py_READONLY, nullptr},
    {"__weaklistoffset__", Py_T_PYSSIZET, offsetof(FunctionObject, weakrefs), Py_READONLY, nullptr},
    {"__dictoffset__", Py_T_PYSSIZET, offsetof(FunctionObject, dict), Py_READONLY, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

// ---------------------------------------------------------------------------
// Coroutines of `async def` bodies.  The body is a plain C++ function that
// does not suspend, so the coroutine finishes on its first send.

struct CoroutineObject {
    PyObject_HEAD
    FunctionObject* fn;
    PyObject* args;  // tuple of the bound arguments
    PyObject* weakrefs;
    int state;  // 0 created, 1 running, 2 finished
};

inline CoroutineObject* C(PyObject* o) { return reinterpret_cast<CoroutineObject*>(o); }

PyObject* make_coroutine(FunctionObject* fn, PyObject* const* slots) {
    PyObject* args = PyTuple_New(fn->nslots);
    if (!args) return nullptr;
    for (int i = 0; i < fn->nslots; i++) PyTuple_SET_ITEM(args, i, Py_NewRef(slots[i]));
    CoroutineObject* co = PyObject_GC_New(CoroutineObject, &CoroutineType);
    if (!co) {
        Py_DECREF(args);
        return nullptr;
    }
    co->fn = reinterpret_cast<FunctionObject*>(Py_NewRef(reinterpret_cast<PyObject*>(fn)));
    co->args = args;
    co->weakrefs = nullptr;
    co->state = 0;
    PyObject_GC_Track(co);
    return reinterpret_cast<PyObject*>(co);
}

// Run the body; PYGEN_RETURN with the result, or PYGEN_ERROR.
PySendResult coroutine_step(CoroutineObject* co, PyObject* value, PyObject** result) {
    *result = nullptr;
    if (co->state == 2) {
        PyErr_SetString(PyExc_RuntimeError, "cannot reuse already awaited coroutine");
        return PYGEN_ERROR;
    }
    if (co->state == 1) {
        PyErr_SetString(PyExc_ValueError, "coroutine already executing");
        return PYGEN_ERROR;
    }
    if (value && value != Py_None) {
        PyErr_SetString(PyExc_TypeError, "can't send non-None value to a just-started coroutine");
        return PYGEN_ERROR;
    }
    co->state = 1;
    PyObject* r = run_body(co->fn, &PyTuple_GET_ITEM(co->args, 0));
    co->state = 2;
    Py_CLEAR(co->args);
    if (!r) {
        if (PyErr_ExceptionMatches(PyExc_StopIteration)) {
            // As in Python: a StopIteration may not escape a coroutine body.
            PyObject* exc = PyErr_GetRaisedException();
            PyErr_SetString(PyExc_RuntimeError, "coroutine raised StopIteration");
            PyObject* rt = PyErr_GetRaisedException();
            PyException_SetCause(rt, Py_NewRef(exc));
            PyException_SetContext(rt, exc);
            PyErr_SetRaisedException(rt);
        }
        return PYGEN_ERROR;
    }
    *result = r;
    return PYGEN_RETURN;
}

PySendResult coroutine_am_send(PyObject* self, PyObject* arg, PyObject** result) {
    return coroutine_step(C(self), arg, result);
}

PyObject* stop_iteration(PyObject* value) {
    if (value == Py_None) {
        PyErr_SetNone(PyExc_StopIteration);
    } else {
        PyObject* e = PyObject_CallOneArg(PyExc_StopIteration, value);
        if (e) {
            PyErr_SetObject(PyExc_StopIteration, e);
            Py_DECREF(e);
        }
    }
    Py_DECREF(value);
    return nullptr;
}

PyObject* coroutine_send(PyObject* self, PyObject* value) {
    PyObject* r;
    if (coroutine_step(C(self), value, &r) == PYGEN_ERROR) return nullptr;
    return stop_iteration(r);
}

PyObject* coroutine_iternext(PyObject* self) { return coroutine_send(self, Py_None); }

PyObject* coroutine_throw(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs < 1 || nargs > 3) {
        PyErr_Format(PyExc_TypeError, "throw expected at least 1 argument, got %zd", nargs);
        return nullptr;
    }
    CoroutineObject* co = C(self);
    co->state = 2;
    Py_CLEAR(co->args);
    PyObject* typ = args[0];
    if (PyExceptionInstance_Check(typ)) {
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(typ)), typ);
    } else if (PyExceptionClass_Check(typ)) {
        PyObject* val = nargs > 1 ? args[1] : nullptr;
        if (val && val != Py_None && PyExceptionInstance_Check(val))
            PyErr_SetObject(typ, val);
        else if (val && val != Py_None)
            PyErr_SetObject(typ, val);
        else
            PyErr_SetNone(typ);
    } else {
        PyErr_Format(PyExc_TypeError, "exceptions must be classes or instances deriving from BaseException, not %s",
                     Py_TYPE(typ)->tp_name);
    }
    return nullptr;
}

PyObject* coroutine_close(PyObject* self, PyObject*) {
    CoroutineObject* co = C(self);
    co->state = 2;
    Py_CLEAR(co->args);
    Py_RETURN_NONE;
}

PyObject* coroutine_await(PyObject* self) { return Py_NewRef(self); }

void coroutine_finalize(PyObject* self) {
    CoroutineObject* co = C(self);
    if (co->state != 0) return;
    PyObject* exc = PyErr_GetRaisedException();
    co->state = 2;
    if (PyErr_WarnFormat(PyExc_RuntimeWarning, 1, "coroutine '%U' was never awaited", co->fn->qualname) < 0)
        PyErr_WriteUnraisable(self);
    PyErr_SetRaisedException(exc);
}

int coroutine_traverse(PyObject* self, visitproc visit, void* arg) {
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(reinterpret_cast<PyObject*>(C(self)->fn));
    Py_VISIT(C(self)->args);
    return 0;
}

int coroutine_clear(PyObject* self) {
    Py_CLEAR(C(self)->args);
    return 0;
}

void coroutine_dealloc(PyObject* self) {
    if (PyObject_CallFinalizerFromDealloc(self) < 0) return;  // resurrected
    PyObject_GC_UnTrack(self);
    if (C(self)->weakrefs) PyObject_ClearWeakRefs(self);
    Py_CLEAR(C(self)->args);
    Py_CLEAR(C(self)->fn);
    PyObject_GC_Del(self);
}

PyObject* coroutine_repr(PyObject* self) {
    return PyUnicode_FromFormat("<coroutine object %U at %p>", C(self)->fn->qualname, self);
}

PyObject* coroutine_get_name(PyObject* self, void*) { return Py_NewRef(C(self)->fn->name); }
PyObject* coroutine_get_qualname(PyObject* self, void*) { return Py_NewRef(C(self)->fn->qualname); }
PyObject* coroutine_get_running(PyObject* self, void*) { return PyBool_FromLong(C(self)->state == 1); }
PyObject* coroutine_get_code(PyObject* self, void*) { return Py_NewRef(C(self)->fn->code); }

PyGetSetDef coroutine_getset[] = {
    {"__name__", coroutine_get_name, nullptr, nullptr, nullptr},
    {"__qualname__", coroutine_get_qualname, nullptr, nullptr, nullptr},
    {"cr_running", coroutine_get_running, nullptr, nullptr, nullptr},
    {"cr_code", coroutine_get_code, nullptr, nullptr, nullptr},
    {"cr_await", get_none, nullptr, nullptr, nullptr},
    {"cr_frame", get_none, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef coroutine_methods[] = {
    {"send", coroutine_send, METH_O, "send(arg) -> send 'arg' into coroutine,\nreturn next iterated value or raise StopIteration."},
    {"throw", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(coroutine_throw)), METH_FASTCALL,
     "throw(value)\nthrow(type[,value[,traceback]])\n\nRaise exception in coroutine."},
    {"close", coroutine_close, METH_NOARGS, "close() -> raise GeneratorExit inside coroutine."},
    {nullptr, nullptr, 0, nullptr},
};

PyAsyncMethods coroutine_async = {coroutine_await, nullptr, nullptr, coroutine_am_send};

bool g_ready = false;

}  // namespace

void ready_types() {
    if (g_ready) return;
    FunctionType.tp_name = "tovane.kit.function";
    FunctionType.tp_basicsize = sizeof(FunctionObject);
    FunctionType.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL |
                            Py_TPFLAGS_METHOD_DESCRIPTOR;
    FunctionType.tp_doc = "A Python function whose body is C++.";
    FunctionType.tp_vectorcall_offset = offsetof(FunctionObject, vectorcall);
    FunctionType.tp_call = PyVectorcall_Call;
    FunctionType.tp_dealloc = function_dealloc;
    FunctionType.tp_traverse = function_traverse;
    FunctionType.tp_clear = function_clear;
    FunctionType.tp_repr = function_repr;
    FunctionType.tp_descr_get = function_descr_get;
    FunctionType.tp_getset = function_getset;
    FunctionType.tp_members = function_members;
    FunctionType.tp_dictoffset = offsetof(FunctionObject, dict);
    FunctionType.tp_weaklistoffset = offsetof(FunctionObject, weakrefs);
    check(PyType_Ready(&FunctionType));

    CoroutineType.tp_name = "tovane.kit.coroutine";
    CoroutineType.tp_basicsize = sizeof(CoroutineObject);
    CoroutineType.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC;
    CoroutineType.tp_as_async = &coroutine_async;
    CoroutineType.tp_iter = PyObject_SelfIter;
    CoroutineType.tp_iternext = coroutine_iternext;
    CoroutineType.tp_methods = coroutine_methods;
    CoroutineType.tp_getset = coroutine_getset;
    CoroutineType.tp_dealloc = coroutine_dealloc;
    CoroutineType.tp_finalize = coroutine_finalize;
    CoroutineType.tp_traverse = coroutine_traverse;
    CoroutineType.tp_clear = coroutine_clear;
    CoroutineType.tp_repr = coroutine_repr;
    CoroutineType.tp_weaklistoffset = offsetof(CoroutineObject, weakrefs);
    check(PyType_Ready(&CoroutineType));
    g_ready = true;
}

PyTypeObject* function_type() { return &FunctionType; }
PyTypeObject* coroutine_type() { return &CoroutineType; }

bool is_function(PyObject* o) noexcept { return Py_IS_TYPE(o, &FunctionType); }

void set_owner(PyObject* function, PyObject* cls) {
    if (!is_function(function)) return;
    Py_XSETREF(F(function)->owner, Py_NewRef(cls));
}

Ref Default::make() const {
    switch (kind) {
        case NoneV: return kit::none();
        case True: return boolean(true);
        case False: return boolean(false);
        case Int: return integer(i);
        case Float: return real(d);
        case Str: return kit::str(s);
        case Object: return Ref::borrow(o);
        case Absent: break;
    }
    return Ref();
}

namespace {

Ref build_code(const FuncSpec& spec, PyObject* varnames, PyObject* qualname, int argcount, int kwonly, int flags) {
    PyCodeObject* empty = PyCode_NewEmpty(PyUnicode_AsUTF8(short_name()), spec.name, 1);
    if (!empty) throw_error();
    Ref proto = Ref::steal(reinterpret_cast<PyObject*>(empty));
    Ref replace = getattr(proto, KIT_STR("replace"));
    Ref nlocals = integer(PyTuple_GET_SIZE(varnames));
    Ref ac = integer(argcount), kc = integer(kwonly), fl = integer(flags);
    return call_kw(replace, {},
                   {{"co_argcount", ac}, {"co_kwonlyargcount", kc}, {"co_flags", fl},
                    {"co_nlocals", nlocals}, {"co_varnames", varnames}, {"co_qualname", qualname}});
}

}  // namespace

Ref make_function(const FuncSpec& spec, const std::string& qualname_text) {
    ready_types();
    int argcount = 0, kwonly = 0;
    bool varargs = false, varkw = false;
    // Order the names as CPython does: positional, keyword-only, *args, **kwargs.
    std::vector<const Param*> order;
    for (const Param& p : spec.params)
        if (p.kind == Param::Positional) order.push_back(&p), argcount++;
    for (const Param& p : spec.params)
        if (p.kind == Param::KeywordOnly) order.push_back(&p), kwonly++;
    for (const Param& p : spec.params)
        if (p.kind == Param::VarPositional) order.push_back(&p), varargs = true;
    for (const Param& p : spec.params)
        if (p.kind == Param::VarKeyword) order.push_back(&p), varkw = true;

    Ref varnames = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(order.size())));
    for (std::size_t i = 0; i < order.size(); i++)
        PyTuple_SET_ITEM(varnames.get(), static_cast<Py_ssize_t>(i), Py_NewRef(intern(order[i]->name)));

    // Defaults of the trailing positional parameters.
    int first_default = argcount;
    while (first_default > 0 && order[first_default - 1]->dflt.kind != Default::Absent) first_default--;
    for (int i = 0; i < first_default; i++)
        if (order[i]->dflt.kind != Default::Absent)
            throw std::invalid_argument("parameter without a default follows parameter with a default");
    Ref defaults;
    if (first_default < argcount) {
        defaults = Ref::steal(PyTuple_New(argcount - first_default));
        for (int i = first_default; i < argcount; i++)
            PyTuple_SET_ITEM(defaults.get(), i - first_default, order[i]->dflt.make().release());
    }
    Ref kwdefaults;
    for (int i = argcount; i < argcount + kwonly; i++) {
        if (order[i]->dflt.kind == Default::Absent) continue;
        if (!kwdefaults) kwdefaults = new_dict();
        Ref v = order[i]->dflt.make();
        check(PyDict_SetItem(kwdefaults, PyTuple_GET_ITEM(varnames.get(), i), v));
    }
    // Annotations in parameter order, then the return annotation.
    Ref annotations = new_dict();
    for (const Param& p : spec.params)
        if (p.annotation) {
            Ref v = kit::str(p.annotation);
            check(PyDict_SetItem(annotations, intern(p.name), v));
        }
    if (spec.returns) {
        Ref v = kit::str(spec.returns);
        check(PyDict_SetItem(annotations, KIT_STR("return"), v));
    }

    int flags = CO_OPTIMIZED | CO_NEWLOCALS | (varargs ? CO_VARARGS : 0) | (varkw ? CO_VARKEYWORDS : 0) |
                (spec.coroutine ? CO_COROUTINE : 0);
    Ref name = Ref::steal(PyUnicode_FromString(spec.name));
    Ref qualname = Ref::steal(PyUnicode_FromString(qualname_text.empty() ? spec.name : qualname_text.c_str()));
    Ref code = build_code(spec, varnames, qualname, argcount, kwonly, flags);

    FunctionObject* f = PyObject_GC_New(FunctionObject, &FunctionType);
    if (!f) throw_error();
    f->vectorcall = function_vectorcall;
    f->impl = spec.impl;
    f->argcount = argcount;
    f->kwonlycount = kwonly;
    f->nslots = static_cast<int>(order.size());
    f->varargs = varargs;
    f->varkw = varkw;
    f->coroutine = spec.coroutine;
    f->name = name.release();
    f->qualname = qualname.release();
    f->module = Py_NewRef(short_name());
    f->doc = spec.doc ? PyUnicode_FromString(spec.doc) : Py_NewRef(Py_None);
    f->annotations = annotations.release();
    f->defaults = defaults.release();
    f->kwdefaults = kwdefaults.release();
    f->varnames = varnames.release();
    f->code = code.release();
    f->globals = Py_XNewRef(module_dict());
    f->owner = nullptr;
    f->data = Py_XNewRef(spec.data);
    f->dict = nullptr;
    f->weakrefs = nullptr;
    PyObject_GC_Track(f);
    Ref result = Ref::steal(reinterpret_cast<PyObject*>(f));
    if (!f->doc) throw_error();
    return result;
}

}  // namespace kit
