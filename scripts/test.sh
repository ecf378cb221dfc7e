#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QTWEBENGINE_DISABLE_SANDBOX=1
cd build
# Browser tests run under a virtual display; everything else is offscreen.
exec xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j 2
