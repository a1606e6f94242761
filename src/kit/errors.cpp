#include "errors.hpp"

#include <cstdarg>

namespace kit {

namespace {

// The instance a raise statement raises for `exc` (ceval's do_raise).
Ref raisable(PyObject* exc) {
    if (PyExceptionClass_Check(exc)) {
        Ref value = Ref::steal(PyObject_CallNoArgs(exc));
        if (!PyExceptionInstance_Check(value.get()))
            raisef(PyExc_TypeError, "calling %R should have returned an instance of BaseException, not %R", exc,
                   reinterpret_cast<PyObject*>(Py_TYPE(value.get())));
        return value;
    }
    if (PyExceptionInstance_Check(exc)) return Ref::borrow(exc);
    raise(PyExc_TypeError, "exceptions must derive from BaseException");
}

[[noreturn]] void set_raised(PyObject* value) {
    // PyErr_SetObject chains the exception being handled as __context__.
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(value)), value);
    throw Error{};
}

}  // namespace

void raise(PyObject* exc) {
    Ref value = raisable(exc);
    set_raised(value);
}

void raise_from(PyObject* exc, PyObject* cause) {
    Ref value = raisable(exc);
    Ref fixed;
    if (PyExceptionClass_Check(cause)) {
        fixed = Ref::steal(PyObject_CallNoArgs(cause));
        if (!PyExceptionInstance_Check(fixed.get()))
            raisef(PyExc_TypeError, "calling %R should have returned an instance of BaseException, not %R", cause,
                   reinterpret_cast<PyObject*>(Py_TYPE(fixed.get())));
    } else if (PyExceptionInstance_Check(cause)) {
        fixed = Ref::borrow(cause);
    } else if (cause != Py_None) {
        raise(PyExc_TypeError, "exception causes must derive from BaseException");
    }
    // Steals the cause and sets __suppress_context__, as `from` does.
    PyException_SetCause(value, fixed.release());
    set_raised(value);
}

void raise(PyObject* cls, const char* message) {
    PyErr_SetString(cls, message);
    throw Error{};
}

void raisef(PyObject* cls, const char* fmt, ...) {
    va_list va;
    va_start(va, fmt);
    Ref msg = Ref::steal_or_null(PyUnicode_FromFormatV(fmt, va));
    va_end(va);
    if (msg) PyErr_SetObject(cls, msg);
    throw Error{};
}

bool clear_if(PyObject* cls) {
    if (!PyErr_ExceptionMatches(cls)) return false;
    PyErr_Clear();
    return true;
}

Handling::Handling()
    : exc_(Ref::steal_or_null(PyErr_GetRaisedException())),
      saved_(Ref::steal_or_null(PyErr_GetHandledException())) {
    PyErr_SetHandledException(exc_.get());
}

Handling::~Handling() { PyErr_SetHandledException(saved_.get()); }

bool Handling::matches(PyObject* cls) const noexcept {
    return exc_ && PyErr_GivenExceptionMatches(exc_.get(), cls);
}

void Handling::reraise() {
    PyErr_SetRaisedException(Ref(exc_).release());
    throw Error{};
}

}  // namespace kit
