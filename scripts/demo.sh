#!/usr/bin/env bash
# Installs what is missing, builds, and starts the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

# The demo launcher beside the built programs: a master and a farm of servers on loopback, then the
# browser asking them (the same launcher is installed as bin/serverbrowser-demo by cmake --install).
SB_DEMO_SCREENSHOT="$PWD/build/demo.png" exec build/bin/serverbrowser-demo "$@"
