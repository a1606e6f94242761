#include "module.hpp"

#include "detail.hpp"
#include "errors.hpp"

#include <cstring>
#include <string>

namespace kit {

namespace {

// One module object per shared library and process (the frame refuses other
// interpreters), so plain statics are the module state.
const ModuleInfo* g_info = nullptr;
PyObject* g_module = nullptr;  // strong: the module lives as long as the process
PyObject* g_short = nullptr;
bool g_executed = false;
// The interpreter whose module was executed successfully; -1 until then, so
// an interpreter whose import failed does not keep the others out.
int64_t g_interpreter = -1;
PyModuleDef g_def;
PyModuleDef_Slot g_slots[5];

const char* short_name_text() noexcept { return g_info->short_name ? g_info->short_name : g_info->name; }

bool other_interpreter() noexcept {
    int64_t current = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (current == -1) return true;
    if (g_interpreter == -1 || g_interpreter == current) return false;
    PyErr_SetString(PyExc_ImportError,
                    "Interpreter change detected - this module can only be loaded into one interpreter per process.");
    return true;
}

int copy_spec(PyObject* spec, PyObject* moddict, const char* from, const char* to, bool allow_none) noexcept {
    PyObject* value = nullptr;
    int r = PyObject_GetOptionalAttrString(spec, from, &value);
    if (r <= 0) return r;
    Ref v = Ref::steal_or_null(value);
    if (allow_none || value != Py_None) r = PyDict_SetItemString(moddict, to, value);
    return r < 0 ? -1 : 0;
}

PyObject* module_create(PyObject* spec, PyModuleDef*) noexcept {
    if (other_interpreter()) return nullptr;
    if (g_module) return Py_NewRef(g_module);
    Ref modname = Ref::steal_or_null(PyObject_GetAttrString(spec, "name"));
    if (!modname) return nullptr;
    Ref module = Ref::steal_or_null(PyModule_NewObject(modname));
    if (!module) return nullptr;
    PyObject* d = PyModule_GetDict(module);
    if (copy_spec(spec, d, "loader", "__loader__", true) < 0 || copy_spec(spec, d, "origin", "__file__", true) < 0 ||
        copy_spec(spec, d, "parent", "__package__", true) < 0 ||
        copy_spec(spec, d, "submodule_search_locations", "__path__", false) < 0)
        return nullptr;
    return module.release();
}

// atexit: drop the cached objects while the interpreter can still free them.
const Def release_at_exit{"def _release_caches()", [] { release_caches(); }};

void execute_body(PyObject* module) {
    detail::ready_types();
    if (!g_short) g_short = intern(short_name_text());
    if (g_info->doc) {
        Ref doc = str(g_info->doc);
        setattr(module, KIT_STR("__doc__"), doc);
    }
    g_info->body();
    Ref release = make_function(release_at_exit);
    Ref atexit = Ref::steal(PyImport_ImportModule("atexit"));
    call_method(atexit, KIT_STR("register"), release.get());
}

int module_exec(PyObject* module) noexcept {
    if (g_executed) {
        PyErr_Format(PyExc_RuntimeError,
                     "Module '%s' has already been imported. Re-initialisation is not supported.", g_info->name);
        return -1;
    }
    if (PY_MAJOR_VERSION != (Py_Version >> 24) || PY_MINOR_VERSION != ((Py_Version >> 16) & 0xff)) {
        if (check_version(Py_Version >> 24, (Py_Version >> 16) & 0xff, short_name_text()) < 0) return -1;
    }
    g_executed = true;
    g_module = Py_NewRef(module);
    Ref where = Ref::steal_or_null(PyUnicode_FromFormat("import of %s", short_name_text()));
    if (!where) return -1;
    if (detail::guarded(where, [&] { execute_body(module); })) {
        g_interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
        return 0;
    }
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "import failed without an exception");
    // A failed body leaves the library unusable, as a failed Python import
    // would; a later import attempt gets a fresh module.  What the body cached
    // belongs to this interpreter, which may not last: let it go.
    Ref error = Ref::steal_or_null(PyErr_GetRaisedException());
    release_caches();
    PyErr_SetRaisedException(error.release());
    Py_CLEAR(g_module);
    g_executed = false;
    return -1;
}

}  // namespace

int check_version(int runtime_major, int runtime_minor, const char* name) {
    if (runtime_major == PY_MAJOR_VERSION && runtime_minor == PY_MINOR_VERSION) return 0;
    char message[200];
    PyOS_snprintf(message, sizeof message,
                  "compile time Python version %d.%d of module '%.100s' %s runtime version %d.%d", PY_MAJOR_VERSION,
                  PY_MINOR_VERSION, name, "does not match", runtime_major, runtime_minor);
    return PyErr_WarnEx(PyExc_RuntimeWarning, message, 1);
}

