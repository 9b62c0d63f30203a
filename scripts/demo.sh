#!/usr/bin/env bash
# Installs what is missing, builds, and starts the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

bin=build/bin
world=plexaclient/demo/network_world.vdf
master=127.0.0.1:27950
run="$(mktemp -d)"

# Real servers on this machine: a master on loopback and the farm running the demo world's servers
# on loopback addresses, heartbeating to it. Both stop with this script (and by themselves after a day).
"$bin/servermaster" --listen "$master" --addresses "$run/master.txt" --max-seconds 86400 &
master_pid=$!
"$bin/serverfarm" --world "$world" --master "$master" --addresses "$run/farm.txt" --max-seconds 86400 &
farm_pid=$!
stop_servers() {
  kill "$farm_pid" "$master_pid" 2>/dev/null || true
  wait "$farm_pid" "$master_pid" 2>/dev/null || true
  rm -rf "$run"
}
trap stop_servers EXIT
for _ in $(seq 100); do
  [ -s "$run/master.txt" ] && [ -s "$run/farm.txt" ] && break
  kill -0 "$master_pid" "$farm_pid" 2>/dev/null || break
  sleep 0.1
done
if ! [ -s "$run/master.txt" ] || ! [ -s "$run/farm.txt" ]; then
  echo "demo: the master or the farm did not start (is $master or a server port in use?)" >&2
  exit 1
fi
echo "demo: master at $master, $(wc -l < "$run/farm.txt") servers on loopback"

# The host with the browser module and the client services stand-in, recorded for this user. The
# services read the same world: its "backend" "network" makes them ask the master and the servers
# over the network. The launcher starts fakegame for every application (host/demo/host.vdf); it asks
# a server before joining, and a joined server lands on the History tab.
export PLEXA_CLIENT_CONFIG="$PWD/$world" FAKEGAME_CHECK_SERVER=1
host=("$bin/kgui-host" --config host/demo/host.vdf --services "$bin/plexaclient.so")
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "${host[@]}" "$bin/serverbrowser.so"
  exit
fi
# Without a display: six seconds of the browser on the real clock (the Internet list fills as the
# servers answer), drawn offscreen.
"${host[@]}" --headless --realtime --screenshot build/demo.png --frames 360 "$bin/serverbrowser.so"
echo "demo: no display here; the browser was drawn offscreen into build/demo.png"
