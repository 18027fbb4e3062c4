#!/usr/bin/env bash
# Builds the module and runs every test. With --sanitize the tests are built
# and run under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build
opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DM3D_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  opts=(-DCMAKE_BUILD_TYPE=Debug -DM3D_WERROR=ON -DM3D_SANITIZE=ON -DM3D_BUILD_BENCH=OFF)
fi

cmake -S . -B "$dir" "${opts[@]}"
cmake --build "$dir" -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