namespace detail {

PyObject* module_init(const ModuleInfo* info) noexcept {
    g_info = info;
    g_slots[0] = {Py_mod_create, reinterpret_cast<void*>(module_create)};
    g_slots[1] = {Py_mod_exec, reinterpret_cast<void*>(module_exec)};
    g_slots[2] = {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED};
    g_slots[3] = {Py_mod_gil, Py_MOD_GIL_USED};
    g_slots[4] = {0, nullptr};
    // The state lives in the library (one interpreter per process), so the
    // module object has none of its own.
    g_def = PyModuleDef{PyModuleDef_HEAD_INIT, short_name_text(), info->doc, 0, nullptr, g_slots,
                        nullptr, nullptr, nullptr};
    return PyModuleDef_Init(&g_def);
}

PyObject* current_short_name() noexcept {
    if (!g_short && g_info) g_short = PyUnicode_InternFromString(short_name_text());
    return g_short;
}

PyObject* current_globals() noexcept { return g_module ? PyModule_GetDict(g_module) : nullptr; }

}  // namespace detail

PyObject* module() { return g_module; }
PyObject* module_dict() { return detail::current_globals(); }

Ref global(PyObject* name) {
    PyObject* r = nullptr;
    if (PyObject* d = module_dict()) {
        if (check(PyDict_GetItemRef(d, name, &r))) return Ref::steal(r);
    }
    if (check(PyDict_GetItemRef(PyEval_GetBuiltins(), name, &r))) return Ref::steal(r);
    raisef(PyExc_NameError, "name '%U' is not defined", name);
}

void set_global(const char* name, PyObject* value) { check(PyDict_SetItemString(module_dict(), name, value)); }

void import_module(const char* name, const char* as) {
    Ref mod = Ref::steal(PyImport_ImportModule(name));
    if (as) {
        set_global(as, mod);
        return;
    }
    // `import a.b` binds `a`.
    std::string top(name);
    std::size_t dot = top.find('.');
    if (dot == std::string::npos) {
        set_global(name, mod);
        return;
    }
    top.resize(dot);
    Ref top_mod = Ref::steal(PyImport_ImportModule(top.c_str()));
    set_global(top.c_str(), top_mod);
}

namespace {

// CPython's IMPORT_FROM: the attribute, else the submodule in sys.modules,
// else ImportError "cannot import name ...".
Ref import_from(PyObject* v, PyObject* name) {
    Ref x = getattr_or_null(v, name);
    if (x) return x;
    Ref pkgname = getattr_or_null(v, KIT_STR("__name__"));
    if (pkgname && PyUnicode_Check(pkgname)) {
        Ref fullname = strf("%U.%U", pkgname.get(), name);
        PyObject* r = nullptr;
        if (check(PyDict_GetItemRef(PyImport_GetModuleDict(), fullname, &r))) return Ref::steal(r);
    }
    Ref pkgname_or_unknown = pkgname && PyUnicode_Check(pkgname) ? pkgname : str("<unknown module name>");
    Ref pkgpath = Ref::steal_or_null(PyModule_Check(v) ? PyModule_GetFilenameObject(v) : nullptr);
    if (!pkgpath) PyErr_Clear();
    Ref msg;
    if (!pkgpath || !PyUnicode_Check(pkgpath)) {
        msg = strf("cannot import name %R from %R (unknown location)", name, pkgname_or_unknown.get());
    } else {
        bool initializing = false;
        if (Ref spec = getattr_or_null(v, KIT_STR("__spec__"))) {
            if (Ref flag = getattr_or_null(spec, KIT_STR("_initializing"))) initializing = truthy(flag);
        }
        const char* fmt = initializing ? "cannot import name %R from partially initialized module %R "
                                         "(most likely due to a circular import) (%S)"
                                       : "cannot import name %R from %R (%S)";
        msg = strf(fmt, name, pkgname_or_unknown.get(), pkgpath.get());
    }
    PyErr_SetImportError(msg, pkgname ? pkgname.get() : Py_None, pkgpath ? pkgpath.get() : Py_None);
    // name_from, as the interpreter sets it.
    Ref exc = Ref::steal_or_null(PyErr_GetRaisedException());
    if (exc && PyObject_SetAttrString(exc, "name_from", name) < 0) PyErr_Clear();
    PyErr_SetRaisedException(exc.release());
    throw Error{};
}

}  // namespace

void from_import(const char* module_name, const std::vector<ImportName>& names) {
    int level = 0;
    while (module_name[level] == '.') level++;
    Ref mname = str(module_name + level);
    Ref fromlist = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(names.size())));
    Py_ssize_t i = 0;
    for (const ImportName& n : names) PyTuple_SET_ITEM(fromlist.get(), i++, Py_NewRef(intern(n.name)));
    Ref mod = Ref::steal(PyImport_ImportModuleLevelObject(mname, module_dict(), nullptr, fromlist, level));
    for (const ImportName& n : names) {
        Ref value = import_from(mod, intern(n.name));
        set_global(n.as ? n.as : n.name, value);
    }
}

void def(const Def& d) {
    Ref f = make_function(d);
    set_global(def_name(d).c_str(), f);
}

void def(const FuncSpec& spec) {
    Ref f = make_function(spec);
    set_global(spec.name, f);
}

}  // namespace kit
