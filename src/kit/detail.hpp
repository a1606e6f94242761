// The kit's own internals: shared by its source files, not for module code.
#pragma once

#include "function.hpp"

#include <string>
#include <vector>

namespace kit::detail {

struct FunctionObject {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    Impl invoke;
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
    // A def line with *args before keyword-only parameters: the body takes
    // *args right after the positional parameters, so the binder puts it
    // there (and the keyword-only ones after it).
    bool varargs_first;
};

// The slot the binder fills for a parameter, by its index in co_varnames
// (positional, keyword-only, *args, **kwargs).
inline int slot_of(const FunctionObject* fn, int index) noexcept {
    if (!fn->varargs_first || index < fn->argcount) return index;
    int total = fn->argcount + fn->kwonlycount;
    if (index < total) return index + 1;
    return index == total ? fn->argcount : index;
}

inline FunctionObject* as_function(PyObject* o) noexcept { return reinterpret_cast<FunctionObject*>(o); }

// --- the exception boundary ---------------------------------------------------

// Set the Python error for the C++ exception being handled (inside a catch
// block): kit::Error has set it already, std::bad_alloc is MemoryError, any
// other exception a SystemError naming `where` (a str).
void set_error_from_current_exception(PyObject* where) noexcept;

// Run f(); the one place where C++ exceptions stop.  False (with the Python
// error set) when f failed.
template <class F>
bool guarded(PyObject* where, F&& f) noexcept {
    try {
        f();
        return true;
    } catch (...) {
        set_error_from_current_exception(where);
        return false;
    }
}

// Run the function's body on bound slots: the recursion check, the
// boundary, and the check of what it returned.
PyObject* run_body(FunctionObject* fn, PyObject* const* slots) noexcept;

// Argument binding (binder.cpp): fills `slots` (borrowed references), keeping
// what it had to make in `made`.  False with the interpreter's TypeError set.
struct Made {
    explicit Made(const FunctionObject* fn) noexcept;
    Ref varargs;
    Ref varkw;
    Ref defaults;
    Ref kwdefaults;
    // The keyword-only defaults bound, held for the call: the dict they come
    // from is mutable, and the body may replace them (a tuple, made when one
    // is taken).
    Ref kwonly_held;
};

// Hold the defaults for the duration of the call: the body may replace them.
inline Made::Made(const FunctionObject* fn) noexcept
    : defaults(Ref::borrow(fn->defaults)), kwdefaults(Ref::borrow(fn->kwdefaults)) {}
bool bind(FunctionObject* fn, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** slots,
          Made& made) noexcept;

// A coroutine over a coroutine function's bound arguments (coroutine.cpp).
PyObject* make_coroutine(FunctionObject* fn, PyObject* const* slots) noexcept;

void ready_types();
void ready_coroutine_type();
PyTypeObject* function_type_object() noexcept;
PyTypeObject* coroutine_type_object() noexcept;

// Record the defining class (the `__class__` cell of Python methods).
void set_owner(PyObject* function, PyObject* cls);

// --- signatures ---------------------------------------------------------------

struct ParamShape {
    std::string name;
    Param::Kind kind = Param::Positional;
    Ref dflt;        // NULL: no default
    Ref annotation;  // NULL: none
};

struct Shape {
    std::string name;
    std::vector<ParamShape> params;
    Ref returns;  // NULL: no return annotation
    bool coroutine = false;
    Ref doc;
    Ref data;
    Impl invoke = nullptr;
    // The body takes its parameters in the order of `params` (a def line);
    // otherwise in slot order (Args).
    bool body_in_param_order = false;
};

// Read a def line ("async def f(self, x: int = 1, *args, **kwargs) -> str").
Shape parse_def_line(const char* line);
Ref build_function(const Shape& shape, const std::string& qualname);

// --- the module frame ---------------------------------------------------------

struct ModuleState;
PyObject* current_short_name() noexcept;
PyObject* current_globals() noexcept;

}  // namespace kit::detail
