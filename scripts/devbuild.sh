#!/usr/bin/env bash
# Developer loop: build native modules into $BUILD_DIR (default build/dev) with
# $PY (default .venv's python) and copy them next to their sources, so that
# PYTHONPATH=src runs the tree without installing it.
#   scripts/devbuild.sh                          all modules
#   scripts/devbuild.sh material_brevant_brevant only that target
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
py=${PY:-$root/.venv/bin/python}
build=${BUILD_DIR:-$root/build/dev}
cmake -S "$root" -B "$build" -G Ninja -DPython_EXECUTABLE="$py" \
      -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" -DTOVANE_SANITIZE="${TOVANE_SANITIZE:-OFF}" >/dev/null
if [ $# -gt 0 ]; then
    for t in "$@"; do cmake --build "$build" --target "$t"; done
else
    cmake --build "$build"
fi
(cd "$build/stage" && find tovane -name '*.so' -exec cp {} "$root/src/{}" \;)
