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
  cat >&2 <<'TEXT'
No display: the console runs on a virtual X display (xvfb), so no window is shown.
Reach it from outside:
  text commands over TCP port 5200, e.g. in bash:
    exec 3<>/dev/tcp/127.0.0.1/5200; printf 'goto 3\r\nplay\r\n' >&3; timeout 3 cat <&3
  OSC on UDP port 4444, e.g.: oscsend 127.0.0.1 4444 /vqlight s "play 3"
Stop it with Ctrl+C here (or send it SIGTERM: kill <its pid>).
TEXT
  exec xvfb-run -a -s "-screen 0 1600x1000x24" build/bin/vqlighting "${args[@]}"
fi
exec build/bin/vqlighting "${args[@]}"
