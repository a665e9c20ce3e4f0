#!/usr/bin/env bash
# Builds Fenlark and opens the bundled sample demo: in the window when there
# is a display, otherwise with fenlark-info on the terminal.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

demo="${1:-samples/tdm.dm_71}"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build-release/bin/fenlark "$demo"
else
  exec build-release/bin/fenlark-info "$demo"
fi
