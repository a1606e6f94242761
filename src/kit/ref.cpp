#include "ref.hpp"

#include <cstring>
#include <memory>

namespace kit {

void throw_error() {
    if (!PyErr_Occurred())
        PyErr_SetString(PyExc_SystemError, "error return without exception set");
    throw Error{};
}

PyObject* intern(const char* s) {
    PyObject* o = PyUnicode_InternFromString(s);
    if (!o) throw_error();
    return o;
}

Ref str_of(PyObject* o) { return Ref::steal(PyObject_Str(o)); }

bool truthy(PyObject* o) {
    if (o == Py_True) return true;
    if (o == Py_False || o == Py_None) return false;
    return check(PyObject_IsTrue(o)) != 0;
}

bool isinstance(PyObject* o, PyObject* cls) { return check(PyObject_IsInstance(o, cls)) != 0; }

bool equals(PyObject* a, PyObject* b) { return check(PyObject_RichCompareBool(a, b, Py_EQ)) != 0; }

bool contains(PyObject* container, PyObject* o) { return check(PySequence_Contains(container, o)) != 0; }

bool callable(PyObject* o) { return PyCallable_Check(o) != 0; }

long long as_long(PyObject* o) {
    long long v = PyLong_AsLongLong(o);
    if (v == -1 && PyErr_Occurred()) throw_error();
    return v;
}

bool is_number(PyObject* o) { return PyLong_Check(o) || PyFloat_Check(o); }

const char* type_name(PyObject* o) {
    // type(o).__name__: a heap type's own name, else tp_name past its last dot
    // (both live as long as the type).
    PyTypeObject* t = Py_TYPE(o);
    if (t->tp_flags & Py_TPFLAGS_HEAPTYPE) {
        const char* name = PyUnicode_AsUTF8(reinterpret_cast<PyHeapTypeObject*>(t)->ht_name);
        if (name) return name;
        PyErr_Clear();
    }
    const char* dot = std::strrchr(t->tp_name, '.');
    return dot ? dot + 1 : t->tp_name;
}

Ref getattr(PyObject* o, PyObject* name) { return Ref::steal(PyObject_GetAttr(o, name)); }

Ref getattr(PyObject* o, const char* name) { return Ref::steal(PyObject_GetAttrString(o, name)); }

Ref getattr_or_null(PyObject* o, PyObject* name) {
    PyObject* r = nullptr;
    check(PyObject_GetOptionalAttr(o, name, &r));
    return Ref::steal_or_null(r);
}

bool hasattr(PyObject* o, PyObject* name) { return check(PyObject_HasAttrWithError(o, name)) != 0; }

void setattr(PyObject* o, PyObject* name, PyObject* value) { check(PyObject_SetAttr(o, name, value)); }

void setattr(PyObject* o, const char* name, PyObject* value) { check(PyObject_SetAttrString(o, name, value)); }

Ref get(PyObject* mapping, PyObject* key, PyObject* dflt) {
    if (PyDict_CheckExact(mapping)) {
        PyObject* r = nullptr;
        if (check(PyDict_GetItemRef(mapping, key, &r)) == 0) return Ref::borrow(dflt);
        return Ref::steal(r);
    }
    // mapping.get(key) when the default is None, as Python code writes it.
    if (dflt == Py_None) return call_method(mapping, KIT_STR("get"), key);
    return call_method(mapping, KIT_STR("get"), key, dflt);
}

Ref get(PyObject* mapping, const char* key, PyObject* dflt) {
    Ref k = Ref::steal(PyUnicode_FromString(key));
    return get(mapping, k.get(), dflt);
}

Ref call_array(PyObject* callable, PyObject* const* args, std::size_t n, PyObject* kwnames) {
    // args[-1] is writable scratch space in every caller of this helper.
    return Ref::steal(PyObject_Vectorcall(callable, args, n | PY_VECTORCALL_ARGUMENTS_OFFSET, kwnames));
}

Ref call_kw(PyObject* callable, std::initializer_list<PyObject*> positional,
            std::initializer_list<Kw> keywords) {
    const std::size_t np = positional.size(), nk = keywords.size();
    PyObject* small[17];
    PyObject** argv = small;
    std::unique_ptr<PyObject*[]> big;
    if (np + nk + 1 > 17) {
        big.reset(new PyObject*[np + nk + 1]);
        argv = big.get();
    }
    std::size_t i = 1;
    for (PyObject* p : positional) argv[i++] = p;
    Ref names;
    if (nk) {
        names = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(nk)));
        Py_ssize_t j = 0;
        for (const Kw& k : keywords) {
            PyTuple_SET_ITEM(names.get(), j++, Py_NewRef(intern(k.name)));
            argv[i++] = k.value;
        }
    }
    return Ref::steal(
        PyObject_Vectorcall(callable, argv + 1, np | PY_VECTORCALL_ARGUMENTS_OFFSET, names.get()));
}

Ref call_tuple(PyObject* callable, PyObject* args, PyObject* kwargs) {
    return Ref::steal(PyObject_Call(callable, args, kwargs));
}

Ref super(PyObject* cls, PyObject* self) {
    return call(reinterpret_cast<PyObject*>(&PySuper_Type), cls, self);
}

Ref tuple(std::initializer_list<PyObject*> items) {
    Ref t = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(items.size())));
    Py_ssize_t i = 0;
    for (PyObject* o : items) PyTuple_SET_ITEM(t.get(), i++, Py_NewRef(o));
    return t;
}

Ref list(std::initializer_list<PyObject*> items) {
    Ref l = Ref::steal(PyList_New(static_cast<Py_ssize_t>(items.size())));
    Py_ssize_t i = 0;
    for (PyObject* o : items) PyList_SET_ITEM(l.get(), i++, Py_NewRef(o));
    return l;
}

Ref new_list() { return Ref::steal(PyList_New(0)); }

void append(PyObject* l, PyObject* item) { check(PyList_Append(l, item)); }

Ref new_dict() { return Ref::steal(PyDict_New()); }

}  // namespace kit
