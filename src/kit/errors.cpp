#include "errors.hpp"

#include <cstdarg>

namespace kit {

void raise(PyObject* cls, const char* message) {
    PyErr_SetString(cls, message);
    throw Error{};
}

void raisef(PyObject* cls, const char* fmt, ...) {
    va_list va;
    va_start(va, fmt);
    PyObject* msg = PyUnicode_FromFormatV(fmt, va);
    va_end(va);
    if (msg) {
        PyErr_SetObject(cls, msg);
        Py_DECREF(msg);
    }
    throw Error{};
}

void raise_object(PyObject* exc) {
    if (PyExceptionInstance_Check(exc))
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exc)), exc);
    else
        PyErr_SetNone(exc);
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
    PyErr_SetRaisedException(Py_NewRef(exc_.get()));
    throw Error{};
}

}  // namespace kit
