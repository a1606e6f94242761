#!/usr/bin/env bash
# Set up (see bootstrap.sh) and run the test suite offscreen.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/bootstrap.sh"
cd "$here/.."
export QT_QPA_PLATFORM=offscreen
if [ "${TOVANE_SANITIZE:-OFF}" = "ON" ]; then
    # The interpreter is not instrumented: load the sanitizer runtimes first.
    cxx=${CXX:-c++}
    export LD_PRELOAD="$("$cxx" -print-file-name=libasan.so):$("$cxx" -print-file-name=libubsan.so)"
    # CPython and Qt keep memory until exit by design; report errors, not leaks.
    export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
fi
exec "$PY" -m pytest "$@"
