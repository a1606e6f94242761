// Owning references and the small call/attribute vocabulary that module code
// is written in.  Every helper either returns a new reference or throws
// kit::Error with the Python error indicator set; the exception boundary of
// the function trampoline and of the module's execution step turns that back
// into a NULL return, so no C++ exception ever reaches the interpreter.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "platform.hpp"

#include <cstddef>
#include <initializer_list>
#include <utility>

namespace kit {

// Thrown when a Python error is set.  Carries nothing: the error lives in the
// interpreter's error indicator, exactly where Python code would find it.
struct Error {};

[[noreturn]] void throw_error();

// Turn a C API result into an exception.
inline PyObject* check(PyObject* o) {
    if (!o) throw_error();
    return o;
}
inline int check(int r) {
    if (r < 0) throw_error();
    return r;
}

class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    Ref(const Ref& o) noexcept : p_(o.p_) { Py_XINCREF(p_); }
    Ref(Ref&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ~Ref() { Py_XDECREF(p_); }
    Ref& operator=(const Ref& o) noexcept {
        Py_XINCREF(o.p_);
        PyObject* old = p_;
        p_ = o.p_;
        Py_XDECREF(old);
        return *this;
    }
    Ref& operator=(Ref&& o) noexcept {
        PyObject* old = p_;
        p_ = o.p_;
        o.p_ = nullptr;
        Py_XDECREF(old);
        return *this;
    }

    // Take ownership of a new reference; NULL means a Python error is set.
    static Ref steal(PyObject* p) {
        Ref r;
        r.p_ = check(p);
        return r;
    }
    // Take ownership of a new reference that may legitimately be NULL.
    static Ref steal_or_null(PyObject* p) noexcept {
        Ref r;
        r.p_ = p;
        return r;
    }
    static Ref borrow(PyObject* p) noexcept {
        Ref r;
        r.p_ = p;
        Py_XINCREF(p);
        return r;
    }

    // The pointer is borrowed from this Ref: a compiler that tracks lifetimes
    // refuses to keep it past a temporary Ref (the reference would be gone).
    PyObject* get() const noexcept KIT_LIFETIMEBOUND { return p_; }
    operator PyObject*() const noexcept KIT_LIFETIMEBOUND { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // Hand the reference over (to CPython, which takes ownership).
    [[nodiscard]] PyObject* release() noexcept {
        PyObject* p = p_;
        p_ = nullptr;
        return p;
    }
    void reset() noexcept { Py_CLEAR(p_); }

private:
    PyObject* p_ = nullptr;
};

// --- interned names and cached objects ---------------------------------

// An interned, never freed string; used for attribute and keyword names.
PyObject* intern(const char* s);

// KIT_STR("name"): an interned string made once per call site.
#define KIT_STR(lit)                                          \
    ([]() -> PyObject* {                                      \
        static PyObject* kit_interned_ = ::kit::intern(lit);  \
        return kit_interned_;                                 \
    }())

// A name written as a string literal where the kit takes one (keyword
// arguments, mapping keys): interned once per literal, never per call.  Only
// a literal (a constant) converts; a name made at run time is a str.
class Name {
public:
    consteval Name(const char* text) : text_(text) {}
    const char* text() const noexcept { return text_; }
    // The interned str (borrowed, never freed).
    PyObject* get() const;

private:
    const char* text_;
};

// The UTF-8 text of a str (borrowed from it): UnicodeEncodeError for a str
// that has none (a lone surrogate), TypeError for anything else.
const char* utf8(PyObject* s);

// One object made on first use and kept for the life of the module.  The
// maker runs again after a failure (nothing is kept then); what is kept is
// released when the interpreter shuts down, or when the module's execution
// fails (it then belongs to an interpreter that may not last).
class Cache {
public:
    template <class Make>
    PyObject* get(Make&& make) {
        if (!p_) adopt(make());
        return p_;
    }

private:
    void adopt(Ref made);
    PyObject* p_ = nullptr;
    friend void release_caches() noexcept;
};
void release_caches() noexcept;

// A reference a module keeps in a static between calls (set and taken, not
// made once as a Cache): what it holds when the interpreter exits is
// released with the cached objects, never by a static destructor, which
// would run after the interpreter is gone.
class Held {
public:
    void set(PyObject* o);  // keeps its own reference
    Ref take() noexcept;    // what it held (NULL when nothing), leaving it empty
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    PyObject* p_ = nullptr;
    bool registered_ = false;
};

// KIT_CACHED(expr): expr (a Ref) evaluated once per call site; the result is
// a borrowed reference that stays valid while the module lives.
#define KIT_CACHED(...)                                                            \
    ([&]() -> PyObject* {                                                          \
        static ::kit::Cache kit_cache_;                                            \
        return kit_cache_.get([&]() -> ::kit::Ref { return (__VA_ARGS__); });      \
    }())

// --- constants and conversions -----------------------------------------

inline Ref none() noexcept { return Ref::borrow(Py_None); }
inline Ref boolean(bool b) noexcept { return Ref::borrow(b ? Py_True : Py_False); }
inline Ref integer(long long v) { return Ref::steal(PyLong_FromLongLong(v)); }
inline Ref real(double v) { return Ref::steal(PyFloat_FromDouble(v)); }
inline Ref str(const char* s) { return Ref::steal(PyUnicode_FromString(s)); }
Ref str_of(PyObject* o);                 // str(o)
Ref strf(const char* fmt, ...);          // PyUnicode_FromFormat(fmt, ...)
Ref id(PyObject* o);                     // id(o)

bool truthy(PyObject* o);                         // bool(o)
bool isinstance(PyObject* o, PyObject* cls);      // isinstance(o, cls)
bool equals(PyObject* a, PyObject* b);            // a is b or a == b (as `in` and list.index compare)
bool contains(PyObject* container, PyObject* o);  // o in container
bool callable(PyObject* o);                       // callable(o)
long long as_long(PyObject* o);                   // int(o) of an int
bool is_number(PyObject* o);                      // isinstance(o, (int, float))
// A value for an int parameter of a Qt call, as the binding takes it: an int
// or a float as it is, anything else through operator.index(), whose error is
// raised here.  The binding's own error path for an object that fails the
// conversion and cannot be shown as text crashes (README, Known issues).
Ref qt_int(PyObject* o);
const char* type_name(PyObject* o);               // type(o).__name__ (utf-8, borrowed)

// --- operators, with Python's semantics ----------------------------------

// bool(a <op> b): the full rich comparison of the operator, then its truth
// (no identity shortcut: nan == nan is False, as in `if a == b`).
bool compare(PyObject* a, int op, PyObject* b);
inline bool eq(PyObject* a, PyObject* b) { return compare(a, Py_EQ, b); }
inline bool ne(PyObject* a, PyObject* b) { return compare(a, Py_NE, b); }
inline bool lt(PyObject* a, PyObject* b) { return compare(a, Py_LT, b); }
inline bool le(PyObject* a, PyObject* b) { return compare(a, Py_LE, b); }
inline bool gt(PyObject* a, PyObject* b) { return compare(a, Py_GT, b); }
inline bool ge(PyObject* a, PyObject* b) { return compare(a, Py_GE, b); }

inline Ref add(PyObject* a, PyObject* b) { return Ref::steal(PyNumber_Add(a, b)); }
inline Ref sub(PyObject* a, PyObject* b) { return Ref::steal(PyNumber_Subtract(a, b)); }
inline Ref mul(PyObject* a, PyObject* b) { return Ref::steal(PyNumber_Multiply(a, b)); }
inline Ref truediv(PyObject* a, PyObject* b) { return Ref::steal(PyNumber_TrueDivide(a, b)); }
inline Ref floordiv(PyObject* a, PyObject* b) { return Ref::steal(PyNumber_FloorDivide(a, b)); }
inline Ref to_int(PyObject* o) { return Ref::steal(PyNumber_Long(o)); }      // int(o)
inline Ref to_float(PyObject* o) { return Ref::steal(PyNumber_Float(o)); }   // float(o)

// --- attributes -----------------------------------------------------

Ref getattr(PyObject* o, PyObject* name);
[[deprecated("makes a str per call: use KIT_STR(name)")]] Ref getattr(PyObject* o, const char* name);
// owner.kind.name, looked up at each call: a member of an enum a class holds,
//     member(KIT_GLOBAL("Qt"), "SortOrder", "AscendingOrder")   # Qt.SortOrder.AscendingOrder
Ref member(PyObject* owner, Name kind, Name name);
// getattr(o, name, None) without the exception when the attribute is missing.
Ref getattr_or_null(PyObject* o, PyObject* name);
bool hasattr(PyObject* o, PyObject* name);
void setattr(PyObject* o, PyObject* name, PyObject* value);
[[deprecated("makes a str per call: use KIT_STR(name)")]] void setattr(PyObject* o, const char* name,
                                                                        PyObject* value);

// The attribute `name` as the type's MRO holds it (no descriptor is run),
// borrowed; NULL when no class defines it.
PyObject* type_lookup(PyTypeObject* type, PyObject* name);
// The instance's own __dict__ when it has one already (borrowed), else NULL.
PyObject* instance_dict(PyObject* o) noexcept;
// Whether o.name finds `method` (an attribute as a class holds it, such as a
// method of a compiled base): the MRO of o's class holds that very object
// under `name` and o's own __dict__ does not shadow it.  Tells whether a
// subclass or the instance overrides a method.  An object whose dict is
// managed by the interpreter is not looked into: the answer is false.
bool finds_method(PyObject* o, PyObject* name, PyObject* method);

// getattr(importlib.import_module(module), name): a name of a module that the
// calling module does not bind as a global (cache it with KIT_CACHED).
Ref module_attr(const char* module, const char* name);

// --- item access ---------------------------------------------------------

// len(o), as a C++ size and as a Python int
Py_ssize_t len(PyObject* o);
inline Ref length(PyObject* o) { return Ref::steal(PyLong_FromSsize_t(len(o))); }

// mapping.get(key) and mapping.get(key, dflt), as written in Python: any
// object with a get method (dict fast path).
Ref get(PyObject* mapping, PyObject* key);
Ref get(PyObject* mapping, PyObject* key, PyObject* dflt);
Ref get(PyObject* mapping, Name key, PyObject* dflt = Py_None);
// o[key]
inline Ref item(PyObject* o, PyObject* key) { return Ref::steal(PyObject_GetItem(o, key)); }
Ref item(PyObject* o, Py_ssize_t index);
// s[:-n] (n > 0)
Ref drop_last(PyObject* s, Py_ssize_t n);
// s.endswith(suffix), through the object's own method as Python does
bool endswith(PyObject* s, PyObject* suffix);

// --- calls -------------------------------------------------------------

Ref call_array(PyObject* callable, PyObject* const* args, std::size_t n, PyObject* kwnames = nullptr);

template <class... A>
Ref call(PyObject* callable, const A&... args) {
    PyObject* argv[] = {nullptr, static_cast<PyObject*>(args)...};
    return call_array(callable, argv + 1, sizeof...(A));
}

// Keyword argument for call_kw: {"name", value} (a literal name, interned
// once) or {KIT_STR("name"), value}.
struct Kw {
    Kw(Name n, PyObject* v) : name(n.get()), value(v) {}
    Kw(PyObject* n, PyObject* v) noexcept : name(n), value(v) {}
    PyObject* name;
    PyObject* value;
};

// callable(*positional, **keywords)
Ref call_kw(PyObject* callable, std::initializer_list<PyObject*> positional,
            std::initializer_list<Kw> keywords);
// callable(*tuple, **dict) with a tuple and a dict (dict may be NULL).
Ref call_tuple(PyObject* callable, PyObject* args, PyObject* kwargs);

// callable(*args, name=value, ..., **kwargs): the interpreter's unpacking,
// with its errors (not an iterable, not a mapping, a keyword given twice).
// kwargs may be NULL.
Ref call_unpacked(PyObject* callable, PyObject* args, std::initializer_list<Kw> keywords, PyObject* kwargs);

// o.name(*args)
template <class... A>
Ref call_method(PyObject* o, PyObject* name, const A&... args) {
    PyObject* argv[] = {o, static_cast<PyObject*>(args)...};
    return Ref::steal(PyObject_VectorcallMethod(
        name, argv, (1 + sizeof...(A)) | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
}

// super(cls, self), and super(cls, self).name
Ref super(PyObject* cls, PyObject* self);
Ref super_attr(PyObject* cls, PyObject* self, PyObject* name);

// --- containers ------------------------------------------------------

Ref tuple(std::initializer_list<PyObject*> items);
Ref list(std::initializer_list<PyObject*> items);
template <class... A>
Ref tuple_of(const A&... items) {
    return tuple({static_cast<PyObject*>(items)...});
}
template <class... A>
Ref list_of(const A&... items) {
    return list({static_cast<PyObject*>(items)...});
}
// A list of str made from C strings.
Ref str_list(std::initializer_list<const char*> items);
Ref new_list();
// [None] * size, to be filled with set_item
Ref new_list(Py_ssize_t size);
// list[i] = value, for a list made by new_list(size) (IndexError past its end)
void set_item(PyObject* list, Py_ssize_t i, Ref value);
void append(PyObject* list, PyObject* item);
Ref new_dict();

// --- iteration -----------------------------------------------------------

// for (Ref item : iterate(iterable)) { ... }: Python's for statement.  iter()
// is called once; each step is next(), whose end ends the loop and whose
// error is thrown (never mistaken for the end).
class Iterate {
public:
    explicit Iterate(PyObject* iterable);

    class Step {
    public:
        explicit Step(PyObject* it) : it_(it) { next(); }
        Step() noexcept = default;
        Ref& operator*() noexcept { return item_; }
        Step& operator++() {
            next();
            return *this;
        }
        bool operator!=(const Step& other) const noexcept { return item_.get() != other.item_.get(); }

    private:
        void next();
        PyObject* it_ = nullptr;
        Ref item_;
    };

    Step begin() { return Step(it_.get()); }
    Step end() noexcept { return Step(); }

private:
    Ref it_;
};
inline Iterate iterate(PyObject* iterable) { return Iterate(iterable); }

// --- expected failures ---------------------------------------------------

// An operation whose failure is expected and handled by giving a value,
//     try:
//         x = float(text)
//     except ValueError:
//         x = None
// written   Ref x = to_float(text, except(PyExc_ValueError));   and tested
// for NULL: the error is cleared without a C++ throw, which costs more than
// the operation.  Any other error is thrown as usual.  (A handler that
// raises or calls Python code keeps the try/catch with a Handling, which
// gives what it raises its context.)
struct Except {
    PyObject* cls;
};
inline Except except(PyObject* cls) noexcept { return Except{cls}; }

// The result of a C API call: a new reference, or NULL when it failed with
// an instance of e.cls (the error cleared).
Ref steal_except(PyObject* result, Except e);

inline Ref to_float(PyObject* o, Except e) { return steal_except(PyNumber_Float(o), e); }
inline Ref to_int(PyObject* o, Except e) { return steal_except(PyNumber_Long(o), e); }

template <class... A>
Ref call(Except e, PyObject* callable, const A&... args) {
    PyObject* argv[] = {nullptr, static_cast<PyObject*>(args)...};
    return steal_except(PyObject_Vectorcall(callable, argv + 1, sizeof...(A) | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                            nullptr),
                        e);
}

template <class... A>
Ref call_method(Except e, PyObject* o, PyObject* name, const A&... args) {
    PyObject* argv[] = {o, static_cast<PyObject*>(args)...};
    return steal_except(
        PyObject_VectorcallMethod(name, argv, (1 + sizeof...(A)) | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr), e);
}

Ref call_kw(Except e, PyObject* callable, std::initializer_list<PyObject*> positional,
            std::initializer_list<Kw> keywords);

}  // namespace kit
