// The module frame shared by every extension module of the package.
//
//   KIT_MODULE(brevant, body)
//   KIT_MODULE(_serializer, body, .short_name = "switch._serializer", .doc = "...")
//
// defines PyInit_<name> for multi-phase initialisation.  The create step
// refuses a second interpreter, returns the existing module when asked again,
// and copies __loader__, __file__, __package__ and __path__ from the spec; the
// execution step runs `body` (the module body) once and refuses to run again.
// A module body binds its imports with from_import/import_module, in the
// order the module lists them, and then runs its class statements.
#pragma once

#include "klass.hpp"
#include "platform.hpp"

#include <string>
#include <utility>
#include <vector>

namespace kit {

struct ModuleInfo {
    const char* name;                // the init name: PyInit_<name>, named in the re-initialisation error
    void (*body)();                  // the module body
    const char* short_name = nullptr;  // __module__ of its classes and functions (default: name)
    const char* doc = nullptr;         // the module's docstring
};

// The module being (or last) executed by this shared library, and its dict.
PyObject* module();
PyObject* module_dict();

// Look a module global up at call time (then builtins), as Python code does;
// NameError when it is missing.
Ref global(PyObject* name);
inline Ref global(const char* name) { return global(intern(name)); }
#define KIT_GLOBAL(lit) (::kit::global(KIT_STR(lit)))

// Bind a module global.
void set_global(const char* name, PyObject* value);

// import module            -> binds `module` (first component as Python does
//                             unless `as` is given: import a.b as c)
void import_module(const char* module, const char* as = nullptr);

// from module import name [as alias], ...   (relative when module starts
// with dots).  Names are bound in order; a missing one raises the
// interpreter's "cannot import name" ImportError.
struct ImportName {
    const char* name;
    const char* as = nullptr;
    ImportName(const char* n) : name(n) {}
    ImportName(const char* n, const char* a) : name(n), as(a) {}
};
void from_import(const char* module, const std::vector<ImportName>& names);
inline void from_import(const char* module, std::initializer_list<ImportName> names) {
    from_import(module, std::vector<ImportName>(names));
}

// Define a module-level function (def name(...): ...).
void def(const Def& def);
void def(const FuncSpec& spec);

// The interpreter-version check of the frame; exposed for tests.
int check_version(int runtime_major, int runtime_minor, const char* name);

namespace detail {
PyObject* module_init(const ModuleInfo* info) noexcept;
}

}  // namespace kit

#define KIT_MODULE(init, body, ...)                                                        \
    extern "C" KIT_EXPORT PyObject* PyInit_##init() noexcept {                                    \
        static const ::kit::ModuleInfo kit_info_{.name = #init, .body = body __VA_OPT__(, ) __VA_ARGS__}; \
        return ::kit::detail::module_init(&kit_info_);                                     \
    }
