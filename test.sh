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

# --- Fuzzing: the archive reader -------------------------------------------------------------
# A separate clang build of tests/fuzz (the reader with libFuzzer, ASan and UBSan), seeded with
# valid archives of every layout, fuzzed for 60 seconds. A crash, leak or sanitizer report
# fails the script. Set BRAKKENTIV_SKIP_FUZZ=1 to leave it out.
if [ -z "${BRAKKENTIV_SKIP_FUZZ:-}" ]; then
  repo_root=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' CMakeCache.txt)
  fuzz_dir=$PWD/fuzz
  cmake -S "$repo_root/tests/fuzz" -B "$fuzz_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build "$fuzz_dir" -j "$jobs"
  mkdir -p "$fuzz_dir/seeds" "$fuzz_dir/corpus"
  "$fuzz_dir/fuzz_seeds" "$fuzz_dir/seeds"
  if ! "$fuzz_dir/fuzz_hovfolder" -max_total_time=60 -max_len=16384 -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$fuzz_dir/" \
      "$fuzz_dir/corpus" "$fuzz_dir/seeds" >"$fuzz_dir/fuzz.log" 2>&1; then
    tail -n 60 "$fuzz_dir/fuzz.log"
    echo "test.sh: the archive reader fuzzer found a crash (input saved in $fuzz_dir)" >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units)' "$fuzz_dir/fuzz.log" || true
fi
# --- End of fuzzing --------------------------------------------------------------------------
