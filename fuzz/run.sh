#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each from its seed corpus for a bounded time.
# Fails on any crash, hang, leak or sanitizer report; the input that caused it is kept in
# build-fuzz/artifacts/ (absolute paths: fuzz_run works in a directory of its own). Prints the number of executions of every target.
#   fuzz/run.sh [seconds per target]      (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-20}"
cxx="${NURVO_FUZZ_CXX:-clang++-14}"
build="$PWD/build-fuzz"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
  -DNURVO_BUILD_FUZZ=ON -DNURVO_BUILD_TESTS=OFF > /dev/null
if ! cmake --build "$build" -j2 --target fuzz_readWaypoints fuzz_run fuzz_dialogue \
    fuzz_readGpxKml fuzz_readGeoJson fuzz_readCsv \
    > "$build/build.log" 2>&1; then
  cat "$build/build.log"
  exit 1
fi

mkdir -p "$build/artifacts"
total=0
for target in fuzz_readWaypoints fuzz_run fuzz_dialogue fuzz_readGpxKml fuzz_readGeoJson \
  fuzz_readCsv; do
  # New inputs go to a scratch corpus; the seeds in the source tree stay as they are.
  work="$build/corpus/$target"
  mkdir -p "$work"
  log="$build/$target.log"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=8192 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
      "$work" "$PWD/fuzz/corpus/$target" > "$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $target FAILED; the input is in $build/artifacts/" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "fuzz: $target ${runs:-?} executions in ${seconds} s, no failure"
  total=$((total + ${runs:-0}))
done
echo "fuzz: $total executions in all"
