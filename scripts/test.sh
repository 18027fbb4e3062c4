#!/usr/bin/env bash
# Builds the module and runs every test. With --sanitize the tests are built
# and run under AddressSanitizer and UndefinedBehaviorSanitizer; with --tsan the
# threaded tests are built and run under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build
opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DM3D_WERROR=ON)
targets=()
filter=()
case "${1:-}" in
--sanitize)
  dir=build-asan
  opts=(-DCMAKE_BUILD_TYPE=Debug -DM3D_WERROR=ON -DM3D_SANITIZE=ON -DM3D_BUILD_BENCH=OFF)
  ;;
--tsan)
  # The tests that run threads, under ThreadSanitizer (their names say Thread or Concurrent).
  dir=build-tsan
  opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DM3D_WERROR=ON -DM3D_TSAN=ON -DM3D_BUILD_BENCH=OFF -DM3D_BUILD_TOOLS=OFF)
  targets=(--target test_platform test_core test_bodies test_geometry)
  filter=(-R "Thread|Concurrent")
  ;;
"") ;;
*)
  echo "usage: scripts/test.sh [--sanitize | --tsan]" >&2
  exit 2
  ;;
esac

cmake -S . -B "$dir" "${opts[@]}"
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" "${filter[@]}"
