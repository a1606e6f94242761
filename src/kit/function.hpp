// Python-level functions implemented in C++.
//
// A kit function is a real Python function as far as callers can tell: it has
// __name__, __qualname__, __module__, __doc__, __annotations__ (strings),
// __defaults__, __kwdefaults__, __dict__ and a genuine code object with the
// parameter counts, flags and names (inspect.signature and PySide's slot
// sizing read it); it binds to instances as types.MethodType and to classes
// as itself; its arguments are bound with CPython's rules and error messages.
//
// The C++ body receives the bound arguments, one slot per parameter in
// declaration order (the *args tuple and the **kwargs dict included), and
// returns a new reference or throws kit::Error.
#pragma once

#include "ref.hpp"

#include <string>
#include <vector>

namespace kit {

struct FunctionObject;

// The bound arguments of a call, borrowed for the duration of the call.
class Args {
public:
    Args(PyObject* const* v, std::size_t n, FunctionObject* fn) noexcept : v_(v), n_(n), fn_(fn) {}
    PyObject* operator[](std::size_t i) const noexcept { return v_[i]; }
    std::size_t size() const noexcept { return n_; }
    // The class whose body defined the function (what `__class__` is in a
    // Python method); NULL for module-level functions.
    PyObject* owner() const noexcept;
    // The object attached with FuncSpec::data (what a closure would capture).
    PyObject* data() const noexcept;
    FunctionObject* function() const noexcept { return fn_; }

private:
    PyObject* const* v_;
    std::size_t n_;
    FunctionObject* fn_;
};

using Impl = Ref (*)(const Args&);

// A default value, written as a C++ constant in the parameter list.
struct Default {
    enum Kind { Absent, NoneV, True, False, Int, Float, Str, Object } kind = Absent;
    long long i = 0;
    double d = 0;
    const char* s = nullptr;
    PyObject* o = nullptr;  // borrowed; the function keeps its own reference
    Ref make() const;
};
inline constexpr Default None{Default::NoneV};
inline Default Bool(bool b) { return Default{b ? Default::True : Default::False}; }
inline Default Int(long long v) { Default d{Default::Int}; d.i = v; return d; }
inline Default Float(double v) { Default d{Default::Float}; d.d = v; return d; }
inline Default Str(const char* v) { Default d{Default::Str}; d.s = v; return d; }
inline Default Obj(PyObject* v) { Default d{Default::Object}; d.o = v; return d; }

struct Param {
    enum Kind { Positional, KeywordOnly, VarPositional, VarKeyword };
    const char* name;
    Default dflt{};
    const char* annotation = nullptr;
    Kind kind = Positional;

    Param(const char* n) : name(n) {}
    Param(const char* n, Default d, const char* ann = nullptr) : name(n), dflt(d), annotation(ann) {}
    Param(const char* n, const char* ann) : name(n), annotation(ann) {}
};
inline Param KwOnly(const char* n, Default d = {}, const char* ann = nullptr) {
    Param p(n, d, ann);
    p.kind = Param::KeywordOnly;
    return p;
}
inline Param VarArgs(const char* n, const char* ann = nullptr) {
    Param p(n, Default{}, ann);
    p.kind = Param::VarPositional;
    return p;
}
inline Param VarKw(const char* n, const char* ann = nullptr) {
    Param p(n, Default{}, ann);
    p.kind = Param::VarKeyword;
    return p;
}

struct FuncSpec {
    const char* name;
    Impl impl;
    std::vector<Param> params;
    const char* doc = nullptr;
    const char* returns = nullptr;  // return annotation text, or NULL
    bool coroutine = false;         // an `async def`: calling returns a coroutine
    PyObject* data = nullptr;       // borrowed; reachable as Args::data()
};

// Build a function.  qualname defaults to the name; module and globals to the
// module being executed (module.hpp).
Ref make_function(const FuncSpec& spec, const std::string& qualname = {});

bool is_function(PyObject* o) noexcept;
// Record the defining class (the `__class__` cell of Python methods).
void set_owner(PyObject* function, PyObject* cls);

// The type objects, for tests and isinstance checks.
PyTypeObject* function_type();
PyTypeObject* coroutine_type();
void ready_types();

}  // namespace kit
