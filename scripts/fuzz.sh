#!/usr/bin/env bash
# Builds every fuzz target once with clang, the address and undefined-
# behaviour sanitizers and libFuzzer in build-fuzz/, then runs each for a
# bounded time (seconds per target, default 60) on its corpus in the
# repository. New inputs go to a scratch directory, so the checked-in
# corpora stay small; a crashing input is kept in build-fuzz/.
#   scripts/fuzz.sh [seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
seconds=${1:-60}
build=build-fuzz

# Target name and the directory under fuzz/ that holds it and its corpus.
targets=(
  imlib_image_file_fuzzer:imlib
  track_file_fuzzer:track_file
  localization_file_fuzzer:localization_file
  lens_table_fuzzer:lens_table
  config_file_fuzzer:config_file
  keyed_file_fuzzer:keyed_file
  status_file_fuzzer:status_file
)

mkdir -p "$build"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTREMOSCAN_FUZZERS=ON -DTREMOSCAN_SANITIZE=ON -DTREMOSCAN_BENCHMARKS=OFF \
  -DBUILD_TESTING=OFF -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link > "$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j 2 --target "${targets[@]%%:*}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for entry in "${targets[@]}"; do
  name=${entry%%:*}
  dir=${entry#*:}
  mkdir -p "$work/$name"
  echo "== $name: $seconds s"
  # -malloc_limit_mb turns any allocation of the sizes an absurd input claims
  # into a failure; -close_fd_mask=3 silences the readers' own messages.
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/fuzz/$dir/$name" -max_total_time="$seconds" \
    -close_fd_mask=3 -malloc_limit_mb=512 -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$here/$build/$name-" "$work/$name" "fuzz/$dir/corpus"
done
