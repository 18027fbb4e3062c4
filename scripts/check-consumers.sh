#!/usr/bin/env bash
# Builds the examples as a host project would, three ways: against the installed package
# (find_package), through pkg-config, and with add_subdirectory of the sources; then runs
# the README's compile line, literally, on the first example. Uses the build folder that
# scripts/test.sh makes (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
build="$root/${1:-build}"
[ -f "$build/libmodel3d.so" ] || { echo "check-consumers: build $build first (scripts/test.sh)" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
jobs="$(nproc)"

cmake --install "$build" --prefix "$work/prefix" >/dev/null

consumer() {
	local name="$1"
	shift
	echo "-- examples through $name"
	cmake -S examples -B "$work/$name" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
	cmake --build "$work/$name" -j"$jobs" >/dev/null
	(cd "$work" && "$work/$name/example_host_example" >/dev/null)
}
consumer package -DM3D_EXAMPLES_FIND=package -DCMAKE_PREFIX_PATH="$work/prefix"
pcdir="$(dirname "$(find "$work/prefix" -name model3d.pc | head -1)")"
PKG_CONFIG_PATH="$pcdir" consumer pkgconfig -DM3D_EXAMPLES_FIND=pkgconfig
consumer subdirectory -DM3D_EXAMPLES_FIND=subdirectory -DM3D_SOURCE_DIR="$root"

echo "-- the README's compile line"
line="$(grep -E '^    g\+\+ .*-lmodel3d' README.md | head -1 | sed 's/^    //')"
[ -n "$line" ] || { echo "check-consumers: no compile line in README.md" >&2; exit 1; }
mkdir -p "$work/host/model3d"
ln -s "$build" "$work/host/model3d/build"
cp examples/host_example.cpp "$work/host/host.cpp"
(cd "$work/host" && bash -c "$line" && ./a.out >/dev/null)
echo "-- every consumer built and ran"
