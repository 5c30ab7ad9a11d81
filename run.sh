#!/usr/bin/env bash
# Installs what is needed, builds, and starts the console on its demo show (scripts/run-console.sh:
# with no interface configured it sends the DMX to the widget simulator usbpro_sim, which records the
# frames in build/run/frames.txt; without a display the console runs on a virtual X display).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
exec scripts/run-console.sh
