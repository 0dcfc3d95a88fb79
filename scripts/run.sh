#!/usr/bin/env bash
# Installs what is missing, builds Nodewick and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNODEWICK_BUILD_TESTS=OFF -DNODEWICK_BUILD_BENCH=OFF >/dev/null
cmake --build build --target nodewick
exec ./build/src/nodewick "$@"
