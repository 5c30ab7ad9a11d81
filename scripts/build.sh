#!/usr/bin/env bash
# Configures and builds into build/ (programs and delivered files land in build/bin).
#   scripts/build.sh             everything: programs, tools and tests (./test.sh)
#   scripts/build.sh --programs  only what scripts/run-console.sh runs (./run.sh): the console, the web
#                                remote, the widget simulator, the restart helper, and the demo show
#                                and fixture library written into build/bin
# CMAKE_BUILD_PARALLEL_LEVEL: how many compilers run at once (default: one per processor).
set -euo pipefail
cd "$(dirname "$0")/.."
programs=0
case "${1:-}" in
  "") ;;
  --programs) programs=1 ;;
  *)
    echo "usage: $0 [--programs]" >&2
    exit 2
    ;;
esac
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ "$programs" = 0 ]; then
  options+=(-DVQ_BUILD_TESTS=ON)
elif [ ! -f build/CMakeCache.txt ]; then
  # A first build for running only: the tests' packages need not be there (a build folder that
  # already has the tests keeps them).
  options+=(-DVQ_BUILD_TESTS=OFF)
fi
cmake -S . -B build -G Ninja "${options[@]}"
if [ "$programs" = 1 ]; then
  cmake --build build -j"${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" --target vqlighting vqlremote usbpro_sim restartvql demo_show fixture_library
else
  cmake --build build -j"${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
fi
