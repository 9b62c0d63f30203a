#!/usr/bin/env bash
# Runs the project's benchmarks beside the yardsticks of an anchors folder, in one run on this
# machine, and writes one table of figures, yardsticks and ratios against their goals.
#
#   bench/run_all.sh ANCHORS_DIR [OUT_DIR]
#
# ANCHORS_DIR holds build.sh, gen_records.cpp, parse_bench.cpp, sort_ref.cpp, qt_model_bench.cpp
# and udp_rtt.cpp. The project is built without sanitizers (RelWithDebInfo) into build-bench/.
# OUT_DIR (default /tmp/sb-bench-<UTC stamp>) receives every raw output and table.md. About ten
# minutes on two cores; the machine should be otherwise idle.
set -euo pipefail
if [ $# -lt 1 ] || [ ! -f "$1/build.sh" ]; then
  echo "usage: $0 ANCHORS_DIR [OUT_DIR]  (ANCHORS_DIR must hold build.sh)" >&2
  exit 2
fi
anchors="$(cd "$1" && pwd)"
cd "$(dirname "$0")/.."
out="${2:-/tmp/sb-bench-$(date -u +%Y%m%dT%H%M%SZ)}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
jobs=$(nproc)

# The yardsticks' programs and data.
anchor_build="$out/anchors-build"
data="/tmp/anchors-data"  # where the key/value benchmark looks for the records
BUILD_DIR="$anchor_build" "$anchors/build.sh" >"$out/anchors-build.log" 2>&1
"$anchor_build/gen_records" --records=50000 --dir="$data" --plain >"$out/gen_records.log"

# The project's benchmarks.
cmake -S . -B build-bench -DSB_SANITIZE=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$out/cmake.log"
cmake --build build-bench -j"$jobs" --target keyvalues_text_bench kgui2_listpanel_bench \
  serverbrowser_internet_page_bench serverbrowser_quick_search_bench host_idle_bench plexa_query_bench \
  servermaster_bench kgui-host \
  >"$out/build.log" 2>&1
bin="$PWD/build-bench/bin"

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/sb-bench-xdg}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

step() {  # step <name> <timeout-seconds> <command...>: output to $out/<name>.txt
  local name="$1" limit="$2"
  shift 2
  echo "== $name" >&2
  timeout "$limit" "$@" >"$out/$name.txt" 2>&1 || echo "   ($name ended with status $?; see $out/$name.txt)" >&2
}
gbench() {  # gbench <name> <timeout-seconds> <program> [args...]: Google Benchmark JSON too
  local name="$1" limit="$2" program="$3"
  shift 3
  step "$name" "$limit" "$bin/$program" --benchmark_out="$out/$name.json" --benchmark_out_format=json "$@"
}

# Yardsticks and ours interleaved by subject, so each pair shares the machine's state.
step anchor_parse 300 "$anchor_build/parse_bench" --dir="$data" --reps=11 --no-nlohmann
gbench kv_text 300 keyvalues_text_bench
step anchor_sort 120 "$anchor_build/sort_ref" --rows=100000 --reps=15
step anchor_qt 300 "$anchor_build/qt_model_bench" --rows=100000 --reps=7
step anchor_qt_mem 120 "$anchor_build/qt_model_bench" --mem --rows=100000
step anchor_qt_view 300 "$anchor_build/qt_model_bench" --view --rows=100000 --reps=3
gbench listpanel 600 kgui2_listpanel_bench
gbench internet_page 600 serverbrowser_internet_page_bench
gbench quick_search 300 serverbrowser_quick_search_bench
step host_idle 300 "$bin/host_idle_bench"
step anchor_udp 120 "$anchor_build/udp_rtt" --n=100000 --inflight=64 --servers=1
step anchor_udp_single 120 "$anchor_build/udp_rtt" --n=20000 --inflight=1 --servers=1
step plexa_query 600 "$bin/plexa_query_bench" --reps 5
step servermaster 600 "$bin/servermaster_bench"

python3 bench/bench_table.py "$out" | tee "$out/table.md"
echo "raw outputs and table.md: $out" >&2
