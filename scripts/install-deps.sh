#!/usr/bin/env bash
# Installs the Debian 12 packages the programs need to build and run (./run.sh); with --tests, also
# what the tests, the benchmarks and the tools need, and the browser tests' npm package (./test.sh).
# Runs as root (or through sudo); does nothing more when everything is already installed.
set -euo pipefail
tests=0
case "${1:-}" in
  "") ;;
  --tests) tests=1 ;;
  *)
    echo "usage: $0 [--tests]" >&2
    exit 2
    ;;
esac

# Building and running the console, the web remote and the widget simulator; Xvfb gives the console a
# display where there is none, setsid (util-linux) keeps it and the simulator out of the terminal's
# Ctrl+C.
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev
  libftdi1-dev librtmidi-dev libasound2-dev libxlsxwriter-dev libboost-dev
  xvfb util-linux
)
if [ "$tests" = 1 ]; then
  packages+=(
    libgtest-dev libgmock-dev libbenchmark-dev
    xauth xdotool openbox liblo-tools python3-openpyxl
    ola iproute2
    chromium nodejs
  )
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Some Node.js builds bring npm along; Debian's own packages it apart.
[ "$tests" = 1 ] && ! command -v npm >/dev/null 2>&1 && missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The web remote's browser test drives chromium through playwright-core (the version pinned in
# tests/browser/package-lock.json; it downloads no browser of its own).
if [ "$tests" = 1 ]; then
  browser_tests="$(dirname "$0")/../tests/browser"
  if [ ! -f "$browser_tests/node_modules/playwright-core/package.json" ]; then
    (cd "$browser_tests" && npm ci --no-audit --no-fund)
  fi
fi
