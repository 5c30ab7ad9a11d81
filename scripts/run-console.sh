#!/usr/bin/env bash
# Starts the built console and, on Ctrl+C or SIGTERM, stops everything it started, the console first.
#
# With an interface configured in the program folder's settings file (a ComPort, the D2XX or Art-Net
# connection) the console runs from the program folder itself and uses it. Otherwise it runs from the
# run folder, the operator's own copy of the program folder: made on the first run and kept. Later
# runs refresh the programs in it and add delivered files it does not have, so the shows, backups,
# settings, soft patch, fixture map and library, scenes, groups, magic sheet and palettes made there
# stay as the operator left them. Unless the run folder's own settings name an interface, the widget
# simulator usbpro_sim stands in for it: the settings point at the simulator for this run only and
# get their interface keys back when the console has ended. The simulator records every DMX frame it
# receives in the run folder (frames.txt). The console opens its last show; on the first run, the
# demo show. Without a display the console runs on a virtual X display (Xvfb) of its own.
#
# The display and the simulator run in sessions of their own, so that Ctrl+C in a terminal (SIGINT
# to the whole foreground process group) reaches the console and this script but not them: the
# console's ordered shut-down still has its display and its interface, and they end after it.
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
# ordered shut-down can write the settings and send its closing frames. Then the settings get back
# the interface keys they had before this run pointed them at the simulator.
stop_all() {
  local status=$1
  trap '' INT TERM
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    if [ "${names[$i]}" = console ]; then end_child "${pids[$i]}" 15; else end_child "${pids[$i]}" 5; fi
  done
  [ -n "${program:-}" ] && restore_interface "$program/vqlighting.ini"
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

# The value of `key` in `section` of the settings file `1` (names compare without regard to case);
# empty when the file, the section or the key is missing.
setting() {
  [ -f "$1" ] || return 0
  awk -v want_section="[$2]" -v want_key="$3" '
    /^[^=]*\[[^]]*\]/ { inside = (index(tolower($0), tolower(want_section)) > 0); next }
    inside {
      line = $0; sub(/\r$/, "", line)
      i = index(line, "="); if (i == 0) next
      key = tolower(substr(line, 1, i - 1)); gsub(/[ \t]/, "", key)
      if (key == tolower(want_key)) { value = substr(line, i + 1); gsub(/^[ \t]+|[ \t]+$/, "", value) }
    }
    END { print value }' "$1"
}

# The interface keys of [Settings] that point the console at the simulator.
interface_keys='key == "comport" || key == "dmxdevice" || key == "connection"'

# Points the settings file at the widget on `device` (Enttec USB Pro on the virtual serial port) for
# this run, keeping every other key. The operator's own interface lines are kept aside in the run
# folder, with the values written here, until restore_interface puts them back.
point_at_widget() {
  local settings=$1 device=$2
  printf 'ComPort=%s\nDMXdevice=0\nConnection=0\n' "$device" > "$run/interface.ours"
  { [ -f "$settings" ] && cat "$settings"; true; } | awk '
    /^[^=]*\[[^]]*\]/ { settings = (tolower($0) ~ /\[settings\]/); next }
    settings {
      key = tolower($0); sub(/=.*/, "", key); gsub(/[ \t\r]/, "", key)
      if ('"$interface_keys"') print
    }' > "$run/interface.saved"
  { [ -f "$settings" ] && cat "$settings"; true; } | awk -v ours="$run/interface.ours" '
    function write_ours(  line) {
      while ((getline line < ours) > 0) print line
      close(ours); done = 1
    }
    /^[^=]*\[[^]]*\]/ {
      settings = (tolower($0) ~ /\[settings\]/); print
      if (settings && !done) write_ours()
      next
    }
    settings {
      key = tolower($0); sub(/=.*/, "", key); gsub(/[ \t\r]/, "", key)
      if ('"$interface_keys"') next
    }
    { print }
    END { if (!done) { print "[Settings]"; write_ours() } }' > "$settings.run$$" &&
    mv -f "$settings.run$$" "$settings"
}

# Gives the settings file back the interface lines it had before point_at_widget: an interface key
# that still holds the value written for the simulator (the console writes ComPort and DMXdevice
# back when it closes) is replaced by the operator's own line, or removed when there was none; a key
# the operator changed during the run keeps the change. Also mends the settings of a run that ended
# before it could do this.
restore_interface() {
  local settings=$1
  [ -f "$run/interface.ours" ] || return 0
  if [ -f "$settings" ]; then
    awk -v ours="$run/interface.ours" -v saved="$run/interface.saved" '
      function key_of(line,  k) { k = tolower(line); sub(/=.*/, "", k); gsub(/[ \t\r]/, "", k); return k }
      function value_of(line,  v) {
        v = substr(line, index(line, "=") + 1); sub(/\r$/, "", v); gsub(/^[ \t]+|[ \t]+$/, "", v); return v
      }
      function give_back(  k) {
        for (k in dropped) if (k in original) print original[k]
        given = 1
      }
      FILENAME == ours { written[key_of($0)] = value_of($0); next }
      FILENAME == saved { original[key_of($0)] = $0; next }
      /^[^=]*\[[^]]*\]/ {
        if (settings && !given) give_back()
        settings = (tolower($0) ~ /\[settings\]/); print; next
      }
      settings {
        key = key_of($0)
        if ((key in written) && index($0, "=") && value_of($0) == written[key]) { dropped[key] = 1; next }
      }
      { print }
      END { if (settings && !given) give_back() }' \
      "$run/interface.ours" "$run/interface.saved" "$settings" > "$settings.run$$" &&
      mv -f "$settings.run$$" "$settings"
  fi
  rm -f "$run/interface.ours" "$run/interface.saved"
}

