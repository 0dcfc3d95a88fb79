#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Nodewick needs.
# Idempotent: when everything is present it only checks, which takes a moment.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
  libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
  # run: the echo fallback, the desktop's browser and file manager, fonts
  iputils-ping xdg-utils libcap2-bin
  fonts-dejavu-core fonts-dejavu-extra fonts-liberation fonts-liberation2 fonts-comic-neue fontconfig-config
  # tests and benchmarks: network namespaces, real NetBIOS peers, PDF text, a display for screenshots
  g++-mingw-w64-x86-64-posix
  iproute2 procps samba samba-common-bin nbtscan poppler-utils xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
