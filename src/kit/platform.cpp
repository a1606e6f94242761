// The stack of the calling thread, as each system tells it.
#include "platform.hpp"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#elif defined(__APPLE__)
#include <pthread.h>
#elif defined(__linux__)
// glibc and musl (and bionic) both answer pthread_getattr_np; for the main
// thread glibc reads the stack's mapping and rlimit, musl probes its size.
#include <pthread.h>
#elif defined(__FreeBSD__) || defined(__OpenBSD__) || defined(__NetBSD__) || defined(__DragonFly__)
#include <pthread.h>
#if defined(__FreeBSD__) || defined(__DragonFly__)
#include <pthread_np.h>
#endif
#endif

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif

namespace kit::platform {

bool thread_stack_bounds(std::uintptr_t& low, std::uintptr_t& high) noexcept {
#if defined(_WIN32)
    ULONG_PTR lo = 0, hi = 0;
    GetCurrentThreadStackLimits(&lo, &hi);  // Windows 8 and later
    low = static_cast<std::uintptr_t>(lo);
    high = static_cast<std::uintptr_t>(hi);
    return lo != 0 && hi > lo;
#elif defined(__APPLE__)
    pthread_t self = pthread_self();
    // The address is the top of the stack, which grows down from it.
    auto top = reinterpret_cast<std::uintptr_t>(pthread_get_stackaddr_np(self));
    std::size_t size = pthread_get_stacksize_np(self);
    if (!top || !size || size > top) return false;
    low = top - size;
    high = top;
    return true;
#elif defined(__linux__) || defined(__FreeBSD__) || defined(__NetBSD__) || defined(__DragonFly__)
    pthread_attr_t attr;
#if defined(__linux__) || defined(__NetBSD__)
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return false;
#else
    if (pthread_attr_init(&attr) != 0) return false;
    if (pthread_attr_get_np(pthread_self(), &attr) != 0) {
        pthread_attr_destroy(&attr);
        return false;
    }
#endif
    void* base = nullptr;
    std::size_t size = 0;
    int failed = pthread_attr_getstack(&attr, &base, &size);
    pthread_attr_destroy(&attr);
    if (failed || !base || !size) return false;
    low = reinterpret_cast<std::uintptr_t>(base);
    high = low + size;
    return true;
#elif defined(__OpenBSD__)
    stack_t stack;
    if (pthread_stackseg_np(pthread_self(), &stack) != 0 || !stack.ss_sp || !stack.ss_size) return false;
    high = reinterpret_cast<std::uintptr_t>(stack.ss_sp);  // the top of the stack
    low = high - stack.ss_size;
    return true;
#else
    (void)low;
    (void)high;
    return false;
#endif
}

std::uintptr_t stack_position() noexcept {
#if defined(__GNUC__) || defined(__clang__)
    return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
#elif defined(_MSC_VER)
    return reinterpret_cast<std::uintptr_t>(_AddressOfReturnAddress());
#else
    volatile char here = 0;
    return reinterpret_cast<std::uintptr_t>(&here);
#endif
}

}  // namespace kit::platform
