#!/usr/bin/env bash
# The layer check on small made-up trees: a clean tree passes, and each kind of fault
# fails with a line that names it.
#
#   check-layers-test.sh PATH/TO/check-layers.sh
set -uo pipefail
check="$(realpath "$1")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

# Makes a fresh tree: two rooms (low below high) and a test area.
make_tree() {
	rm -rf "$work/tree"
	mkdir -p "$work/tree/Model3D/low" "$work/tree/Model3D/high" "$work/tree/platform" "$work/tree/tests/area"
	cd "$work/tree"
	echo '#include <vector>' > platform/P.h
	printf '#include "platform/P.h"\n' > Model3D/low/Low.h
	printf '#include "Model3D/low/Low.h"\n#include "High2.h"\n' > Model3D/high/High.h
	: > Model3D/high/High2.h
	printf '#include "Model3D/high/High.h"\n' > tests/area/T.cpp
	cat > layers.txt <<'LIST'
platform:
Model3D/low: platform
Model3D/high: platform Model3D/low
tests/...: *
LIST
}

# expect NAME STATUS PATTERN: runs the check on the tree; STATUS 0 or 1, PATTERN a text
# its output must hold (empty: none).
expect() {
	local name="$1" status="$2" pattern="$3" out rc
	out="$("$check" --root "$work/tree" --list "$work/tree/layers.txt" 2>&1)"
	rc=$?
	if [ "$rc" -ne "$status" ] || { [ -n "$pattern" ] && ! grep -qF -- "$pattern" <<<"$out"; }; then
		echo "FAIL $name: exit $rc (wanted $status), output:"
		echo "$out"
		failures=$((failures + 1))
	fi
}

make_tree
expect clean-tree 0 ""

make_tree
echo '#include "Model3D/high/High.h"' >> Model3D/low/Low.h
expect upward-include 1 "Model3D/low/Low.h: room Model3D/low may not include Model3D/high/High.h"

make_tree
echo '#include "../high/High2.h"' >> Model3D/low/Low.h
expect upward-relative-include 1 "room Model3D/low may not include Model3D/high/High2.h"

make_tree
mkdir -p Model3D/new && : > Model3D/new/N.h
expect folder-without-room 1 "Model3D/new/N.h: its folder is not a room"

make_tree
sed -i 's#^Model3D/low: platform#Model3D/low: platform Model3D/high#' layers.txt
expect edge-pointing-up 1 "room Model3D/low may include Model3D/high, which is not listed above it"

make_tree
mkdir -p Model3D/low/detail && : > Model3D/low/detail/D.h
echo '#include "Model3D/low/detail/D.h"' >> Model3D/low/Low.h
echo '#include "Model3D/low/detail/D.h"' >> Model3D/high/High.h
expect detail-belongs-to-its-room 0 ""

make_tree
echo '#include "tests/area/T.cpp"' >> Model3D/high/High.h
expect library-includes-tests 1 "room Model3D/high may not include tests/area/T.cpp"

exit $((failures > 0))
