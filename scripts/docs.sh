#!/usr/bin/env bash
# Build the documentation into build/docs/html (open build/docs/html/index.html;
# its search works offline).  Sets up what it needs as the other commands do
# (bootstrap.sh), then installs the `docs` extra into .venv when it changed,
# renders the gallery's screenshots (light and dark, offscreen) for the widget
# pages, and runs Sphinx with warnings as errors.  Arguments go to sphinx-build.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/bootstrap.sh"
cd "$here/.."
export QT_QPA_PLATFORM=offscreen

# The docs extra, by its requirement lines: a warm run asks no index.
requirements=$("$PY" -c 'import tomllib; print("\n".join(tomllib.load(open("pyproject.toml", "rb"))["project"]["optional-dependencies"]["docs"]))')
stamp=$(printf '%s\n' "$requirements" | sha256sum | cut -d' ' -f1)
if [ "$(cat .venv/.tovane-docs 2>/dev/null)" != "$stamp" ]; then
    echo "==> installing the documentation tools" >&2
    mapfile -t reqs <<<"$requirements"
    "$PY" -m pip --disable-pip-version-check --quiet install "${reqs[@]}"
    echo "$stamp" >.venv/.tovane-docs
fi

generated=docs/_generated
rm -rf "$generated/screenshots"
echo "==> rendering the gallery's screenshots" >&2
"$PY" -m tovane.gallery --screenshots "$generated/screenshots" --size 900x600 >/dev/null
echo "==> building the documentation" >&2
"$PY" -m sphinx -E -W --keep-going -q -b html docs build/docs/html "$@"
echo "build/docs/html/index.html"
