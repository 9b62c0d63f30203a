#!/usr/bin/env bash
# Installs what is missing, builds, and starts the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

bin=build/bin
# The host with the browser module and the client services stand-in, recorded for this user, on
# the demo world (build/bin/plexaclient.vdf, a copy of plexaclient/demo/plexaclient.vdf). Its
# launcher starts fakegame for every application of that world (host/demo/host.vdf), so joining a
# server starts the game and the server lands on the History tab.
host=("$bin/kgui-host" --config host/demo/host.vdf --services "$bin/plexaclient.so")
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "${host[@]}" "$bin/serverbrowser.so"
fi
# Without a display: four seconds of the browser (the Internet list fills), drawn offscreen.
"${host[@]}" --headless --screenshot build/demo.png --frames 240 "$bin/serverbrowser.so"
echo "demo: no display here; the browser was drawn offscreen into build/demo.png"
