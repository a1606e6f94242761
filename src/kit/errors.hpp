// Raising and handling Python exceptions from C++ the way Python code does.
#pragma once

#include "ref.hpp"

namespace kit {

// raise exc: as Python's raise statement.  A class is called with no
// arguments, an instance raised as it is; anything else gives the
// interpreter's TypeError ("exceptions must derive from BaseException").
// The exception being handled, if any, becomes the __context__.
[[noreturn]] void raise(PyObject* exc);
// raise exc from cause (cause may be None).
[[noreturn]] void raise_from(PyObject* exc, PyObject* cause);
// raise cls(message), for the interpreter's own exception classes.
[[noreturn]] void raise(PyObject* cls, const char* message);
// raise cls(PyUnicode_FromFormat(fmt, ...))
[[noreturn]] void raisef(PyObject* cls, const char* fmt, ...);

// The check of a parameter that takes exactly one builtin type (no subclass,
// no None), as a compiled signature checks an argument typed `str` or `dict`:
//     TypeError: Argument 'name' has incorrect type (expected str, got NoneType)
inline void require_exact_type(PyObject* value, PyTypeObject* type, const char* name) {
    if (Py_IS_TYPE(value, type)) return;
    raisef(PyExc_TypeError, "Argument '%.200s' has incorrect type (expected %.200s, got %.200s)", name,
           type->tp_name, type_name(value));
}

// The binding hands Qt's event handlers None as a null pointer, and most of
// them crash on it.  A native that passes an event on to one refuses None
// first:  TypeError: ListItemButton.focusOutEvent() argument 'event' must be
// a QFocusEvent, not None
inline void refuse_none_event(PyObject* event, const char* where, const char* kind) {
    if (event == Py_None)
        raisef(PyExc_TypeError, "%.200s() argument 'event' must be a %.200s, not None", where, kind);
}

// Inside `catch (kit::Error&)`: true (and the error is cleared) when the
// pending exception is an instance of cls; false leaves it pending, so the
// caller rethrows.  The `except cls: pass` of Python.
bool clear_if(PyObject* cls);

// The body of an `except` clause.  Constructing one takes the pending
// exception and makes it the handled one (sys.exception()), so that anything
// raised inside the block -- by us or by Python code we call -- gets it as
// __context__, exactly as in Python.  Leaving the block restores the
// previously handled exception.
class Handling {
public:
    Handling();
    ~Handling();
    Handling(const Handling&) = delete;
    Handling& operator=(const Handling&) = delete;

    PyObject* exception() const noexcept { return exc_.get(); }
    bool matches(PyObject* cls) const noexcept;
    // `raise` with no argument: re-raise the handled exception.
    [[noreturn]] void reraise();

private:
    Ref exc_;
    Ref saved_;
};

}  // namespace kit
