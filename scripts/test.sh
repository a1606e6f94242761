#!/usr/bin/env bash
# Set up (see bootstrap.sh) and run the test suite offscreen.  Arguments go
# to pytest.
#
# TOVANE_SANITIZE=ON: the suite against the ASan + UBSan build, the sanitizer
# runtimes preloaded.  Every report (of this process and of the Python
# children the tests start) goes to build/sanitize/reports/; any report
# fails the run.  Leak detection covers the native modules' own allocations:
# a leak counts when a frame of its allocation is in the kit or a module.
# What CPython, Shiboken, PySide6 and Qt keep until exit by design is
# reported by LeakSanitizer too, and cannot be told apart otherwise: the
# interpreter is built without frame pointers, so a Python object's
# allocation stack ends in CPython's allocator.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/bootstrap.sh"
cd "$here/.."
export QT_QPA_PLATFORM=offscreen
if [ "${TOVANE_SANITIZE:-OFF}" != "ON" ]; then
    exec "$PY" -m pytest "$@"
fi

reports="$PWD/build/sanitize/reports"
rm -rf "$reports" && mkdir -p "$reports"
cxx=${CXX:-c++}
# The interpreter is not instrumented: load the sanitizer runtimes first.
preload="$("$cxx" -print-file-name=libasan.so):$("$cxx" -print-file-name=libubsan.so)"
export ASAN_OPTIONS="detect_leaks=1:log_path=$reports/asan:${ASAN_OPTIONS:-}"
# Leaks are judged from the reports below, not by the exit status.
export LSAN_OPTIONS="exitcode=0:${LSAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan:${UBSAN_OPTIONS:-}"
status=0
LD_PRELOAD="$preload" "$PY" -m pytest "$@" || status=$?
# Every ASan and UBSan error counts; of the leak reports, those with a frame
# in our code.
"$PY" - "$reports" "$PWD" <<'PY' || { [ "$status" -ne 0 ] || status=1; }
import pathlib, re, sys

root = sys.argv[2]
# A frame in a source file of ours, or in a module of the sanitizer build.
ours = re.compile("|".join(re.escape(f"{root}/{d}/") for d in ("src", "build/sanitize/site")))
found = []
for report in sorted(pathlib.Path(sys.argv[1]).iterdir()):
    text = report.read_text(errors="replace")
    if "LeakSanitizer has encountered a fatal error" in text and "ERROR:" not in text:
        # The leak check itself could not run in that process (its tracer
        # crashed at exit): no finding, but say so.
        print(f"note: no leak check in process {report.suffix[1:]}: {text.splitlines()[0]}", file=sys.stderr)
        continue
    if "ERROR: LeakSanitizer" not in text:
        found.append(f"--- {report.name}\n{text}")
        continue
    for block in re.split(r"\n(?=(?:Direct|Indirect) leak of)", text):
        if block.startswith(("Direct leak of", "Indirect leak of")) and ours.search(block):
            found.append(f"--- {report.name}\n{block}")
if found:
    print("\n".join(found), file=sys.stderr)
    print(f"error: {len(found)} sanitizer report(s) above (build/sanitize/reports/)", file=sys.stderr)
    sys.exit(1)
PY
exit "$status"
