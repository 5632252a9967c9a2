#!/usr/bin/env bash
# Installs what is missing, builds the tests with AddressSanitizer and UBSan, and runs them.
# Window and OpenGL tests run under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

build_dir=${BRAKKENTIV_TEST_BUILD:-build-test}
jobs=$(nproc)
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRAKKENTIV_SANITIZE=ON \
  -DBRAKKENTIV_WERROR=ON -DBRAKKENTIV_TESTS=ON -DBRAKKENTIV_BENCH=ON
cmake --build "$build_dir" -j "$jobs"

export ALSOFT_DRIVERS=null
export QT_QPA_PLATFORM=xcb
cd "$build_dir"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$jobs" "$@"
