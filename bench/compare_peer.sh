#!/bin/sh
# The console beside another Qt lighting console on the same X display: the time from exec to the
# main window being mapped, and the resident (RSS) and proportional (PSS) memory one second later,
# in interleaved runs (console demo show, console 1024 channels / 500 cues, peer, and again), with
# min / median / max of each.
#
# Usage: bench/compare_peer.sh [runs] [build folder]   (defaults: 7, build)
# Needs a build configured with -DVQ_BUILD_BENCH=ON (vq_window_mapped, vq_bench_startup), Xvfb,
# and for the peer the Debian package qlcplus (without it only the console is measured).
# Runs in a network namespace of its own (only loopback) when it may make one, so the console's
# ports and broadcasts stay inside it; its single-instance lock and the peer's settings live in a
# temporary folder of the run.
set -eu
RUNS=${1:-7}
BUILD=$(cd "${2:-build}" && pwd)
if [ -z "${VQ_BENCH_ISOLATED:-}" ] && unshare -n true 2>/dev/null; then
  exec env VQ_BENCH_ISOLATED=1 unshare -n sh -c 'ip link set lo up; exec "$0" "$@"' "$0" "$RUNS" "$BUILD"
fi

WORK=$(mktemp -d)
trap 'kill $XVFB 2>/dev/null; rm -rf "$WORK"' EXIT
DISPLAY_NUMBER=$((200 + $$ % 500))
Xvfb ":$DISPLAY_NUMBER" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
export DISPLAY=":$DISPLAY_NUMBER"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done 2>/dev/null || sleep 2

# Program folders: the demo show at 256 channels, and a 1024-channel show of 500 cues.
for show in demo big; do
  mkdir -p "$WORK/$show"
  cp -r "$BUILD/bin/." "$WORK/$show/"
done
"$BUILD/bench/vq_bench_startup" --write-show "$WORK/big/bench1024.lcue"
printf '[Settings]\nMaxChannels=256\nDMXdevice=4\n[CueFile]\nLast=demo.lcue\n' >"$WORK/demo/vqlighting.ini"
printf '[Settings]\nMaxChannels=1024\nDMXdevice=4\n[CueFile]\nLast=bench1024.lcue\n' >"$WORK/big/vqlighting.ini"
mkdir -p "$WORK/home" "$WORK/tmp"
chmod 700 "$WORK/tmp"

measure() { # name, command...
  name=$1
  shift
  env HOME="$WORK/home" TMPDIR="$WORK/tmp" XDG_RUNTIME_DIR="$WORK/tmp" QT_QPA_PLATFORM=xcb \
    VQ_DIALOG_LOG="$WORK/dialogs.log" "$BUILD/bench/vq_window_mapped" -- "$@" >>"$WORK/$name.txt" 2>/dev/null ||
    echo "-1 -1 -1" >>"$WORK/$name.txt"
}

PEER=$(command -v qlcplus || true)
for _ in $(seq "$RUNS"); do
  measure console-demo "$WORK/demo/vqlighting"
  measure console-1024 "$WORK/big/vqlighting"
  [ -n "$PEER" ] && measure peer "$PEER"
done

python3 - "$WORK" <<'EOF'
import statistics, sys, os
work = sys.argv[1]
def load(name):
    path = os.path.join(work, name + ".txt")
    if not os.path.exists(path): return None
    rows = [list(map(float, l.split())) for l in open(path) if l.strip()]
    return [r for r in rows if r[0] >= 0]
names = ["console-demo", "console-1024", "peer"]
data = {n: load(n) for n in names}
print(f"{'':14} {'figure':18} {'median':>9} {'min':>9} {'max':>9}  n")
for n in names:
    rows = data[n]
    if rows is None: continue
    for i, (what, unit, scale) in enumerate([("window mapped", "ms", 1), ("RSS 1 s later", "MiB", 1/1024), ("PSS 1 s later", "MiB", 1/1024)]):
        v = [r[i] * scale for r in rows]
        if v: print(f"{n:14} {what:18} {statistics.median(v):9.1f} {min(v):9.1f} {max(v):9.1f}  {len(v)} {unit}")
peer = data.get("peer")
if peer:
    print("ratios of medians, console / peer:")
    for n in names[:2]:
        rows = data[n]
        if not rows: continue
        print(f"  {n}: mapped {statistics.median(r[0] for r in rows) / statistics.median(r[0] for r in peer):.2f}, "
              f"RSS {statistics.median(r[1] for r in rows) / statistics.median(r[1] for r in peer):.2f}, "
              f"PSS {statistics.median(r[2] for r in rows) / statistics.median(r[2] for r in peer):.2f}")
else:
    print("peer not measured: qlcplus is not installed (apt-get install qlcplus)")
EOF
