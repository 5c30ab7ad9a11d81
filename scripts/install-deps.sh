#!/usr/bin/env bash
# Installs the Debian 12 packages the console, its tests and its tools need. Runs as root (or
# through sudo); does nothing more when everything is already installed.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev qt6-httpserver-dev qt6-websockets-dev
  libftdi1-dev librtmidi-dev libasound2-dev libxlsxwriter-dev libboost-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool openbox liblo-tools python3-openpyxl
  ola iproute2 util-linux
  chromium nodejs
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Some Node.js builds bring npm along; Debian's own packages it apart.
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The web remote's browser test drives chromium through playwright-core (the version pinned in
# tests/browser/package-lock.json; it downloads no browser of its own).
browser_tests="$(dirname "$0")/../tests/browser"
if [ ! -f "$browser_tests/node_modules/playwright-core/package.json" ]; then
  (cd "$browser_tests" && npm ci --no-audit --no-fund)
fi
