// Coroutines of `async def` bodies.
//
// The body is a C++ function that does not suspend, so a coroutine is
// created, running (only code the body calls can see it so) or closed, and
// it finishes on its first send.  Every method answers as CPython's
// coroutine does in the same state; the bound arguments stay alive until the
// body has returned.
#include "detail.hpp"

#include "errors.hpp"
#include "platform.hpp"

namespace kit::detail {

namespace {

extern PyTypeObject CoroutineType;

enum class State { Created, Running, Closed };

struct CoroutineObject {
    PyObject_HEAD
    FunctionObject* fn;
    PyObject* args;  // tuple of the bound arguments, until the body has run
    PyObject* weakrefs;
    State state;
};

inline CoroutineObject* as_coroutine(PyObject* o) noexcept { return reinterpret_cast<CoroutineObject*>(o); }

// The iterator __await__ returns: send, throw and close go to the coroutine.
struct WrapperObject {
    PyObject_HEAD
    PyObject* coroutine;
};

extern PyTypeObject WrapperType;

// The coroutine a method is called on: the coroutine itself, or the one an
// __await__ iterator wraps (both types share send, throw and close).
CoroutineObject* target(PyObject* self) noexcept {
    if (Py_IS_TYPE(self, &WrapperType)) self = reinterpret_cast<WrapperObject*>(self)->coroutine;
    return as_coroutine(self);
}

KIT_COLD void already_executing() noexcept {
    PyErr_SetString(PyExc_ValueError, "coroutine already executing");
}

KIT_COLD void already_awaited() noexcept {
    PyErr_SetString(PyExc_RuntimeError, "cannot reuse already awaited coroutine");
}

// As in Python: a StopIteration may not escape a coroutine body.
KIT_COLD void stop_iteration_escaped() noexcept {
    Ref exc = Ref::steal_or_null(PyErr_GetRaisedException());
    PyErr_SetString(PyExc_RuntimeError, "coroutine raised StopIteration");
    Ref error = Ref::steal_or_null(PyErr_GetRaisedException());
    PyException_SetCause(error, Ref(exc).release());
    PyException_SetContext(error, exc.release());
    PyErr_SetRaisedException(error.release());
}

// Run the body; PYGEN_RETURN with the result, or PYGEN_ERROR.
PySendResult step(CoroutineObject* co, PyObject* value, PyObject** result) noexcept {
    *result = nullptr;
    switch (co->state) {
        case State::Running: already_executing(); return PYGEN_ERROR;
        case State::Closed: already_awaited(); return PYGEN_ERROR;
        case State::Created: break;
    }
    if (value && value != Py_None) {
        PyErr_SetString(PyExc_TypeError, "can't send non-None value to a just-started coroutine");
        return PYGEN_ERROR;
    }
    co->state = State::Running;
    // The tuple is owned here while the body runs: nothing the body does to
    // the coroutine can free the arguments it is reading.
    Ref args = Ref::steal_or_null(co->args);
    co->args = nullptr;
    PyObject* r = run_body(co->fn, &PyTuple_GET_ITEM(args.get(), 0));
    co->state = State::Closed;
    if (!r) {
        if (PyErr_ExceptionMatches(PyExc_StopIteration)) stop_iteration_escaped();
        return PYGEN_ERROR;
    }
    *result = r;
    return PYGEN_RETURN;
}

PySendResult coroutine_am_send(PyObject* self, PyObject* arg, PyObject** result) noexcept {
    return step(target(self), arg, result);
}

PyObject* stop_iteration(PyObject* value) noexcept {
    Ref v = Ref::steal_or_null(value);
    if (value == Py_None) {
        PyErr_SetNone(PyExc_StopIteration);
    } else {
        Ref e = Ref::steal_or_null(PyObject_CallOneArg(PyExc_StopIteration, value));
        if (e) PyErr_SetObject(PyExc_StopIteration, e);
    }
    return nullptr;
}

PyObject* coroutine_send(PyObject* self, PyObject* value) noexcept {
    PyObject* r;
    if (step(target(self), value, &r) == PYGEN_ERROR) return nullptr;
    return stop_iteration(r);
}


// throw(value) / throw(type[, value[, traceback]]), as gen_throw.
PyObject* coroutine_throw(PyObject* self, PyObject* const* args, Py_ssize_t nargs) noexcept {
    if (nargs < 1) {
        PyErr_Format(PyExc_TypeError, "throw expected at least 1 argument, got %zd", nargs);
        return nullptr;
    }
    if (nargs > 3) {
        PyErr_Format(PyExc_TypeError, "throw expected at most 3 arguments, got %zd", nargs);
        return nullptr;
    }
    if (nargs > 1 && PyErr_WarnEx(PyExc_DeprecationWarning,
                                  "the (type, exc, tb) signature of throw() is deprecated, "
                                  "use the single-arg signature instead.",
                                  1) < 0)
        return nullptr;
    PyObject* typ_arg = args[0];
    PyObject* val_arg = nargs > 1 ? args[1] : nullptr;
    PyObject* tb_arg = nargs > 2 ? args[2] : nullptr;
    if (tb_arg == Py_None) tb_arg = nullptr;
    if (tb_arg && !PyTraceBack_Check(tb_arg)) {
        PyErr_SetString(PyExc_TypeError, "throw() third argument must be a traceback object");
        return nullptr;
    }

    if (PyExceptionClass_Check(typ_arg)) {
        // PyErr_NormalizeException and PyErr_Restore take these three over,
        // as the interpreter's throw hands them on.
        PyObject* typ = Py_NewRef(typ_arg);
        PyObject* val = Py_XNewRef(val_arg);
        PyObject* tb = Py_XNewRef(tb_arg);
        PyErr_NormalizeException(&typ, &val, &tb);
        PyErr_Restore(typ, val, tb);
    } else if (PyExceptionInstance_Check(typ_arg)) {
        if (val_arg && val_arg != Py_None) {
            PyErr_SetString(PyExc_TypeError, "instance exception may not have a separate value");
            return nullptr;
        }
        Ref tb = tb_arg ? Ref::borrow(tb_arg) : Ref::steal_or_null(PyException_GetTraceback(typ_arg));
        Ref type = Ref::borrow(PyExceptionInstance_Class(typ_arg));
        Ref value = Ref::borrow(typ_arg);
        PyErr_Restore(type.release(), value.release(), tb.release());  // steals all three
    } else {
        PyErr_Format(PyExc_TypeError, "exceptions must be classes or instances deriving from BaseException, not %s",
                     Py_TYPE(typ_arg)->tp_name);
        return nullptr;
    }

    CoroutineObject* co = target(self);
    switch (co->state) {
        case State::Running: already_executing(); return nullptr;
        case State::Closed: already_awaited(); return nullptr;
        case State::Created: break;
    }
    // Thrown in before the body starts: it propagates as it is, and the
    // coroutine is finished without running.
    co->state = State::Closed;
    Py_CLEAR(co->args);
    return nullptr;
}

PyObject* coroutine_close(PyObject* self, PyObject*) noexcept {
    CoroutineObject* co = target(self);
    switch (co->state) {
        case State::Running: already_executing(); return nullptr;
        case State::Closed: Py_RETURN_NONE;
        case State::Created: break;
    }
    co->state = State::Closed;
    Py_CLEAR(co->args);
    Py_RETURN_NONE;
}

// __await__: as CPython's coroutines, an iterator over the coroutine (the
// coroutine itself is not one).
PyObject* coroutine_await(PyObject* self) noexcept;

void coroutine_finalize(PyObject* self) noexcept {
    CoroutineObject* co = as_coroutine(self);
    if (co->state != State::Created) return;
    PyObject* exc = PyErr_GetRaisedException();
    co->state = State::Closed;
    if (PyErr_WarnFormat(PyExc_RuntimeWarning, 1, "coroutine '%U' was never awaited", co->fn->qualname) < 0)
        PyErr_WriteUnraisable(self);
    PyErr_SetRaisedException(exc);
}

int coroutine_traverse(PyObject* self, visitproc visit, void* arg) noexcept {
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(reinterpret_cast<PyObject*>(as_coroutine(self)->fn));
    Py_VISIT(as_coroutine(self)->args);
    return 0;
}

int coroutine_clear(PyObject* self) noexcept {
    Py_CLEAR(as_coroutine(self)->args);
    return 0;
}

void coroutine_dealloc(PyObject* self) noexcept {
    if (PyObject_CallFinalizerFromDealloc(self) < 0) return;  // resurrected
    PyObject_GC_UnTrack(self);
    CoroutineObject* co = as_coroutine(self);
    if (co->weakrefs) PyObject_ClearWeakRefs(self);
    Py_CLEAR(co->args);
    Py_CLEAR(co->fn);
    PyObject_GC_Del(self);
}

PyObject* coroutine_repr(PyObject* self) noexcept {
    return PyUnicode_FromFormat("<coroutine object %U at %p>", as_coroutine(self)->fn->qualname, self);
}

PyObject* get_name(PyObject* self, void*) noexcept { return Py_NewRef(as_coroutine(self)->fn->name); }
PyObject* get_qualname(PyObject* self, void*) noexcept { return Py_NewRef(as_coroutine(self)->fn->qualname); }
PyObject* get_running(PyObject* self, void*) noexcept {
    return PyBool_FromLong(as_coroutine(self)->state == State::Running);
}
PyObject* get_false(PyObject*, void*) noexcept { Py_RETURN_FALSE; }  // never suspended
PyObject* get_code(PyObject* self, void*) noexcept { return Py_NewRef(as_coroutine(self)->fn->code); }
PyObject* get_none(PyObject*, void*) noexcept { Py_RETURN_NONE; }

constexpr PyGetSetDef read_only(const char* name, getter get) { return {name, get, nullptr, nullptr, nullptr}; }

PyGetSetDef coroutine_getset[] = {
    read_only("__name__", get_name),    read_only("__qualname__", get_qualname),
    read_only("cr_running", get_running), read_only("cr_suspended", get_false),
    read_only("cr_code", get_code),     read_only("cr_await", get_none),
    read_only("cr_frame", get_none),    read_only("cr_origin", get_none),
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

PyTypeObject CoroutineType = {
    .ob_base = {PyObject_HEAD_INIT(nullptr) 0}, .tp_name = "tovane.kit.coroutine",
    .tp_basicsize = sizeof(CoroutineObject),
    .tp_dealloc = coroutine_dealloc,
    .tp_as_async = &coroutine_async,
    .tp_repr = coroutine_repr,
    .tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC,
    .tp_traverse = coroutine_traverse, .tp_clear = coroutine_clear,
    .tp_weaklistoffset = offsetof(CoroutineObject, weakrefs),
    .tp_methods = coroutine_methods,
    .tp_getset = coroutine_getset,
    .tp_finalize = coroutine_finalize,
};

PyObject* wrapped(PyObject* self) noexcept { return reinterpret_cast<WrapperObject*>(self)->coroutine; }

PyObject* wrapper_iternext(PyObject* self) noexcept { return coroutine_send(self, Py_None); }

int wrapper_traverse(PyObject* self, visitproc visit, void* arg) noexcept {
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(wrapped(self));
    return 0;
}

void wrapper_dealloc(PyObject* self) noexcept {
    PyObject_GC_UnTrack(self);
    Py_CLEAR(reinterpret_cast<WrapperObject*>(self)->coroutine);
    PyObject_GC_Del(self);
}

PyAsyncMethods wrapper_async = {nullptr, nullptr, nullptr, coroutine_am_send};

PyTypeObject WrapperType = {
    .ob_base = {PyObject_HEAD_INIT(nullptr) 0}, .tp_name = "tovane.kit.coroutine_wrapper",
    .tp_basicsize = sizeof(WrapperObject), .tp_dealloc = wrapper_dealloc,
    .tp_as_async = &wrapper_async,
    .tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC,
    .tp_traverse = wrapper_traverse,
    .tp_iter = PyObject_SelfIter, .tp_iternext = wrapper_iternext,
    .tp_methods = coroutine_methods,
};

PyObject* coroutine_await(PyObject* self) noexcept {
    WrapperObject* w = PyObject_GC_New(WrapperObject, &WrapperType);
    if (!w) return nullptr;
    w->coroutine = Py_NewRef(self);
    PyObject_GC_Track(w);
    return reinterpret_cast<PyObject*>(w);
}

bool g_ready = false;

}  // namespace

PyObject* make_coroutine(FunctionObject* fn, PyObject* const* slots) noexcept {
    Ref args = Ref::steal_or_null(PyTuple_New(fn->nslots));
    if (!args) return nullptr;
    for (int i = 0; i < fn->nslots; i++) PyTuple_SET_ITEM(args.get(), i, Py_NewRef(slots[i]));
    CoroutineObject* co = PyObject_GC_New(CoroutineObject, &CoroutineType);
    if (!co) return nullptr;
    co->fn = reinterpret_cast<FunctionObject*>(Py_NewRef(reinterpret_cast<PyObject*>(fn)));
    co->args = args.release();
    co->weakrefs = nullptr;
    co->state = State::Created;
    PyObject_GC_Track(co);
    return reinterpret_cast<PyObject*>(co);
}

void ready_coroutine_type() {
    if (g_ready) return;
    check(PyType_Ready(&CoroutineType));
    check(PyType_Ready(&WrapperType));
    g_ready = true;
}

PyTypeObject* coroutine_type_object() noexcept { return &CoroutineType; }

}  // namespace kit::detail
