// The function type: calling, binding as a method, and the attributes
// Python functions have.
#include "detail.hpp"

#include "errors.hpp"
#include "platform.hpp"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>

namespace kit {

PyObject* Frame::owner() const noexcept { return fn_ ? fn_->owner : nullptr; }
PyObject* Frame::data() const noexcept { return fn_ ? fn_->data : nullptr; }

Ref Frame::super(PyObject* self) const {
    PyObject* cls = owner();
    if (!cls) raise(PyExc_RuntimeError, "super(): __class__ cell not found");
    return kit::super(cls, self);
}

Ref Frame::super_attr(PyObject* self, PyObject* name) const { return getattr(super(self), name); }

void Args::wrong_unpack(std::size_t wanted) const {
    raisef(PyExc_SystemError, "%U(): the body unpacks %zu arguments but the function has %zu parameters",
           fn_ ? fn_->qualname : Py_None, wanted, n_);
}

namespace detail {

void set_error_from_current_exception(PyObject* where) noexcept {
    try {
        throw;
    } catch (const Error&) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "error return without exception set");
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_Format(PyExc_SystemError, "%U: C++ exception: %s", where, e.what());
    } catch (...) {
        PyErr_Format(PyExc_SystemError, "%U: unknown C++ exception", where);
    }
}

namespace {

// Python functions meet the interpreter's recursion limit through their
// frames; native bodies that call each other with no Python frame between
// them keep a count of their own against the same limit, and also enter the
// interpreter's C-level check, so deep native recursion is a RecursionError
// and never a stack overflow.  The first few levels are not checked: that
// keeps both calls into the interpreter off the common path.
//
// Neither count knows how much stack a level takes: a native level with the
// binding's frames under it can take more than the interpreter budgets for
// one of its C levels, and a raised sys.setrecursionlimit lets the count go
// on until the C-level limit.  So a deep level also checks the stack itself
// and refuses when less than a margin is left.
KIT_TLS_INITIAL_EXEC thread_local int native_depth = 0;
constexpr int kUncheckedDepth = 16;

constexpr std::size_t kStackMargin = KIT_ASAN ? 1024 * 1024 : 256 * 1024;  // instrumented frames are larger

// The lowest address this thread's stack may reach before the margin: 0
// when the thread's stack cannot be told (no check then), 1 before it was asked.
KIT_TLS_INITIAL_EXEC thread_local std::uintptr_t stack_floor = 1;

KIT_COLD std::uintptr_t find_stack_floor() noexcept {
    std::uintptr_t low = 0, high = 0;
    if (!platform::thread_stack_bounds(low, high)) return 0;
    return low + std::min<std::uintptr_t>(kStackMargin, (high - low) / 4);
}

bool stack_exhausted() noexcept {
    if (stack_floor == 1) stack_floor = find_stack_floor();
    return platform::stack_position() < stack_floor;
}

class Depth {
public:
    Depth() noexcept { ++native_depth; }
    ~Depth() {
        if (c_level_) Py_LeaveRecursiveCall();
        --native_depth;
    }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;
    bool ok() noexcept { return native_depth <= kUncheckedDepth || deep(); }

private:
    KIT_NOINLINE bool deep() noexcept {
        if (native_depth > Py_GetRecursionLimit() || stack_exhausted()) {
            PyErr_SetString(PyExc_RecursionError, "maximum recursion depth exceeded");
            return false;
        }
        if (Py_EnterRecursiveCall(" while calling a Python object")) return false;
        c_level_ = true;
        return true;
    }
    bool c_level_ = false;
};

KIT_COLD PyObject* result_with_error(FunctionObject* fn, PyObject* result) noexcept {
    // A result with an error pending is a bug in the body: report it as the
    // interpreter does for C functions, never drop the error.
    Ref::steal_or_null(result).reset();
    Ref cause = Ref::steal_or_null(PyErr_GetRaisedException());
    PyErr_Format(PyExc_SystemError, "%U() returned a result with an exception set", fn->qualname);
    Ref exc = Ref::steal_or_null(PyErr_GetRaisedException());
    PyException_SetCause(exc, Ref(cause).release());
    PyException_SetContext(exc, cause.release());
    PyErr_SetRaisedException(exc.release());
    return nullptr;
}

KIT_COLD PyObject* null_without_error(FunctionObject* fn) noexcept {
    PyErr_Format(PyExc_SystemError, "%U() returned NULL without setting an exception", fn->qualname);
    return nullptr;
}

}  // namespace

