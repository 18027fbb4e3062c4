#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over the sources of the library, its platform layer and the
# tools, in parallel, with the compile commands of a build folder (default: build, which
# scripts/test.sh makes). Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
[ -f "$dir/compile_commands.json" ] || cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
run-clang-tidy -quiet -p "$dir" -j "$(nproc)" "^$(pwd)/(Model3D|platform|tools)/.*\.cpp$"
