#!/usr/bin/env bash
# Installs what is missing, builds the editor and starts it (in demo mode when the game is
# not installed). Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRAKKENTIV_TESTS=OFF \
  -DBRAKKENTIV_BENCH=OFF
cmake --build build -j "$(nproc)"
exec build/bin/BrakkenTiv "$@"
