#!/usr/bin/env bash
# Developer loop: build native modules into $BUILD_DIR (default build/dev) with
# $PY (default .venv's python) and copy them next to their sources, so that
# PYTHONPATH=src runs the tree without installing it.  The test-support
# modules (tovane._kitprobe) are built too: the tests import them.  Warnings
# are errors (TOVANE_WERROR), as in every build of the project's own.
#   scripts/devbuild.sh                          all modules
#   scripts/devbuild.sh material_brevant_brevant only that target
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
py=${PY:-$root/.venv/bin/python}
build=${BUILD_DIR:-$root/build/dev}
cmake -S "$root" -B "$build" -G Ninja -DPython_EXECUTABLE="$py" \
      -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" -DTOVANE_SANITIZE="${TOVANE_SANITIZE:-OFF}" \
      -DTOVANE_TEST_MODULES=ON -DTOVANE_WERROR=ON >/dev/null
if [ $# -eq 0 ]; then
    set -- $(ls "$build/targets")
fi
for t in "$@"; do
    cmake --build "$build" --target "$t"
    # Copy only what was asked for: a build directory may hold stale modules.
    rel=$(cat "$build/targets/$t")
    # A new file renamed into place: running processes keep the old mapping.
    cp "$build/stage/$rel" "$root/src/$rel.tmp" && mv -f "$root/src/$rel.tmp" "$root/src/$rel"
done
