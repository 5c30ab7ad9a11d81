#!/usr/bin/env bash
# Starts the built console on its demo show and, on Ctrl+C or SIGTERM, stops everything it started.
#
# No interface configured in the program folder's settings file (no ComPort, no D2XX or Art-Net
# connection, or no settings file): the widget simulator usbpro_sim stands in for the interface, and
# the console runs from a fresh copy of the program folder in the run folder whose settings point at
# the simulator, so the user's own settings are left as they are. The simulator records every DMX
# frame it receives in the run folder (frames.txt). With an interface configured the console runs
# from the program folder itself and uses it. Without a display the console runs on a virtual X
# display (Xvfb) of its own.
#
# VQ_BIN_DIR: the program folder (default build/bin). VQ_RUN_DIR: the run folder (default build/run).
set -uo pipefail
cd "$(dirname "$0")/.."
bin=${VQ_BIN_DIR:-build/bin}
run=${VQ_RUN_DIR:-build/run}

pids=()  # what this script started, in start order
names=()

say() { printf '%s\n' "$*" >&2; }

# Ends one child: SIGTERM, then SIGKILL when it is still there after `grace` seconds.
end_child() {
  local pid=$1 grace=$2 i
  kill -TERM "$pid" 2>/dev/null || return 0
  for ((i = 0; i < grace * 10; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

# Ends every child, the newest first: the console before its display and the simulator, so that its
# ordered shut-down can write the settings and send its closing frames.
stop_all() {
  local status=$1
  trap '' INT TERM
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    if [ "${names[$i]}" = console ]; then end_child "${pids[$i]}" 15; else end_child "${pids[$i]}" 5; fi
  done
  exit "$status"
}
trap 'stop_all 130' INT
trap 'stop_all 143' TERM

started() {
  pids+=("$1")
  names+=("$2")
}

# True when the settings file names an interface: a ComPort, the D2XX or Art-Net connection, or the
# Art-Net device. Section and key names compare without regard to case.
interface_configured() {
  [ -f "$1" ] || return 1
  awk '
    /^[^=]*\[[^]]*\]/ { s = tolower($0); settings = (s ~ /\[settings\]/); next }
    settings {
      line = $0; sub(/\r$/, "", line)
      i = index(line, "="); if (i == 0) next
      key = tolower(substr(line, 1, i - 1)); gsub(/[ \t]/, "", key)
      value = substr(line, i + 1); gsub(/^[ \t]+|[ \t]+$/, "", value)
      if (key == "comport" && value != "") found = 1
      if (key == "connection" && (value == "1" || value == "2")) found = 1
      if (key == "dmxdevice" && value == "7") found = 1
    }
    END { exit found ? 0 : 1 }' "$1"
}

# Writes `settings` with [Settings] pointing at the widget on `device` (Enttec USB Pro on the virtual
# serial port), keeping every other key of `from` when it exists.
point_at_widget() {
  local from=$1 settings=$2 device=$3
  { [ -f "$from" ] && cat "$from"; true; } | awk -v device="$device" '
    function ours() { print "ComPort=" device; print "DMXdevice=0"; print "Connection=0"; done = 1 }
    /^[^=]*\[[^]]*\]/ {
      settings = (tolower($0) ~ /\[settings\]/); print
      if (settings && !done) ours()
      next
    }
    settings {
      key = tolower($0); sub(/=.*/, "", key); gsub(/[ \t\r]/, "", key)
      if (key == "comport" || key == "dmxdevice" || key == "connection") next
    }
    { print }
    END { if (!done) { print "[Settings]"; ours() } }' > "$settings"
}

if [ ! -x "$bin/vqlighting" ]; then
  say "No console in $bin: build it first (./run.sh builds it)."
  exit 1
fi
mkdir -p "$run"
program=$bin
frames=""
if ! interface_configured "$bin/vqlighting.ini"; then
  # This run's own program folder, settings and simulator.
  rm -rf "$run/bin"
  cp -a "$bin" "$run/bin"
  program=$run/bin
  frames=$run/frames.txt
  : > "$frames"
  "$bin/usbpro_sim" --record "$frames" > "$run/usbpro.txt" &
  started $! simulator
  device=""
  for _ in $(seq 100); do
    device=$(head -n1 "$run/usbpro.txt" 2>/dev/null)
    [ -n "$device" ] && break
    kill -0 "${pids[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$device" ]; then
    say "The widget simulator usbpro_sim did not start."
    stop_all 1
  fi
  point_at_widget "$bin/vqlighting.ini" "$program/vqlighting.ini" "$device"
fi

display_note=""
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  if command -v Xvfb > /dev/null; then
    rm -f "$run/display"
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3> "$run/display" 2> "$run/xvfb.log" &
    started $! display
    number=""
    for _ in $(seq 100); do
      number=$(head -n1 "$run/display" 2>/dev/null)
      [ -n "$number" ] && break
      kill -0 "${pids[-1]}" 2>/dev/null || break
      sleep 0.1
    done
    if [ -z "$number" ]; then
      say "The virtual X display (Xvfb) did not start; see $run/xvfb.log."
      stop_all 1
    fi
    export DISPLAY=":$number"
    display_note="No display: the console runs on a virtual X display (Xvfb $DISPLAY), so no window is shown."
  else
    export QT_QPA_PLATFORM=offscreen
    display_note="No display and no Xvfb: the console runs without a window (offscreen)."
  fi
fi

show=$program/demo.lcue
args=()
[ -f "$show" ] && args+=("$(realpath "$show")")
"$program/vqlighting" "${args[@]}" &
started $! console

say "The console runs on the demo show, from the program folder $program."
if [ -n "$frames" ]; then
  say "No interface configured: DMX goes to the widget simulator usbpro_sim on $device,"
  say "which records every frame it receives in $frames."
fi
[ -n "$display_note" ] && say "$display_note"
cat >&2 << 'TEXT'
Reach it from outside:
  text commands over TCP port 5200, e.g. in bash:
    exec 3<>/dev/tcp/127.0.0.1/5200; printf 'goto 3\r\nplay\r\n' >&3; timeout 3 cat <&3
  OSC on UDP port 4444, e.g.: oscsend 127.0.0.1 4444 /vqlight s "play 3"
Stop it (and everything this script started) with Ctrl+C here.
TEXT

# Waits for the console; a signal ends the wait at once and runs the trap.
wait "${pids[-1]}"
stop_all $?
