#!/usr/bin/env bash
# Developer loop: build the native modules in build/dev with the given python
# (default: .venv's) and copy them next to their sources, so that
# PYTHONPATH=src runs the tree without installing it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
py=${PY:-$root/.venv/bin/python}
cmake -S "$root" -B "$root/build/dev" -G Ninja -DPython_EXECUTABLE="$py" \
      -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" -DTOVANE_SANITIZE="${TOVANE_SANITIZE:-OFF}" >/dev/null
cmake --build "$root/build/dev"
cmake --install "$root/build/dev" --prefix "$root/build/dev/stage" >/dev/null
(cd "$root/build/dev/stage" && find tovane -name '*.so' -exec cp {} "$root/src/{}" \;)
