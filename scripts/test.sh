#!/usr/bin/env bash
# Set up (see bootstrap.sh) and run the test suite offscreen.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/bootstrap.sh"
cd "$here/.."
export QT_QPA_PLATFORM=offscreen
exec "$PY" -m pytest "$@"
