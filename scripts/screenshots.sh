#!/usr/bin/env bash
# Draws the browser on the demo world headless and writes the pictures of its tabs that the
# README shows into docs/. Uses the binaries of BIN (default build/bin, as
# scripts/demo.sh builds them).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${BIN:-build/bin}")
[ -x "$bin/kgui-host" ] || { echo "screenshots: no $bin/kgui-host; run bash scripts/demo.sh first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/user"
export PLEXA_ACTIVE_PROCESS="$work/ActiveProcess.vdf" PLEXA_CLIENT_CONFIG="$bin/plexaclient.vdf" TZ=UTC

tabs=(InternetGames FavoriteGames HistoryGames SpectateGames LanGames FriendsGames)
{
  echo "wait 240frames"
  for tab in "${tabs[@]}"; do
    echo "click CServerBrowserDialog/GameTabs/tab_$tab"
    echo "wait 360frames"
    echo "shot $work/$tab.png"
  done
  echo "quit"
} >"$work/script.txt"
"$bin/kgui-host" --headless --game game --user-dir "$work/user" --services "$bin/plexaclient.so" \
  --script "$work/script.txt" "$bin/serverbrowser.so"

# The window's default place on the 1280 x 800 headless screen, with a margin of 8 pixels.
for tab in "${tabs[@]}"; do
  name=$(echo "${tab%Games}" | tr '[:upper:]' '[:lower:]')
  python3 tools/crop_png.py "$work/$tab.png" "docs/tab_$name.png" 56 312 656 456
done
echo "screenshots: docs/tab_*.png written"
