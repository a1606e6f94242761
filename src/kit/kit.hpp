// The native runtime every extension module of the package is written on.
//
//   ref.hpp       owning references; attributes, items, calls, operators,
//                 containers, interned names and cached objects
//   errors.hpp    raising and handling exceptions as Python code does
//   function.hpp  Python functions (and coroutine functions) with C++ bodies,
//                 written as their def line beside a typed body
//   klass.hpp     class statements through the bases' metaclass
//   module.hpp    the module frame, imports and module globals
//   host.hpp      the host package's State and useEffect, as components use them
//   natural.hpp   natural ("human") order of text, "item2" before "item10"
//                 (included by the modules that sort, not from here)
//   platform.hpp  every compiler- and OS-specific spelling
//
// (detail.hpp holds the kit's own internals; module code does not use it.)
#pragma once

#include "errors.hpp"
#include "function.hpp"
#include "host.hpp"
#include "klass.hpp"
#include "module.hpp"
#include "ref.hpp"
