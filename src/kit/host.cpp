#include "host.hpp"

#include "module.hpp"

namespace kit {

bool is_state(PyObject* o) { return isinstance(o, KIT_GLOBAL("State")); }

Ref current(PyObject* o) { return is_state(o) ? getattr(o, KIT_STR("value")) : Ref::borrow(o); }

void use_effect(PyObject* callback, PyObject* dependency, PyObject* component) {
    call_kw(KIT_GLOBAL("useEffect"), {callback, list_of(dependency)}, {{KIT_STR("component"), component}});
}

}  // namespace kit
