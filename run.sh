#!/usr/bin/env bash
# Installs what the programs need, builds them, and starts the console (scripts/run-console.sh: with
# no interface configured it sends the DMX to the widget simulator usbpro_sim, which records the
# frames in build/run/frames.txt; the shows and settings of the operator live in build/run/bin and are
# kept from run to run; without a display the console runs on a virtual X display).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh --programs
exec scripts/run-console.sh
