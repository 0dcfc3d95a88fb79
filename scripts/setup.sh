#!/usr/bin/env bash
# Installs the Debian packages that Nodewick needs, by purpose:
#   scripts/setup.sh run    building it, making its package and running it (scripts/run.sh)
#   scripts/setup.sh test   all of that, and the test and benchmark tools (scripts/test.sh; the default)
# Idempotent: when everything is present it only checks, which takes a moment.
set -euo pipefail

purpose=${1:-test}

run_packages=(
  # build, and the Debian package: dpkg-shlibdeps (dpkg-dev) and file find its library dependencies
  cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev libcap-dev dpkg-dev file
  # run: the echo fallback, the desktop's browser and file manager, fonts
  iputils-ping xdg-utils
  fonts-dejavu-core fonts-dejavu-extra fonts-liberation fonts-liberation2 fonts-comic-neue fontconfig-config
)
test_packages=(
  # test frameworks, clang for the fuzzer, the Windows cross compiler for the protocol library
  libgtest-dev libbenchmark-dev clang libclang-rt-dev g++-mingw-w64-x86-64-posix
  # network namespaces, real NetBIOS peers, PDF text, a display for screenshots
  iproute2 procps samba samba-common-bin nbtscan poppler-utils xvfb xauth
  # setcap, for the test of a program started with a file capability
  libcap2-bin
  # the installed tree and the package: their validators
  desktop-file-utils appstream lintian
)

case "$purpose" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: scripts/setup.sh [run|test]" >&2; exit 2 ;;
esac

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
