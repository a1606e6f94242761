#include "ref.hpp"

#include "errors.hpp"

#include <cstdarg>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

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

// A literal's address is fixed for the life of the program (Name takes
// nothing else), so it keys the interned str.
PyObject* Name::get() const {
    static std::unordered_map<const char*, PyObject*> interned;
    auto found = interned.find(text_);
    if (found != interned.end()) return found->second;
    PyObject* s = intern(text_);
    interned.emplace(text_, s);
    return s;
}

const char* utf8(PyObject* s) {
    if (!PyUnicode_Check(s))
        raisef(PyExc_TypeError, "expected a str, got %.200s", type_name(s));
    const char* text = PyUnicode_AsUTF8(s);
    if (!text) throw_error();
    return text;
}

// --- cached objects ----------------------------------------------------------

namespace {
std::vector<PyObject**>& cache_slots() {
    static std::vector<PyObject**> slots;
    return slots;
}
}  // namespace

void Cache::adopt(Ref made) {
    cache_slots().push_back(&p_);
    p_ = made.release();
}

void Held::set(PyObject* o) {
    if (!registered_) {
        cache_slots().push_back(&p_);
        registered_ = true;
    }
    Ref old = Ref::steal_or_null(p_);
    p_ = Ref::borrow(o).release();
}

Ref Held::take() noexcept {
    PyObject* p = p_;
    p_ = nullptr;
    return Ref::steal_or_null(p);
}

void release_caches() noexcept {
    // Clear the slots first, then drop the references: a destructor that
    // runs Python code finds every cache empty, not half torn down.
    std::vector<Ref> held;
    for (PyObject** slot : cache_slots()) {
        held.push_back(Ref::steal_or_null(*slot));
        *slot = nullptr;
    }
    cache_slots().clear();
    held.clear();
}

// --- conversions -----------------------------------------------------------

Ref str_of(PyObject* o) { return Ref::steal(PyObject_Str(o)); }

Ref strf(const char* fmt, ...) {
    va_list va;
    va_start(va, fmt);
    PyObject* s = PyUnicode_FromFormatV(fmt, va);
    va_end(va);
    return Ref::steal(s);
}

Ref id(PyObject* o) { return Ref::steal(PyLong_FromVoidPtr(o)); }

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

Ref qt_int(PyObject* o) {
    if (is_number(o)) return Ref::borrow(o);
    return Ref::steal(PyNumber_Index(o));
}

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

bool compare(PyObject* a, int op, PyObject* b) {
    Ref r = Ref::steal(PyObject_RichCompare(a, b, op));
    return truthy(r);
}

// --- attributes -------------------------------------------------------------

Ref getattr(PyObject* o, PyObject* name) { return Ref::steal(PyObject_GetAttr(o, name)); }

Ref getattr(PyObject* o, const char* name) { return Ref::steal(PyObject_GetAttrString(o, name)); }

Ref member(PyObject* owner, Name kind, Name name) { return getattr(getattr(owner, kind.get()), name.get()); }

Ref getattr_or_null(PyObject* o, PyObject* name) {
    PyObject* r = nullptr;
    check(PyObject_GetOptionalAttr(o, name, &r));
    return Ref::steal_or_null(r);
}

bool hasattr(PyObject* o, PyObject* name) { return check(PyObject_HasAttrWithError(o, name)) != 0; }

void setattr(PyObject* o, PyObject* name, PyObject* value) { check(PyObject_SetAttr(o, name, value)); }

void setattr(PyObject* o, const char* name, PyObject* value) { check(PyObject_SetAttrString(o, name, value)); }

PyObject* type_lookup(PyTypeObject* type, PyObject* name) {
#if PY_VERSION_HEX < 0x030E0000
    // The interpreter's own MRO lookup, behind its method cache: the private
    // _PyType_Lookup of CPython up to 3.13.  There is no public call that
    // looks a name up on the type without running descriptors; the walk
    // below is that lookup in public API, for versions without it.
    return _PyType_Lookup(type, name);
#else
    PyObject* mro = type->tp_mro;
    if (!mro) return nullptr;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(mro); i++) {
        Ref dict = Ref::steal(PyType_GetDict(reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(mro, i))));
        PyObject* found = PyDict_GetItemWithError(dict, name);  // borrowed, kept alive by the type
        if (found) return found;
        if (PyErr_Occurred()) throw_error();
    }
    return nullptr;
#endif
}

PyObject* instance_dict(PyObject* o) noexcept {
    // A type with a plain dict slot (Shiboken's and PySide's objects are such
    // types): read the slot, which never creates the dict.  Managed dicts
    // and variable-sized objects are not asked.
    PyTypeObject* type = Py_TYPE(o);
    if (type->tp_dictoffset <= 0 || (type->tp_flags & Py_TPFLAGS_MANAGED_DICT)) return nullptr;
    return *reinterpret_cast<PyObject**>(reinterpret_cast<char*>(o) + type->tp_dictoffset);
}

bool finds_method(PyObject* o, PyObject* name, PyObject* method) {
    if (Py_TYPE(o)->tp_flags & Py_TPFLAGS_MANAGED_DICT) return false;
    if (type_lookup(Py_TYPE(o), name) != method) return false;
    PyObject* dict = instance_dict(o);
    return !dict || !check(PyDict_Contains(dict, name));
}

Ref module_attr(const char* module, const char* name) {
    Ref m = Ref::steal(PyImport_ImportModule(module));
    return Ref::steal(PyObject_GetAttrString(m, name));
}

