#!/usr/bin/env bash
# What the shared library exports: the plain functions under their undecorated names, the
# public classes, and nothing of the module's internals; and no absolute source path.
#
#   exports-test.sh LIBRARY SOURCE_DIR
set -uo pipefail
library="$1"
source_dir="$2"
failures=0
fail() {
	echo "FAIL $*"
	failures=$((failures + 1))
}

plain="$(nm -D --defined-only "$library" | awk '$2 ~ /^[TW]$/ { print $3 }')"
demangled="$(nm -DC --defined-only "$library" | awk '$2 ~ /^[TWVR]$/ { $1 = ""; $2 = ""; print }')"

# Plain, undecorated names that the host looks up.
while read -r name; do
	[ -z "$name" ] && continue
	grep -qx -- "$name" <<<"$plain" || fail "plain function $name is not exported"
done <<'NAMES'
GetTemporaryFolder
NAMES

# Public C++ interface (demangled prefixes).
while read -r name; do
	[ -z "$name" ] && continue
	grep -qF -- "$name" <<<"$demangled" || fail "$name is not exported"
done <<'NAMES'
M3DInit(
Modeler::Model3D::New(
Modeler::Body::QuickWrite(
Modeler::CandidateBody::ToBody(
Modeler::Attributes::New(
typeinfo for Kit::IllegalArgumentException
NAMES

# Internals that must stay hidden.
internal="$(grep -E '(^|[ :(<,])(detail|Detail|PropListDetail)::|BodyRules|QuickStream|\(anonymous namespace\)' <<<"$demangled")"
[ -z "$internal" ] || fail "internal symbols are exported:"$'\n'"$(head -20 <<<"$internal")"

# No build machine's path in the library.
if strings -a "$library" | grep -qF -- "$source_dir/"; then
	fail "the library holds the absolute source path $source_dir/"
fi

exit $((failures > 0))
