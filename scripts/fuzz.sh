#!/usr/bin/env bash
# Builds the fuzz targets with clang (build-fuzz) and runs each of them for the given
# number of seconds (default 60) from a fixed seed; fails on the first finding.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
dir=build-fuzz

cmake -S . -B "$dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DM3D_FUZZ=ON -DM3D_BUILD_TESTS=OFF -DM3D_BUILD_BENCH=OFF -DM3D_BUILD_TOOLS=OFF
targets=()
for src in fuzz/*.cpp; do
  targets+=("$(basename "$src" .cpp)")
done
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"

for target in "${targets[@]}"; do
  corpus="$dir/corpus/$target"
  mkdir -p "$corpus" "$dir/artifacts"
  # A few seeds: each first byte (the input kind) followed by fixed pseudo-random bytes.
  for kind in 0 1 2 3 4 5; do
    LC_ALL=C awk -v kind="$kind" \
      'BEGIN { srand(kind); printf "%c", kind; for (i = 0; i < 512; i++) printf "%c", int(rand() * 256) }' \
      > "$corpus/seed-$kind"
  done
  echo "== $target: $seconds s"
  "$dir/fuzz/$target" -seed=1 -max_total_time="$seconds" -timeout=10 -malloc_limit_mb=256 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/$target-" "$corpus"
done
