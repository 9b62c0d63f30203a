#!/usr/bin/env bash
# Installs what is missing, builds, and starts the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

# Until the host application lands, the demo loads the module and lists the interfaces it exports.
exec build/bin/sbprobe build/bin/serverbrowser.so
