#!/bin/sh
# Pictures of every window an operator opens under Xvfb, in each built-in style.
#   tools/screenshots/take.sh [build folder] [output folder]
# SCREEN (default 1280x800) sets the screen's size; WM=openbox runs the pictures under that window
# manager (default: none), so the windows' frames and title bars are pictured too.
# The program runs in a copy of the program folder (its settings and side files stay there); the
# pictures land in <output>/<style>/ with a report (report.txt) of window sizes, titles, places and
# every caption that does not fit its control. Look at every picture after a change to a window.
set -eu
build=$(cd "${1:-build}" && pwd)
mkdir -p "${2:-screenshots}"
output=$(cd "${2:-screenshots}" && pwd)
screen=${SCREEN:-1280x800}
wm=${WM:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for style in "Windows" "Slate Classico" "Charcoal Dark Slate"; do
  folder="$output/$(echo "$style" | tr ' ' '_')"
  rm -rf "$work/program"
  mkdir -p "$folder" "$work/program"
  cp -r "$build/bin/." "$work/program/"
  rm -f "$work/program/vqlighting.ini" "$work/program/"*.fmap "$work/program/"*.lgrp "$work/program/"*.scne
  cp "$build/tools/screenshots/vq_screenshots" "$work/program/"
  if [ -n "$wm" ]; then
    run="$wm --sm-disable & sleep 1; ./vq_screenshots --skin \"\$0\" --out \"\$1\""
  else
    run="./vq_screenshots --skin \"\$0\" --out \"\$1\""
  fi
  (cd "$work/program" &&
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 ${screen}x24" sh -c "$run" "$style" "$folder") \
    >"$folder/report.txt" 2>"$folder/stderr.txt" || echo "the pictures in $style stopped early: see $folder/stderr.txt"
  cat "$folder/report.txt"
done
