"""Leak checks for native code: call something many times and watch memory.

    assert_no_leak(lambda: obj.method(1, 2))

After a warm-up (caches, interned strings, lazily created types), the callable
runs `calls` times under tracemalloc; afterwards neither the number of live
GC-tracked objects, nor the number of allocated memory blocks, nor the traced
memory may have grown by more than a small constant.  A leak of one object per
call shows up as a growth of the order of `calls`.
"""

import gc
import sys
import tracemalloc

__all__ = ["assert_no_leak", "measure"]


def measure(fn, calls=100_000, warmup=2_000):
    for _ in range(warmup):
        fn()
    gc.collect()
    objects_before = len(gc.get_objects())
    blocks_before = sys.getallocatedblocks()
    tracemalloc.start()
    try:
        traced_before = tracemalloc.get_traced_memory()[0]
        for _ in range(calls):
            fn()
        gc.collect()
        traced_after = tracemalloc.get_traced_memory()[0]
    finally:
        tracemalloc.stop()
    gc.collect()
    return {
        "objects": len(gc.get_objects()) - objects_before,
        "blocks": sys.getallocatedblocks() - blocks_before,
        "traced_bytes": traced_after - traced_before,
    }


def assert_no_leak(fn, calls=100_000, warmup=2_000, max_objects=100, max_blocks=500, max_bytes=64 * 1024):
    growth = measure(fn, calls, warmup)
    assert growth["objects"] <= max_objects, growth
    assert growth["blocks"] <= max_blocks, growth
    assert growth["traced_bytes"] <= max_bytes, growth
    return growth
