#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tessaly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
# Qt WebEngine refuses its sandbox when run as root.
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Tessaly on a virtual display (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x900x24" build/bin/TessalyMain "$@"
fi
exec build/bin/TessalyMain "$@"
