#!/usr/bin/env bash
# Sourced by the gallery and test commands: finds Python 3.13, makes the
# virtual environment .venv and installs the package (building the native
# modules) with its test and asyncio extras.  Sets $PY to the venv's python.
#
# A warm run does nothing but compare a stamp: the install is redone only
# when an input changed (a file under src/, CMakeLists.txt, pyproject.toml,
# README.md), and then offline-capable: the build backend lives in the venv
# (no isolated build environment to download), CMake's build directory is
# kept, and pip asks the index only for requirements that are not installed.
#
# Every build here makes warnings errors (TOVANE_WERROR=ON).
#
# TOVANE_SANITIZE=ON: also builds the modules with AddressSanitizer and
# UndefinedBehaviorSanitizer (build directory build/sanitize) into
# build/sanitize/site, and puts that first on PYTHONPATH, so the venv keeps
# its ordinary install.
#
# TOVANE_CXX=<compiler> (e.g. clang++): also builds the modules with that
# compiler into build/<compiler>/site, first on PYTHONPATH likewise.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
venv="$root/.venv"
# pip older than this is upgraded first (pyproject builds, config settings).
min_pip=23.1

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

# The inputs of an install, by path, size and modification time.  Modules a
# developer build copied next to their sources, bytecode and temporary files
# are not inputs.
inputs_stamp() {
    {
        cd "$root"
        find src CMakeLists.txt pyproject.toml README.md -type f \
             ! -name '*.so' ! -name '*.pyc' ! -name '*.tmp' -printf '%p %s %T@\n' | LC_ALL=C sort
        echo "python=$PY sanitize=$1"
    } | sha256sum | cut -d' ' -f1
}

pip_quiet() { "$PY" -m pip --disable-pip-version-check --quiet "$@"; }

# The build backend and what it needs (CMake and Ninja only where none is
# installed), into the venv, so that builds need no isolated environment.
install_build_backend() {
    if ! "$PY" -c 'import sys, pip; sys.exit(tuple(map(int, pip.__version__.split(".")[:2])) < tuple(map(int, sys.argv[1].split("."))))' "$min_pip"; then
        echo "==> upgrading pip (older than $min_pip)" >&2
        pip_quiet install --upgrade pip
    fi
    local backend
    backend=$("$PY" -c 'import sys, tomllib; print("\n".join(tomllib.load(open(sys.argv[1], "rb"))["build-system"]["requires"]))' "$root/pyproject.toml")
    # Already satisfied requirements are not looked up on the index.
    mapfile -t reqs <<<"$backend"
    pip_quiet install "${reqs[@]}"
    local extra
    extra=$(cd "$root" && "$PY" -c 'from scikit_build_core.build import get_requires_for_build_wheel as g; print("\n".join(g()))')
    if [ -n "$extra" ]; then
        mapfile -t reqs <<<"$extra"
        pip_quiet install "${reqs[@]}"
    fi
}

# install_when_changed STAMP_FILE STAMP INSTALLED MESSAGE COMMAND...: runs
# COMMAND when the inputs' stamp is not the one recorded in STAMP_FILE, or
# the installed package directory INSTALLED is missing; records the stamp
# once it succeeded.
install_when_changed() {
    local stamp_file=$1 stamp=$2 installed=$3 message=$4
    shift 4
    if [ "$(cat "$stamp_file" 2>/dev/null)" != "$stamp" ] || [ ! -d "$installed" ]; then
        echo "==> $message" >&2
        rm -f "$stamp_file"
        "$@"
        echo "$stamp" >"$stamp_file"
    fi
}

if [ ! -x "$venv/bin/python" ] || ! is_313 "$venv/bin/python"; then
    base=$(find_python)
    echo "==> creating $venv with $base" >&2
    rm -rf "$venv"
    "$base" -m venv "$venv"
fi
PY="$venv/bin/python"

install_into_venv() {
    install_build_backend
    TOVANE_TEST_MODULES=ON TOVANE_SANITIZE=OFF TOVANE_WERROR=ON \
        pip_quiet install --no-build-isolation "$root[test,async]"
}
install_when_changed "$venv/.tovane-inputs" "$(inputs_stamp OFF)" "$venv/lib/python3.13/site-packages/tovane" \
    "installing tovane (building the native modules)" install_into_venv

if [ -n "${TOVANE_CXX:-}" ] && [ "${TOVANE_SANITIZE:-OFF}" != "ON" ]; then
    if ! command -v "$TOVANE_CXX" >/dev/null 2>&1; then
        echo "error: TOVANE_CXX=$TOVANE_CXX is not a command" >&2
        exit 1
    fi
    side="$root/build/$(basename "$TOVANE_CXX")"
    install_with_compiler() {
        CXX="$TOVANE_CXX" SKBUILD_BUILD_DIR="$side/cmake" TOVANE_TEST_MODULES=ON TOVANE_SANITIZE=OFF TOVANE_WERROR=ON \
            pip_quiet install --no-build-isolation --no-deps --upgrade --target "$side/site" "$root"
    }
    install_when_changed "$side/.tovane-inputs" "$(inputs_stamp "OFF cxx=$TOVANE_CXX")" "$side/site/tovane" \
        "building tovane with $TOVANE_CXX into $side/site" install_with_compiler
    export PYTHONPATH="$side/site${PYTHONPATH:+:$PYTHONPATH}"
fi

if [ "${TOVANE_SANITIZE:-OFF}" = "ON" ]; then
    site="$root/build/sanitize/site"
    # Debug information for the reports' stack traces; a build directory of
    # its own, so switching back and forth stays incremental.
    install_sanitized() {
        SKBUILD_BUILD_DIR="$root/build/sanitize/cmake" SKBUILD_CMAKE_BUILD_TYPE=RelWithDebInfo \
        TOVANE_TEST_MODULES=ON TOVANE_SANITIZE=ON TOVANE_WERROR=ON \
            pip_quiet install --no-build-isolation --no-deps --upgrade --target "$site" "$root"
    }
    install_when_changed "$root/build/sanitize/.tovane-inputs" "$(inputs_stamp ON)" "$site/tovane" \
        "building tovane with the sanitizers into $site" install_sanitized
    export PYTHONPATH="$site${PYTHONPATH:+:$PYTHONPATH}"
fi
export PY
