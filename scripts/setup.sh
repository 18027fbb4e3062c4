#!/usr/bin/env bash
# Installs what the build needs (when missing), builds everything and runs the
# command-line tool on its built-in sample model. With --install it only installs what is
# missing and returns.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
"" | --install) ;;
*)
  echo "usage: scripts/setup.sh [--install]" >&2
  exit 2
  ;;
esac

need=()
# The outside checks of the exports (scripts/check-exports.sh): assimp and the glTF
# validator, which runs on Node.js.
command -v assimp >/dev/null || need+=(assimp-utils)
command -v node >/dev/null || need+=(nodejs)
command -v npm >/dev/null || need+=(npm)
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
dpkg -s libgtest-dev >/dev/null 2>&1 || need+=(libgtest-dev)
dpkg -s libgmock-dev >/dev/null 2>&1 || need+=(libgmock-dev)
dpkg -s libbenchmark-dev >/dev/null 2>&1 || need+=(libbenchmark-dev)
dpkg -s libpng-dev >/dev/null 2>&1 || need+=(libpng-dev)
dpkg -s libjpeg-dev >/dev/null 2>&1 || need+=(libjpeg-dev)
command -v clang-format >/dev/null || need+=(clang-format)
command -v clang-tidy >/dev/null || need+=(clang-tidy)
command -v clang++ >/dev/null || need+=(clang)
dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y "${need[@]}"
fi

# The glTF validator, at the version of scripts/gltf/package-lock.json, into
# scripts/gltf/node_modules.
[ -f scripts/gltf/node_modules/gltf-validator/package.json ] ||
  npm ci --prefix scripts/gltf --no-audit --no-fund --loglevel=error
[ "${1:-}" = --install ] && exit 0

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
./build/tools/m3d demo
