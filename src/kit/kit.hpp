// The native runtime every extension module of the package is written on.
//
//   ref.hpp       owning references, attribute access, calls
//   errors.hpp    raising and handling exceptions as Python code does
//   function.hpp  Python functions (and coroutine functions) with C++ bodies
//   klass.hpp     class statements through the bases' metaclass
//   module.hpp    the module frame, imports and module globals
#pragma once

#include "errors.hpp"
#include "function.hpp"
#include "klass.hpp"
#include "module.hpp"
#include "ref.hpp"
