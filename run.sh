#!/usr/bin/env bash
# Installs what is needed, builds, and starts the console on its demo show. Without a display the
# console runs under a virtual X display (xvfb).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
show="build/bin/demo.lcue"
args=()
[ -f "$show" ] && args+=("$(realpath "$show")")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1600x1000x24" build/bin/vqlighting "${args[@]}"
fi
exec build/bin/vqlighting "${args[@]}"
