#!/usr/bin/env bash
# Draws the browser on the demo world headless and writes the pictures the README shows into
# docs/: every tab, and the game-info dialog and password prompt. Uses the binaries of BIN (default build/bin, as
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
  # A friend's game (a full server with players), the same server joined (auto-retry offered and
  # turned on), then a server that needs a password.
  echo "browser openfriend 76561197960266729"
  echo "wait 120frames"
  echo "shot $work/friend.png"
  echo "browser closeall"
  echo "wait 60frames"
  echo "browser joinserver 203.0.113.34:27016"
  echo "wait 120frames"
  echo "click DialogGameInfo/AutoRetry"
  echo "wait 30frames"
  echo "shot $work/autoretry.png"
  echo "browser closeall"
  echo "wait 60frames"
  echo "browser joinserver 198.51.100.92:27017"
  echo "wait 120frames"
  echo "shot $work/password.png"
  echo "quit"
} >"$work/script.txt"
"$bin/kgui-host" --headless --config host/demo/host.vdf --game game --user-dir "$work/user" --services "$bin/plexaclient.so" \
  --script "$work/script.txt" "$bin/serverbrowser.so"

# The window's default place on the 1280 x 800 headless screen, with a margin of 8 pixels.
for tab in "${tabs[@]}"; do
  name=$(echo "${tab%Games}" | tr '[:upper:]' '[:lower:]')
  # The relay servers' tab is pictured as "relays".
  [ "$tab" = SpectateGames ] && name=relays
  python3 tools/crop_png.py "$work/$tab.png" "docs/tab_$name.png" 56 312 656 456
done
# The dialogs sit in the middle of the screen.
python3 tools/crop_png.py "$work/friend.png" docs/game_info_friend.png 376 136 528 528
python3 tools/crop_png.py "$work/autoretry.png" docs/game_info_autoretry.png 376 136 528 592
python3 tools/crop_png.py "$work/password.png" docs/password_prompt.png 472 272 336 256
echo "screenshots: docs/tab_*.png, docs/game_info_*.png and docs/password_prompt.png written"
