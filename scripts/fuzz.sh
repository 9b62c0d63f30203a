#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them.
#   fuzz.sh smoke                     each target for a short bounded time (part of the tests)
#   fuzz.sh run [SECONDS] [NAME...]   each target (or the ones named, e.g. keyvalues) for SECONDS
#                                     (600 by default) or a million executions, whichever ends first
# Every target runs, then the script fails when any of them found something (a crash, a leak, a
# hang, undefined behaviour or a broken check); the input that did it is kept in
# build-fuzz/work/<target>/. Per target it prints the executions done and the seconds taken.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
shift $(( $# > 0 ? 1 : 0 ))
case "$mode" in
  smoke) seconds=15; runs=-1; set -- ;;
  run)
    seconds=600; runs=1000000
    if [[ ${1:-} =~ ^[0-9]+$ ]]; then seconds=$1; shift; fi ;;
  *) echo "usage: fuzz.sh smoke | run [SECONDS] [NAME...]" >&2; exit 2 ;;
esac

CC=clang-14 CXX=clang++-14 cmake -S fuzz -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"

# Inputs beyond what a target's reader is built for (the key/value reader's token area is 256 KiB).
max_len_of() {
  case "$1" in
    fuzz_keyvalues) echo 300000 ;;
    fuzz_world | fuzz_server_store | fuzz_host_config | fuzz_scheme | fuzz_localize) echo 65536 ;;
    fuzz_layout) echo 16384 ;;
    *) echo 4096 ;;
  esac
}

export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp
export SDL_AUDIODRIVER=dummy
targets=()
if [ $# -gt 0 ]; then
  for name in "$@"; do targets+=("build-fuzz/fuzz_${name#fuzz_}"); done
else
  for target in build-fuzz/fuzz_*; do [ -x "$target" ] && targets+=("$target"); done
fi

failed=()
for target in "${targets[@]}"; do
  [ -x "$target" ] || { echo "fuzz: no target $target" >&2; exit 2; }
  name=$(basename "$target")
  corpus=fuzz/corpus/${name#fuzz_}
  work=build-fuzz/work/$name
  mkdir -p "$work/corpus"
  rm -f "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* "$work"/slow-unit-*
  echo "fuzz: $name for ${seconds}s$([ "$runs" -gt 0 ] && echo " or $runs executions")"
  start=$(date +%s)
  status=0
  "$target" -max_total_time="$seconds" -runs="$runs" -max_len="$(max_len_of "$name")" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" \
    "$work/corpus" $( [ -d "$corpus" ] && echo "$corpus" ) >"$work/log.txt" 2>&1 || status=$?
  took=$(( $(date +%s) - start ))
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log.txt" | tail -n 1)
  findings=$(find "$work" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  [ "$status" -ne 0 ] && [ "$findings" -eq 0 ] && findings=1
  echo "fuzz: $name: ${executions:-?} executions in ${took}s, $findings findings"
  if [ "$findings" -ne 0 ]; then
    tail -n 60 "$work/log.txt"
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: findings in ${failed[*]} (inputs and logs in build-fuzz/work/)"
  exit 1
fi
echo "fuzz: all targets ran clean"
