#!/usr/bin/env bash
# Sourced by the gallery and test commands: finds Python 3.13, makes the
# virtual environment .venv and installs the package (building the native
# modules) with its test and asyncio extras.  Sets $PY to the venv's python.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
venv="$root/.venv"

is_313() { "$1" -c 'import sys; sys.exit(sys.version_info[:2] != (3, 13))' >/dev/null 2>&1; }

find_python() {
    local c p
    for c in python3.13 python3 python; do
        p=$(command -v "$c" 2>/dev/null) || continue
        if is_313 "$p"; then echo "$p"; return 0; fi
    done
    local pyenv_root="${PYENV_ROOT:-$HOME/.pyenv}"
    for p in "$pyenv_root"/versions/3.13*/bin/python3.13; do
        if [ -x "$p" ] && is_313 "$p"; then echo "$p"; return 0; fi
    done
    echo "error: no Python 3.13 found. Looked for python3.13, python3 and python on PATH," >&2
    echo "       then for $pyenv_root/versions/3.13*/bin/python3.13 (pyenv)." >&2
    echo "       Install Python 3.13 (e.g. 'pyenv install 3.13') and run this again." >&2
    return 1
}

if [ ! -x "$venv/bin/python" ] || ! is_313 "$venv/bin/python"; then
    base=$(find_python)
    echo "==> creating $venv with $base" >&2
    rm -rf "$venv"
    "$base" -m venv "$venv"
fi
PY="$venv/bin/python"

if [ "${TOVANE_SANITIZE:-OFF}" = "ON" ]; then
    # A build directory of its own, so switching back and forth stays incremental.
    export SKBUILD_BUILD_DIR="$root/build/sanitize"
fi
echo "==> installing tovane (building the native modules)" >&2
"$PY" -m pip install --quiet --disable-pip-version-check --upgrade pip >/dev/null 2>&1 || true
"$PY" -m pip install --quiet --disable-pip-version-check "$root[test,async]"
export PY
