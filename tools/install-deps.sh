#!/usr/bin/env bash
# Installs what the builds and tests need on Debian 12, only when something is missing.
set -euo pipefail
packages=(
  g++ clang libclang-rt-14-dev cmake ninja-build googletest libgtest-dev libgmock-dev libbenchmark-dev
  libssl-dev g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine64 libgnutls30 libgl1 libgl1-mesa-dri xvfb xauth x11-utils x11-apps fonts-wine fonts-liberation2
  zstd lz4 xz-utils gzip tar p7zip-full zip unzip python3 libarchive-tools libzstd-dev liblz4-dev zlib1g-dev time
  zbar-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
