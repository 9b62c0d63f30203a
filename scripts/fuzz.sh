#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them.
#   fuzz.sh smoke        each target for a short bounded time (part of the tests)
#   fuzz.sh run SECONDS  each target for the given time
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
seconds=${2:-20}
[ "$mode" = smoke ] && seconds=15

CC=clang-14 CXX=clang++-14 cmake -S fuzz -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"

export ASAN_OPTIONS=detect_leaks=1
for target in build-fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=fuzz/corpus/${name#fuzz_}
  work=build-fuzz/work/$name
  mkdir -p "$work"
  echo "fuzz: $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=0 \
    "$work" $( [ -d "$corpus" ] && echo "$corpus" ) 2>"$work/log.txt" || { tail -n 60 "$work/log.txt"; exit 1; }
done
echo "fuzz: all targets ran clean"
