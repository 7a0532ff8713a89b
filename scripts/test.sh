#!/usr/bin/env bash
# Sets up the machine, builds Tremoscan and runs every test.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   address/undefined sanitizer build in build-asan/
# Tests that need an X server get one: this script runs ctest under xvfb-run
# when no DISPLAY is set.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

build=build
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  build=build-asan
  cmake_args=(-DCMAKE_BUILD_TYPE=Debug -DTREMOSCAN_SANITIZE=ON -DTREMOSCAN_BENCHMARKS=OFF)
fi

scripts/setup.sh
cmake -S . -B "$build" "${cmake_args[@]}"
cmake --build "$build" -j "$(nproc)"

ctest_cmd=(ctest --test-dir "$build" --output-on-failure -j "$(nproc)")
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1600x1200x24 -nolisten tcp" "${ctest_cmd[@]}"
else
  "${ctest_cmd[@]}"
fi
