// Every compiler- and OS-specific spelling of the kit and the modules, in one
// place (the test suite fails when one appears anywhere else).
//
//   KIT_COLD            an error path: kept out of line and off the hot path
//   KIT_NOINLINE        never inlined
//   KIT_FLATTEN         everything this function calls is inlined into it
//   KIT_TLS_INITIAL_EXEC  a thread_local of the library itself, reached
//                       without a call into the dynamic linker
//   KIT_EXPORT          a symbol the shared library exports
//   KIT_LIFETIMEBOUND   the result points into *this: a compiler that tracks
//                       lifetimes refuses to keep it past a temporary
//   KIT_WARN_UNUSED     a type whose unused variables are warned about, like
//                       an unused int (its constructor has no side effect)
//   KIT_ASAN            1 in a build with AddressSanitizer
//
// Each expands to nothing where the compiler has no such attribute.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__GNUC__) || defined(__clang__)
#define KIT_COLD [[gnu::cold, gnu::noinline]]
#define KIT_NOINLINE [[gnu::noinline]]
#define KIT_FLATTEN [[gnu::flatten]]
#define KIT_EXPORT __attribute__((visibility("default")))
#define KIT_WARN_UNUSED [[gnu::warn_unused]]
#elif defined(_MSC_VER)
#define KIT_COLD __declspec(noinline)
#define KIT_NOINLINE __declspec(noinline)
#define KIT_FLATTEN
#define KIT_EXPORT __declspec(dllexport)
#define KIT_WARN_UNUSED
#else
#define KIT_COLD
#define KIT_NOINLINE
#define KIT_FLATTEN
#define KIT_EXPORT
#define KIT_WARN_UNUSED
#endif

// The initial-exec model is an ELF notion; elsewhere the default is used.
#if (defined(__GNUC__) || defined(__clang__)) && defined(__ELF__)
#define KIT_TLS_INITIAL_EXEC __attribute__((tls_model("initial-exec")))
#else
#define KIT_TLS_INITIAL_EXEC
#endif

#if defined(__clang__) && defined(__has_cpp_attribute)
#if __has_cpp_attribute(clang::lifetimebound)
#define KIT_LIFETIMEBOUND [[clang::lifetimebound]]
#endif
#endif
#ifndef KIT_LIFETIMEBOUND
#define KIT_LIFETIMEBOUND
#endif

#if defined(__SANITIZE_ADDRESS__)
#define KIT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KIT_ASAN 1
#endif
#endif
#ifndef KIT_ASAN
#define KIT_ASAN 0
#endif

namespace kit::platform {

// The lowest and highest address of the calling thread's stack; false where
// the system does not tell (the recursion check then counts depth only).
bool thread_stack_bounds(std::uintptr_t& low, std::uintptr_t& high) noexcept;

// An address in the calling function's frame: where the stack is now.
KIT_NOINLINE std::uintptr_t stack_position() noexcept;

}  // namespace kit::platform
