#!/usr/bin/env bash
# Builds the fuzz targets with clang (build-fuzz), writes each target's seed inputs, and
# runs every target from a fixed seed; fails on the first finding.
#
#   scripts/fuzz.sh [SECONDS]   each target for SECONDS (default 60), keeping its corpus
#   scripts/fuzz.sh --runs N    each target for exactly N inputs from its seeds only, on a
#                               fresh corpus, so that the result is the same every time (CI)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-fuzz
limit=(-max_total_time="${1:-60}")
fresh=0
if [ "${1:-}" = "--runs" ]; then
  limit=(-runs="${2:?--runs needs a count}")
  fresh=1
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Build type "Fuzz" has no flags of its own: fuzz/CMakeLists.txt sets them (assertions on).
cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Fuzz "${launcher[@]}" \
  -DM3D_FUZZ=ON -DM3D_BUILD_TESTS=OFF -DM3D_BUILD_BENCH=OFF -DM3D_BUILD_TOOLS=OFF >/dev/null
targets=()
for src in fuzz/*.cpp; do
  targets+=("$(basename "$src" .cpp)")
done
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"

mkdir -p "$dir/artifacts"
for target in "${targets[@]}"; do
  seeds="$dir/seeds/$target"
  corpus="$dir/corpus/$target"
  rm -rf "$seeds"
  mkdir -p "$seeds"
  [ "$fresh" = 1 ] && rm -rf "$corpus"
  mkdir -p "$corpus"
  if grep -q "WriteSeeds" "fuzz/$target.cpp"; then
    # Valid inputs written by the project's own writers.
    "$dir/fuzz/$target" --make-seeds "$seeds"
  else
    # Each first byte (the input kind) followed by fixed pseudo-random bytes.
    for kind in 0 1 2 3 4 5; do
      LC_ALL=C awk -v kind="$kind" \
        'BEGIN { srand(kind); printf "%c", kind; for (i = 0; i < 512; i++) printf "%c", int(rand() * 256) }' \
        > "$seeds/seed-$kind"
    done
  fi
  echo "== $target: ${limit[*]}"
  # A count that the input cannot hold must be refused before it is allocated, so the
  # allocation limit stays well below what a forged count would ask for.
  "$dir/fuzz/$target" -seed=1 "${limit[@]}" -timeout=10 -malloc_limit_mb=256 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/$target-" "$corpus" "$seeds"
done
