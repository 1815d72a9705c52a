#!/usr/bin/env bash
# Installs what is missing, builds and runs every test with ctest.
#   ./test.sh             full build (engine, cli, Qt program) and all tests
#   ./test.sh --sanitize  engine and cli tests built with AddressSanitizer + UBSan
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps

jobs=$(nproc)
if [ "${1:-}" = "--sanitize" ]; then
  build=build-sanitize
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DLUMARET_SANITIZE=ON \
        -DLUMARET_BUILD_APP=OFF -DLUMARET_BUILD_BENCH=OFF >/dev/null
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  build=build
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j"$jobs"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$jobs"
