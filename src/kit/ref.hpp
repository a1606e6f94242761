// Owning references and the small call/attribute vocabulary that module code
// is written in.  Every helper either returns a new reference or throws
// kit::Error with the Python error indicator set; the function trampoline
// (function.cpp) turns that back into a NULL return, so no C++ exception ever
// reaches the interpreter.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

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
    Ref& operator=(Ref o) noexcept {
        std::swap(p_, o.p_);
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

    PyObject* get() const noexcept { return p_; }
    operator PyObject*() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    PyObject* release() noexcept {
        PyObject* p = p_;
        p_ = nullptr;
        return p;
    }
    void reset() noexcept { Py_CLEAR(p_); }

private:
    PyObject* p_ = nullptr;
};

// --- interned names -----------------------------------------------------

// An interned, never freed string; used for attribute and keyword names.
PyObject* intern(const char* s);

// KIT_STR("name"): an interned string made once per call site.
#define KIT_STR(lit)                                          \
    ([]() -> PyObject* {                                      \
        static PyObject* kit_interned_ = ::kit::intern(lit);  \
        return kit_interned_;                                 \
    }())

// --- constants and conversions -----------------------------------------

inline Ref none() noexcept { return Ref::borrow(Py_None); }
inline Ref boolean(bool b) noexcept { return Ref::borrow(b ? Py_True : Py_False); }
inline Ref integer(long long v) { return Ref::steal(PyLong_FromLongLong(v)); }
inline Ref real(double v) { return Ref::steal(PyFloat_FromDouble(v)); }
inline Ref str(const char* s) { return Ref::steal(PyUnicode_FromString(s)); }
Ref str_of(PyObject* o);   // str(o)

bool truthy(PyObject* o);                         // bool(o)
bool isinstance(PyObject* o, PyObject* cls);      // isinstance(o, cls)
bool equals(PyObject* a, PyObject* b);            // a is b or a == b (as `in` and list.index compare)
bool contains(PyObject* container, PyObject* o);  // o in container
bool callable(PyObject* o);                       // callable(o)
long long as_long(PyObject* o);                   // int(o) of an int
bool is_number(PyObject* o);                      // isinstance(o, (int, float))
const char* type_name(PyObject* o);               // type(o).__name__ (utf-8, borrowed)

// --- attributes -----------------------------------------------------

Ref getattr(PyObject* o, PyObject* name);
Ref getattr(PyObject* o, const char* name);
// getattr(o, name, None) without the exception when the attribute is missing.
Ref getattr_or_null(PyObject* o, PyObject* name);
bool hasattr(PyObject* o, PyObject* name);
void setattr(PyObject* o, PyObject* name, PyObject* value);
void setattr(PyObject* o, const char* name, PyObject* value);

// --- item access ---------------------------------------------------------

// mapping.get(key[, dflt]) for any mapping with a get method (dict fast path).
Ref get(PyObject* mapping, PyObject* key, PyObject* dflt = Py_None);
Ref get(PyObject* mapping, const char* key, PyObject* dflt = Py_None);

// --- calls -------------------------------------------------------------

Ref call_array(PyObject* callable, PyObject* const* args, std::size_t n, PyObject* kwnames = nullptr);

template <class... A>
Ref call(PyObject* callable, const A&... args) {
    PyObject* argv[] = {nullptr, static_cast<PyObject*>(args)...};
    return call_array(callable, argv + 1, sizeof...(A));
}

// Keyword argument for call_kw.
struct Kw {
    const char* name;
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
template <class... A>
Ref call_method(PyObject* o, const char* name, const A&... args) {
    Ref n = Ref::steal(PyUnicode_InternFromString(name));
    return call_method(o, n.get(), args...);
}

// super(cls, self)
Ref super(PyObject* cls, PyObject* self);

// --- containers ------------------------------------------------------

Ref tuple(std::initializer_list<PyObject*> items);
Ref list(std::initializer_list<PyObject*> items);
Ref new_list();
void append(PyObject* list, PyObject* item);
Ref new_dict();

}  // namespace kit
