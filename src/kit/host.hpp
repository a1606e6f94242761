// What the host package gives every component module, spelled once: its
// State and its useEffect, both looked up as the calling module's globals
// at call time (the module binds them with `from tovane.hooks import ...`).
#pragma once

#include "ref.hpp"

namespace kit {

// isinstance(o, State)
bool is_state(PyObject* o);

// o.value if isinstance(o, State) else o
Ref current(PyObject* o);

// useEffect(callback, [dependency], component=component)
void use_effect(PyObject* callback, PyObject* dependency, PyObject* component);

}  // namespace kit
