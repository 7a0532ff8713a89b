#!/usr/bin/env bash
# Builds the image file library's fuzz target with clang, the address and
# undefined-behaviour sanitizers and libFuzzer in build-fuzz/, and runs it
# for a bounded time (seconds, default 60) on the corpus in the repository.
# New inputs go to a scratch directory, so the checked-in corpus stays small.
#   scripts/fuzz-imlib.sh [seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
seconds=${1:-60}
build=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTREMOSCAN_FUZZERS=ON -DTREMOSCAN_SANITIZE=ON -DTREMOSCAN_BENCHMARKS=OFF \
  -DBUILD_TESTING=OFF -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link > "$build.log" 2>&1 ||
  { cat "$build.log"; exit 1; }
cmake --build "$build" --target imlib_image_file_fuzzer -j 2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# -malloc_limit_mb turns any allocation of the sizes an absurd header claims
# into a failure; -close_fd_mask=3 silences the library's own messages.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  "$build/fuzz/imlib/imlib_image_file_fuzzer" -max_total_time="$seconds" \
  -close_fd_mask=3 -malloc_limit_mb=512 -rss_limit_mb=2048 -timeout=10 \
  -artifact_prefix="$here/$build/" "$work" fuzz/imlib/corpus