PyObject* run_body(FunctionObject* fn, PyObject* const* slots) noexcept {
    Depth depth;
    if (!depth.ok()) return nullptr;
    PyObject* result = nullptr;
    if (!guarded(fn->qualname, [&] {
            result = fn->invoke(Args(slots, static_cast<std::size_t>(fn->nslots), fn)).release();
        }))
        return nullptr;
    if (!result) return PyErr_Occurred() ? nullptr : null_without_error(fn);
    if (PyErr_Occurred()) return result_with_error(fn, result);
    return result;
}

namespace {

extern PyTypeObject FunctionType;

PyObject* dispatch(FunctionObject* fn, PyObject* const* slots) noexcept {
    if (fn->coroutine) return make_coroutine(fn, slots);
    return run_body(fn, slots);
}

constexpr int kStackSlots = 32;

// The whole call path (binding, the recursion check, the boundary) inlined into one function.
KIT_FLATTEN PyObject* function_vectorcall(PyObject* self, PyObject* const* args, size_t nargsf,
                                              PyObject* kwnames) noexcept {
    FunctionObject* fn = as_function(self);
    Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    // Fast path: exactly the positional parameters, nothing else to bind.
    if (!kwnames && nargs == fn->argcount && fn->nslots == fn->argcount) return dispatch(fn, args);

    PyObject* stack[kStackSlots];
    std::unique_ptr<PyObject*[]> heap;
    PyObject** slots = stack;
    if (fn->nslots > kStackSlots) {
        heap.reset(new (std::nothrow) PyObject*[fn->nslots]);
        if (!heap) return PyErr_NoMemory();
        slots = heap.get();
    }
    Made made(fn);
    if (!bind(fn, args, nargs, kwnames, slots, made)) return nullptr;
    return dispatch(fn, slots);
}

// The references a function owns; name, qualname and varnames are kept
// until the function is freed (error messages read them), the others are
// dropped when the collector breaks a cycle.
PyObject* FunctionObject::* const kKeptMembers[] = {&FunctionObject::name, &FunctionObject::qualname,
                                                    &FunctionObject::varnames};
PyObject* FunctionObject::* const kClearedMembers[] = {
    &FunctionObject::module,     &FunctionObject::doc,  &FunctionObject::annotations, &FunctionObject::defaults,
    &FunctionObject::kwdefaults, &FunctionObject::code, &FunctionObject::globals,     &FunctionObject::owner,
    &FunctionObject::data,       &FunctionObject::dict};

int function_traverse(PyObject* self, visitproc visit, void* arg) noexcept {
    FunctionObject* f = as_function(self);
    Py_VISIT(Py_TYPE(self));
    for (auto member : kKeptMembers) Py_VISIT(f->*member);
    for (auto member : kClearedMembers) Py_VISIT(f->*member);
    return 0;
}

int function_clear(PyObject* self) noexcept {
    FunctionObject* f = as_function(self);
    for (auto member : kClearedMembers) Py_CLEAR(f->*member);
    return 0;
}

void function_dealloc(PyObject* self) noexcept {
    PyObject_GC_UnTrack(self);
    FunctionObject* f = as_function(self);
    if (f->weakrefs) PyObject_ClearWeakRefs(self);
    function_clear(self);
    for (auto member : kKeptMembers) Py_CLEAR(f->*member);
    PyObject_GC_Del(self);
}

PyObject* function_repr(PyObject* self) noexcept {
    return PyUnicode_FromFormat("<function %U at %p>", as_function(self)->qualname, self);
}

PyObject* function_descr_get(PyObject* self, PyObject* obj, PyObject* /*type*/) noexcept {
    if (obj == nullptr || obj == Py_None) return Py_NewRef(self);
    return PyMethod_New(self, obj);
}

// A PyObject* field of the function, None when unset.
PyObject** field(PyObject* self, void* offset) noexcept {
    return reinterpret_cast<PyObject**>(reinterpret_cast<char*>(self) + reinterpret_cast<std::size_t>(offset));
}

PyObject* get_field(PyObject* self, void* offset) noexcept {
    PyObject* v = *field(self, offset);
    return Py_NewRef(v ? v : Py_None);
}

int set_name_field(PyObject* self, PyObject* value, void* offset) noexcept {
    PyObject** slot = field(self, offset);
    const char* what = slot == &as_function(self)->name ? "__name__" : "__qualname__";
    if (!value || !PyUnicode_Check(value)) {
        PyErr_Format(PyExc_TypeError, "%s must be set to a string object", what);
        return -1;
    }
    Py_SETREF(*slot, Py_NewRef(value));
    return 0;
}

int set_doc(PyObject* self, PyObject* value, void*) noexcept {
    Py_XSETREF(as_function(self)->doc, Py_NewRef(value ? value : Py_None));
    return 0;
}

// __defaults__, __kwdefaults__ and __annotations__: None (unset) or an
// object of one type.  As for Python functions, defaults may outnumber the
// positional parameters: the last ones are bound.
struct OptionalField {
    PyObject* FunctionObject::* member;
    PyTypeObject* type;
    const char* message;
};
const OptionalField kDefaults{&FunctionObject::defaults, &PyTuple_Type, "__defaults__ must be set to a tuple object"};
const OptionalField kKwdefaults{&FunctionObject::kwdefaults, &PyDict_Type,
                                "__kwdefaults__ must be set to a dict object"};
const OptionalField kAnnotations{&FunctionObject::annotations, &PyDict_Type,
                                 "__annotations__ must be set to a dict object"};

int set_optional(PyObject* self, PyObject* value, void* closure) noexcept {
    const OptionalField& field = *static_cast<const OptionalField*>(closure);
    FunctionObject* f = as_function(self);
    if (value == Py_None) value = nullptr;
    if (value && !PyObject_TypeCheck(value, field.type)) {
        PyErr_SetString(PyExc_TypeError, field.message);
        return -1;
    }
    Py_XSETREF(f->*field.member, Py_XNewRef(value));
    return 0;
}

PyObject* get_optional(PyObject* self, void* closure) noexcept {
    PyObject* v = as_function(self)->*static_cast<const OptionalField*>(closure)->member;
    return Py_NewRef(v ? v : Py_None);
}

PyObject* get_annotations(PyObject* self, void*) noexcept {
    FunctionObject* f = as_function(self);
    if (!f->annotations) {
        f->annotations = PyDict_New();
        if (!f->annotations) return nullptr;
    }
    return Py_NewRef(f->annotations);
}

PyObject* get_none(PyObject*, void*) noexcept { Py_RETURN_NONE; }
PyObject* get_empty_tuple(PyObject*, void*) noexcept { return PyTuple_New(0); }

PyObject* get_builtins(PyObject*, void*) noexcept {
    PyObject* b = PyEval_GetFrameBuiltins();
    if (b) return b;
    PyErr_Clear();
    return Py_NewRef(PyEval_GetBuiltins());
}

PyObject* get_dict(PyObject* self, void* closure) noexcept { return PyObject_GenericGetDict(self, closure); }
int set_dict(PyObject* self, PyObject* value, void* closure) noexcept {
    return PyObject_GenericSetDict(self, value, closure);
}

void* offset_of(std::size_t offset) noexcept { return reinterpret_cast<void*>(offset); }

PyGetSetDef function_getset[] = {
    {"__name__", get_field, set_name_field, nullptr, offset_of(offsetof(FunctionObject, name))},
    {"__qualname__", get_field, set_name_field, nullptr, offset_of(offsetof(FunctionObject, qualname))},
    {"__doc__", get_field, set_doc, nullptr, offset_of(offsetof(FunctionObject, doc))},
    {"__code__", get_field, nullptr, nullptr, offset_of(offsetof(FunctionObject, code))},
    {"__globals__", get_field, nullptr, nullptr, offset_of(offsetof(FunctionObject, globals))},
    {"__defaults__", get_optional, set_optional, nullptr, const_cast<OptionalField*>(&kDefaults)},
    {"__kwdefaults__", get_optional, set_optional, nullptr, const_cast<OptionalField*>(&kKwdefaults)},
    {"__annotations__", get_annotations, set_optional, nullptr, const_cast<OptionalField*>(&kAnnotations)},
    {"__closure__", get_none, nullptr, nullptr, nullptr},
    {"__type_params__", get_empty_tuple, nullptr, nullptr, nullptr},
    {"__builtins__", get_builtins, nullptr, nullptr, nullptr},
    {"__dict__", get_dict, set_dict, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMemberDef function_members[] = {
    {"__module__", Py_T_OBJECT_EX, offsetof(FunctionObject, module), 0, nullptr},
    {"__vectorcalloffset__", Py_T_PYSSIZET, offsetof(FunctionObject, vectorcall), Py_READONLY, nullptr},
    {"__weaklistoffset__", Py_T_PYSSIZET, offsetof(FunctionObject, weakrefs), Py_READONLY, nullptr},
    {"__dictoffset__", Py_T_PYSSIZET, offsetof(FunctionObject, dict), Py_READONLY, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

PyTypeObject FunctionType = {
    .ob_base = {PyObject_HEAD_INIT(nullptr) 0}, .tp_name = "tovane.kit.function",
    .tp_basicsize = sizeof(FunctionObject),
    .tp_dealloc = function_dealloc,
    .tp_vectorcall_offset = offsetof(FunctionObject, vectorcall),
    .tp_repr = function_repr,
    .tp_call = PyVectorcall_Call,
    .tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR,
    .tp_doc = "A Python function whose body is C++.",
    .tp_traverse = function_traverse, .tp_clear = function_clear,
    .tp_weaklistoffset = offsetof(FunctionObject, weakrefs),
    .tp_members = function_members,
    .tp_getset = function_getset,
    .tp_descr_get = function_descr_get,
    .tp_dictoffset = offsetof(FunctionObject, dict),
};

bool g_function_ready = false;

void ready_function_type() {
    if (g_function_ready) return;
    check(PyType_Ready(&FunctionType));
    g_function_ready = true;
}

// The code object callers inspect: counts, flags and names of the
// parameters, made by replacing those of an empty code object.
Ref build_code(const std::string& name, PyObject* varnames, PyObject* qualname, int argcount, int kwonly,
               int flags) {
    PyCodeObject* empty = PyCode_NewEmpty(utf8(current_short_name()), name.c_str(), 1);
    Ref proto = Ref::steal(reinterpret_cast<PyObject*>(empty));
    Ref replace = getattr(proto, KIT_STR("replace"));
    Ref nlocals = integer(PyTuple_GET_SIZE(varnames));
    Ref ac = integer(argcount), kc = integer(kwonly), fl = integer(flags);
    return call_kw(replace, {},
                   {{"co_argcount", ac}, {"co_kwonlyargcount", kc}, {"co_flags", fl},
                    {"co_nlocals", nlocals}, {"co_varnames", varnames}, {"co_qualname", qualname}});
}

}  // namespace

void ready_types() {
    ready_function_type();
    ready_coroutine_type();
}

PyTypeObject* function_type_object() noexcept { return &FunctionType; }

void set_owner(PyObject* function, PyObject* cls) {
    if (!is_function(function)) return;
    Py_XSETREF(as_function(function)->owner, Py_NewRef(cls));
}

Ref build_function(const Shape& shape, const std::string& qualname_text) {
    ready_types();
    int argcount = 0, kwonly = 0;
    bool varargs = false, varkw = false;
    // Order the names as CPython does: positional, keyword-only, *args, **kwargs.
    std::vector<const ParamShape*> order;
    for (Param::Kind kind : {Param::Positional, Param::KeywordOnly, Param::VarPositional, Param::VarKeyword}) {
        for (const ParamShape& p : shape.params) {
            if (p.kind != kind) continue;
            order.push_back(&p);
            argcount += kind == Param::Positional;
            kwonly += kind == Param::KeywordOnly;
            varargs |= kind == Param::VarPositional;
            varkw |= kind == Param::VarKeyword;
        }
    }

    Ref varnames = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(order.size())));
    for (std::size_t i = 0; i < order.size(); i++)
        PyTuple_SET_ITEM(varnames.get(), static_cast<Py_ssize_t>(i), Py_NewRef(intern(order[i]->name.c_str())));

    // Defaults of the trailing positional parameters.
    int first_default = argcount;
    while (first_default > 0 && order[first_default - 1]->dflt) first_default--;
    for (int i = 0; i < first_default; i++)
        if (order[i]->dflt)
            raisef(PyExc_SyntaxError, "%s: parameter without a default follows parameter with a default",
                   shape.name.c_str());
    Ref defaults;
    if (first_default < argcount) {
        defaults = Ref::steal(PyTuple_New(argcount - first_default));
        for (int i = first_default; i < argcount; i++)
            PyTuple_SET_ITEM(defaults.get(), i - first_default, Ref(order[i]->dflt).release());
    }
    Ref kwdefaults;
    for (int i = argcount; i < argcount + kwonly; i++) {
        if (!order[i]->dflt) continue;
        if (!kwdefaults) kwdefaults = new_dict();
        check(PyDict_SetItem(kwdefaults, PyTuple_GET_ITEM(varnames.get(), i), order[i]->dflt));
    }
    // Annotations in parameter order, then the return annotation.
    Ref annotations = new_dict();
    for (const ParamShape& p : shape.params)
        if (p.annotation) check(PyDict_SetItem(annotations, intern(p.name.c_str()), p.annotation));
    if (shape.returns) check(PyDict_SetItem(annotations, KIT_STR("return"), shape.returns));

    int flags = CO_OPTIMIZED | CO_NEWLOCALS | (varargs ? CO_VARARGS : 0) | (varkw ? CO_VARKEYWORDS : 0) |
                (shape.coroutine ? CO_COROUTINE : 0);
    Ref name = str(shape.name.c_str());
    Ref qualname = str(qualname_text.empty() ? shape.name.c_str() : qualname_text.c_str());
    Ref code = build_code(shape.name, varnames, qualname, argcount, kwonly, flags);
    Ref doc = shape.doc ? shape.doc : none();

    // A body in def-line order takes *args before the keyword-only parameters.
    bool varargs_first = false;
    if (shape.body_in_param_order && varargs && kwonly) {
        for (const ParamShape& p : shape.params) {
            if (p.kind == Param::VarPositional) varargs_first = true;
            if (p.kind == Param::KeywordOnly) break;
        }
    }

    FunctionObject* f = PyObject_GC_New(FunctionObject, &FunctionType);
    if (!f) throw_error();
    f->vectorcall = function_vectorcall;
    f->invoke = shape.invoke;
    f->argcount = argcount;
    f->kwonlycount = kwonly;
    f->nslots = static_cast<int>(order.size());
    f->varargs = varargs;
    f->varkw = varkw;
    f->coroutine = shape.coroutine;
    f->name = name.release();
    f->qualname = qualname.release();
    f->module = Py_NewRef(current_short_name());
    f->doc = doc.release();
    f->annotations = annotations.release();
    f->defaults = defaults.release();
    f->kwdefaults = kwdefaults.release();
    f->varnames = varnames.release();
    f->code = code.release();
    f->globals = Py_XNewRef(current_globals());
    f->owner = nullptr;
    f->data = Ref(shape.data).release();
    f->dict = nullptr;
    f->weakrefs = nullptr;
    f->varargs_first = varargs_first;
    PyObject_GC_Track(f);
    return Ref::steal(reinterpret_cast<PyObject*>(f));
}

}  // namespace detail

Ref Default::make() const {
    switch (kind) {
        case NoneV: return kit::none();
        case True: return boolean(true);
        case False: return boolean(false);
        case Int: return integer(i);
        case Float: return real(d);
        case Str: return kit::str(s);
        case Object: return Ref::borrow(o);
        case Absent: break;
    }
    return Ref();
}

Ref make_function(const FuncSpec& spec, const std::string& qualname) {
    detail::Shape shape;
    shape.name = spec.name;
    for (const Param& p : spec.params) {
        detail::ParamShape ps;
        ps.name = p.name;
        ps.kind = p.kind;
        ps.dflt = p.dflt.make();
        if (p.annotation) ps.annotation = str(p.annotation);
        shape.params.push_back(std::move(ps));
    }
    if (spec.returns) shape.returns = str(spec.returns);
    shape.coroutine = spec.coroutine;
    if (spec.doc) shape.doc = str(spec.doc);
    shape.data = Ref::borrow(spec.data);
    shape.invoke = spec.impl;
    return detail::build_function(shape, qualname);
}

Ref make_function(const Def& def, const std::string& qualname) {
    detail::Shape shape = detail::parse_def_line(def.line());
    std::size_t slots = shape.params.size();
    if (slots != static_cast<std::size_t>(def.arity()))
        raisef(PyExc_SystemError, "%s: the def line declares %zu parameters but the body takes %d", def.line(),
               slots, def.arity());
    if (def.options().doc) shape.doc = str(def.options().doc);
    if (def.options().data) shape.data = Ref::borrow(intern(def.options().data));
    shape.invoke = def.invoke();
    shape.body_in_param_order = true;
    return detail::build_function(shape, qualname);
}

bool is_function(PyObject* o) noexcept { return Py_IS_TYPE(o, detail::function_type_object()); }

PyTypeObject* function_type() { return detail::function_type_object(); }
PyTypeObject* coroutine_type() { return detail::coroutine_type_object(); }

}  // namespace kit