# Files of the program folder that belong to the program and that the operator never changes:
# refreshed in the run folder on every run, as every executable is.
program_files=(vqlightinghelp.html VqLighting.rgbaw VqLighting.rgbal Vqlighting5.gels newuser.gels lcsv/add.lcsv)

is_program_file() {
  local name=$1 f
  [ -x "$bin/$name" ] && return 0
  for f in "${program_files[@]}"; do [ "${name,,}" = "${f,,}" ] && return 0; done
  return 1
}

# The path of `name` in folder `dir` as it is spelled there (the console finds its files without
# regard to case); empty when it is not there.
find_in() {
  local dir=$1 name=$2
  local pattern
  pattern=$(printf '%s' "$dir/$name" | sed 's/[][*?\\]/\\&/g')
  find "$dir" -ipath "$pattern" -print -quit 2>/dev/null
}

# Brings the run folder up to date with the program folder: programs refreshed, delivered files
# that are missing added, everything else left as it is.
update_run_folder() {
  local from=$1 to=$2 file name there
  while IFS= read -r -d '' file; do
    name=${file#"$from"/}
    there=$(find_in "$to" "$name")
    if is_program_file "$name"; then
      [ -n "$there" ] || there=$to/$name
      mkdir -p "$(dirname "$there")"
      # A fresh file renamed over the old one: a program still running keeps its own copy.
      cp -a "$file" "$there.new$$" && mv -f "$there.new$$" "$there"
    elif [ -z "$there" ]; then
      mkdir -p "$(dirname "$to/$name")"
      cp -a "$file" "$to/$name"
    fi
  done < <(find "$from" -type f -print0)
}

if [ ! -x "$bin/vqlighting" ]; then
  say "No console in $bin: build it first (./run.sh builds it)."
  exit 1
fi
mkdir -p "$run"
# One script at a time on a run folder: a second one would take the first one's settings in hand.
exec 9> "$run/run.lock"
if ! flock -n 9; then
  say "scripts/run-console.sh already runs on $run."
  exit 1
fi
program=$bin
frames=""
if ! interface_configured "$bin/vqlighting.ini"; then
  # The operator's run folder: made once, then kept.
  if [ -d "$run/bin" ]; then
    update_run_folder "$bin" "$run/bin"
  else
    cp -a "$bin" "$run/bin"
  fi
  program=$run/bin
  restore_interface "$program/vqlighting.ini"
fi
if [ "$program" != "$bin" ] && ! interface_configured "$program/vqlighting.ini"; then
  frames=$run/frames.txt
  : > "$frames"
  # A session of its own: the terminal's Ctrl+C is not for it.
  setsid "$bin/usbpro_sim" --record "$frames" > "$run/usbpro.txt" 9>&- &
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
  point_at_widget "$program/vqlighting.ini" "$device"
fi

display_note=""
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  if command -v Xvfb > /dev/null; then
    rm -f "$run/display"
    # A session of its own: the terminal's Ctrl+C is not for it.
    setsid Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3> "$run/display" 2> "$run/xvfb.log" 9>&- &
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

# The console opens its last show ([CueFile] Last) by itself; before there is one, the demo show.
args=()
last=$(setting "$program/vqlighting.ini" CueFile Last)
if [ -n "$last" ]; then
  opening="its last show, $last"
elif [ -f "$program/demo.lcue" ]; then
  args+=("$(realpath "$program/demo.lcue")")
  opening="the demo show"
else
  opening="no show"
fi
"$program/vqlighting" "${args[@]}" 9>&- &
started $! console

say "The console runs on $opening, from the program folder $program."
if [ -n "$frames" ]; then
  say "No interface configured: DMX goes to the widget simulator usbpro_sim on $device,"
  say "which records every frame it receives in $frames."
fi
[ -n "$display_note" ] && say "$display_note"
cat >&2 << 'TEXT'
Reach it from outside:
  text commands over TCP port 5200, e.g. in bash (prints "Connected" and "read50"):
    exec 3<>/dev/tcp/127.0.0.1/5200; printf 'set 1@50\r\nread 1\r\n' >&3; timeout 2 cat <&3
  OSC on UDP port 4444, e.g.: oscsend 127.0.0.1 4444 /vqlight s "play 3"
Stop it (and everything this script started) with Ctrl+C here.
TEXT

# Waits for the console; a signal ends the wait at once and runs the trap.
wait "${pids[-1]}"
stop_all $?