// --- items -----------------------------------------------------------------

Py_ssize_t len(PyObject* o) {
    Py_ssize_t n = PyObject_Size(o);
    if (n < 0) throw Error{};
    return n;
}

Ref get(PyObject* mapping, PyObject* key) {
    if (PyDict_CheckExact(mapping)) {
        PyObject* r = nullptr;
        if (check(PyDict_GetItemRef(mapping, key, &r)) == 0) return none();
        return Ref::steal(r);
    }
    return call_method(mapping, KIT_STR("get"), key);
}

Ref get(PyObject* mapping, PyObject* key, PyObject* dflt) {
    if (PyDict_CheckExact(mapping)) {
        PyObject* r = nullptr;
        if (check(PyDict_GetItemRef(mapping, key, &r)) == 0) return Ref::borrow(dflt);
        return Ref::steal(r);
    }
    return call_method(mapping, KIT_STR("get"), key, dflt);
}

Ref get(PyObject* mapping, Name key, PyObject* dflt) {
    return dflt == Py_None ? get(mapping, key.get()) : get(mapping, key.get(), dflt);
}

Ref item(PyObject* o, Py_ssize_t index) {
    Ref i = Ref::steal(PyLong_FromSsize_t(index));
    return item(o, i.get());
}

Ref drop_last(PyObject* s, Py_ssize_t n) {
    Ref stop = Ref::steal(PyLong_FromSsize_t(-n));
    Ref slice = Ref::steal(PySlice_New(nullptr, stop, nullptr));
    return item(s, slice.get());
}

bool endswith(PyObject* s, PyObject* suffix) { return truthy(call_method(s, KIT_STR("endswith"), suffix)); }

// --- calls -------------------------------------------------------------------

Ref call_array(PyObject* callable, PyObject* const* args, std::size_t n, PyObject* kwnames) {
    // args[-1] is writable scratch space in every caller of this helper.
    return Ref::steal(PyObject_Vectorcall(callable, args, n | PY_VECTORCALL_ARGUMENTS_OFFSET, kwnames));
}

namespace {

// callable(*positional, **keywords): the call's result, or NULL with the error set.
PyObject* vectorcall_kw(PyObject* callable, std::initializer_list<PyObject*> positional,
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
        names = Ref::steal_or_null(PyTuple_New(static_cast<Py_ssize_t>(nk)));
        if (!names) return nullptr;
        Py_ssize_t j = 0;
        for (const Kw& k : keywords) {
            PyTuple_SET_ITEM(names.get(), j++, Py_NewRef(k.name));
            argv[i++] = k.value;
        }
    }
    return PyObject_Vectorcall(callable, argv + 1, np | PY_VECTORCALL_ARGUMENTS_OFFSET, names.get());
}

}  // namespace

Ref call_kw(PyObject* callable, std::initializer_list<PyObject*> positional,
            std::initializer_list<Kw> keywords) {
    return Ref::steal(vectorcall_kw(callable, positional, keywords));
}

Ref call_kw(Except e, PyObject* callable, std::initializer_list<PyObject*> positional,
            std::initializer_list<Kw> keywords) {
    return steal_except(vectorcall_kw(callable, positional, keywords), e);
}

Ref call_tuple(PyObject* callable, PyObject* args, PyObject* kwargs) {
    return Ref::steal(PyObject_Call(callable, args, kwargs));
}

Ref super(PyObject* cls, PyObject* self) {
    return call(reinterpret_cast<PyObject*>(&PySuper_Type), cls, self);
}

Ref super_attr(PyObject* cls, PyObject* self, PyObject* name) { return getattr(super(cls, self), name); }

// --- containers -------------------------------------------------------------

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

Ref str_list(std::initializer_list<const char*> items) {
    Ref l = Ref::steal(PyList_New(static_cast<Py_ssize_t>(items.size())));
    Py_ssize_t i = 0;
    for (const char* s : items) PyList_SET_ITEM(l.get(), i++, str(s).release());
    return l;
}

Ref new_list() { return Ref::steal(PyList_New(0)); }

Ref new_list(Py_ssize_t size) {
    Ref out = Ref::steal(PyList_New(size));
    for (Py_ssize_t i = 0; i < size; i++) PyList_SET_ITEM(out.get(), i, Py_NewRef(Py_None));
    return out;
}

void set_item(PyObject* list, Py_ssize_t i, Ref value) {
    check(PyList_SetItem(list, i, value.release()));  // the list takes the reference, even on failure
}

void append(PyObject* l, PyObject* item) { check(PyList_Append(l, item)); }

Ref new_dict() { return Ref::steal(PyDict_New()); }

// --- iteration -------------------------------------------------------------

Iterate::Iterate(PyObject* iterable) : it_(Ref::steal(PyObject_GetIter(iterable))) {}

void Iterate::Step::next() {
    item_ = Ref::steal_or_null(PyIter_Next(it_));
    if (!item_ && PyErr_Occurred()) throw_error();
}

// --- expected failures -------------------------------------------------------

Ref steal_except(PyObject* result, Except e) {
    if (result) return Ref::steal(result);
    if (!PyErr_Occurred()) throw_error();  // a SystemError: no result and no error
    if (!PyErr_ExceptionMatches(e.cls)) throw Error{};
    PyErr_Clear();
    return Ref();
}

}  // namespace kit
