#!/usr/bin/env bash
# Installs what the programs and the tests need, builds everything, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --tests
scripts/build.sh
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 600
