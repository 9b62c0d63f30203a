#!/usr/bin/env bash
# Installs what is missing, builds, and starts the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

bin=build/bin
# The browser module: load it and list the interfaces it hands out.
"$bin/sbprobe" "$bin/serverbrowser.so"

# Until the browser window lands, the host shows the toolkit's control gallery, with the client
# services stand-in recorded for this user on the demo world.
host=("$bin/kgui-host" --services "$bin/plexaclient.so")
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "${host[@]}" "$bin/kgui_gallery.so"
fi
"${host[@]}" --headless --screenshot build/demo.png --frames 30 "$bin/kgui_gallery.so"
echo "demo: no display here; the window was drawn offscreen into build/demo.png"
