#!/usr/bin/env bash
# Set up (see bootstrap.sh) and run the gallery.  Without a display it renders
# every page offscreen to PNG files (default: ./screenshots) and prints their
# paths; with one it opens the window.  Arguments go to `python -m tovane.gallery`.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/bootstrap.sh"
cd "$here/.."
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ -n "${CI:-}" ]; then
    export QT_QPA_PLATFORM=offscreen
    if [[ " $* " != *" --screenshots "* ]]; then
        set -- --screenshots screenshots "$@"
    fi
fi
exec "$PY" -m tovane.gallery "$@"
