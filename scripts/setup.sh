#!/usr/bin/env bash
# Installs the Debian packages the build needs; does nothing when they are all present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  libcairo2-dev libsdl2-dev libfontconfig-dev libfreetype-dev fonts-dejavu-core zlib1g-dev
  # Server names in every script: Devanagari, Chinese/Japanese/Korean and colour emoji beside
  # DejaVu's Latin, Greek, Cyrillic, Arabic and Hebrew (about 16 MB installed).
  fonts-lohit-deva fonts-wqy-microhei fonts-noto-color-emoji
  libpango1.0-dev
  xvfb xdotool
  groff-base desktop-file-utils appstream
  qstat
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
