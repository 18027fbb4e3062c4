#!/usr/bin/env bash
# The m3d command line: exit codes and where its messages go.
#
#   m3d-cli-test.sh PATH/TO/m3d
set -uo pipefail
m3d="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

# case NAME STATUS STREAM PATTERN -- COMMAND...: runs the command; its exit status must be
# STATUS ("nonzero" for any failure) and STREAM (out or err) must hold PATTERN.
case_() {
	local name="$1" status="$2" stream="$3" pattern="$4"
	shift 5
	"$@" >"$work/out" 2>"$work/err"
	local rc=$?
	local ok=1
	if [ "$status" = nonzero ]; then [ "$rc" -ne 0 ] || ok=0; else [ "$rc" -eq "$status" ] || ok=0; fi
	grep -qF -- "$pattern" "$work/$stream" || ok=0
	if [ "$rc" -ge 128 ]; then ok=0; fi # killed by a signal: an abort is never an answer
	if [ "$ok" -eq 0 ]; then
		echo "FAIL $name: exit $rc (wanted $status), $stream should hold '$pattern'"
		echo "--- stdout"; head -5 "$work/out"; echo "--- stderr"; head -5 "$work/err"
		failures=$((failures + 1))
	fi
}

case_ help 0 out "usage: m3d" -- "$m3d" --help
case_ help-verb 0 out "usage: m3d" -- "$m3d" help
case_ version 0 out "m3d " -- "$m3d" --version
case_ unknown-verb 2 err "m3d: unknown command 'frobnicate'" -- "$m3d" frobnicate
case_ extra-argument 2 err "m3d: unexpected argument 'more'" -- "$m3d" demo more
case_ demo 0 out "model3d stopped" -- "$m3d" demo
case_ seed-missing 2 err "m3d: --seed needs a number" -- "$m3d" demo --seed
case_ seed-not-a-number 2 err "m3d: --seed needs a number, not '12x'" -- "$m3d" demo --seed 12x
case_ seed-then-extra 2 err "m3d: unexpected argument 'more'" -- "$m3d" demo --seed 7 more

# The same seed gives the same output; another seed other element identifiers.
"$m3d" demo --seed 7 >"$work/a" 2>&1 && "$m3d" demo --seed 7 >"$work/b" 2>&1 &&
	"$m3d" demo --seed 8 >"$work/c" 2>&1
if ! cmp -s "$work/a" "$work/b" || cmp -s "$work/a" "$work/c"; then
	echo "FAIL seed: --seed 7 twice should match and --seed 8 should differ"
	diff "$work/a" "$work/b" | head -5
	failures=$((failures + 1))
fi
case_ unusable-tmpdir nonzero err "m3d: " -- env TMPDIR="$work/missing" "$m3d" demo
# M3D_LOG=1 echoes the module's log lines on stderr: a bad preference value and why the
# module could not start (nothing can be made inside /proc).
case_ log-echo-pref 0 err "[Kit] warning: Preference M3D_PREF_Atelier_compress" -- \
	env M3D_LOG=1 M3D_PREF_Atelier_compress=maybe "$m3d" demo
if [ -d /proc/self ]; then
	case_ init-failure nonzero err "m3d: M3DInit failed for /proc/" -- env TMPDIR=/proc "$m3d" demo
	case_ log-echo-init nonzero err "[Modeler] error: M3DInit failed for /proc/" -- env M3D_LOG=1 TMPDIR=/proc "$m3d" demo
fi
if [ -w /dev/full ]; then
	case_ full-output nonzero err "m3d: cannot write the output" -- sh -c '"$1" demo >/dev/full' sh "$m3d"
fi

# The model-file verbs.
case_ info-help 0 out "usage: m3d" -- "$m3d" info --help
case_ info-no-file 2 err "m3d: info needs one file" -- "$m3d" info
case_ convert-one-file 2 err "m3d: convert needs an input and an output file" -- "$m3d" convert "$work/x"
case_ write-no-file 2 err "m3d: --write needs a file name" -- "$m3d" demo --write
case_ info-missing 3 err "m3d: $work/missing.m3d: cannot open" -- "$m3d" info "$work/missing.m3d"
printf 'not a model file at all' >"$work/text.m3d"
case_ info-not-a-model 4 err "m3d: $work/text.m3d: not a model file" -- "$m3d" info "$work/text.m3d"
case_ demo-write 0 out "sample building written to $work/demo.m3d" -- "$m3d" demo --seed 7 --write "$work/demo.m3d"
case_ info-demo 0 out "read: 13 bodies, 2 lights; store: 4 materials" -- "$m3d" info "$work/demo.m3d"
case_ list-counts 0 out "Polygons: " -- "$m3d" list "$work/demo.m3d" --level 1
case_ list-one-polygon 0 out "  Polygon 2:" -- "$m3d" list "$work/demo.m3d" --level 3 --polygons 2-2 --element 1
case_ list-no-such-body 4 err "there is no body 99" -- "$m3d" list "$work/demo.m3d" --element 99
case_ list-bad-range 2 err "m3d: --polygons needs a range A-B" -- "$m3d" list "$work/demo.m3d" --polygons 5-2
head -c 3000 "$work/demo.m3d" >"$work/cut.m3d"
case_ info-truncated 4 err "m3d: $work/cut.m3d: " -- "$m3d" info "$work/cut.m3d"
case_ convert-unwritable 3 err "cannot write" -- "$m3d" convert "$work/demo.m3d" "$work/missing/out.m3d"
case_ convert 0 out "version 4032" -- "$m3d" convert "$work/demo.m3d" "$work/again.m3d"
# What a converted file reads to is what the original reads to.
"$m3d" info "$work/demo.m3d" | grep -E '^(read|bounds):' >"$work/info-a"
"$m3d" info "$work/again.m3d" | grep -E '^(read|bounds):' >"$work/info-b"
if ! cmp -s "$work/info-a" "$work/info-b"; then
	echo "FAIL convert: the converted file reads differently"
	diff "$work/info-a" "$work/info-b" | head -5
	failures=$((failures + 1))
fi

# Export.
case_ export-help 0 out "export     write the bodies" -- "$m3d" export --help
case_ export-no-input 2 err "m3d: export needs one model file or --demo" -- "$m3d" export --format obj -o "$work/x.obj"
case_ export-two-inputs 2 err "m3d: export needs one model file or --demo" -- \
	"$m3d" export "$work/demo.m3d" --demo --format obj -o "$work/x.obj"
case_ export-no-format 2 err "m3d: export needs --format obj, gltf or glb" -- "$m3d" export --demo -o "$work/x.obj"
case_ export-bad-format 2 err "m3d: --format needs obj, gltf or glb, not 'stl'" -- \
	"$m3d" export --demo --format stl -o "$work/x.stl"
case_ export-no-output 2 err "m3d: export needs -o OUT" -- "$m3d" export --demo --format obj
case_ export-missing 3 err "m3d: $work/missing.m3d: cannot open" -- \
	"$m3d" export "$work/missing.m3d" --format obj -o "$work/x.obj"
case_ export-not-a-model 4 err "m3d: $work/text.m3d: not a model file" -- \
	"$m3d" export "$work/text.m3d" --format glb -o "$work/x.glb"
case_ export-unwritable 3 err "cannot write" -- "$m3d" export --demo --format gltf -o "$work/missing/x.gltf"
case_ export-demo-obj 0 out "OBJ written to $work/demo.obj: 13 bodies (6 distinct)" -- \
	"$m3d" export --demo --format obj -o "$work/demo.obj"
case_ export-file-obj 0 out "OBJ written to $work/file.obj: 13 bodies (13 distinct)" -- \
	"$m3d" export "$work/demo.m3d" --format obj -o "$work/file.obj"
case_ export-demo-gltf 0 out "glTF written to $work/demo.gltf" -- "$m3d" export --demo --format gltf -o "$work/demo.gltf"
case_ export-demo-glb 0 out "GLB written to $work/demo.glb" -- "$m3d" export --demo --format glb -o "$work/demo.glb"
[ -s "$work/demo.mtl" ] || { echo "FAIL export-mtl: no MTL file next to the OBJ"; failures=$((failures + 1)); }
# The sample's plaster has a brick picture: a PNG next to the OBJ, named by the MTL file.
if ! grep -qx 'map_Kd demo_texture1.png' "$work/demo.mtl" ||
	[ "$(od -An -tx1 -N8 "$work/demo_texture1.png" | tr -d ' \n')" != 89504e470d0a1a0a ]; then
	echo "FAIL export-texture: no brick picture next to the OBJ"; failures=$((failures + 1))
fi

# Every format of one model gives the same counts.
for f in obj gltf glb; do "$m3d" export --demo --format $f -o "$work/c.$f" | head -1 | sed 's/^.*: //'; done >"$work/counts"
if [ "$(sort -u "$work/counts" | wc -l)" -ne 1 ]; then
	echo "FAIL export-counts: the formats disagree"; cat "$work/counts"; failures=$((failures + 1))
fi
# A GLB's header names its own length.
if [ "$(head -c 4 "$work/demo.glb")" != glTF ] ||
	[ "$(od -An -tu4 -j8 -N4 "$work/demo.glb" | tr -d ' ')" -ne "$(wc -c <"$work/demo.glb")" ]; then
	echo "FAIL export-glb: bad GLB header"; failures=$((failures + 1))
fi

# Parse an OBJ export back: the faces are the printed triangles, each face names three
# written vertices, the normals have unit length and agree with the winding of flat
# faces, and the vertices span the model's bounds.
check_obj() {
	local obj="$1" triangles="$2"
	awk -v want="$triangles" '
		$1 == "v" { n++; x[n] = $2; y[n] = $3; z[n] = $4
			if (n == 1 || $2 < x0) x0 = $2; if (n == 1 || $2 > x1) x1 = $2
			if (n == 1 || $3 < y0) y0 = $3; if (n == 1 || $3 > y1) y1 = $3
			if (n == 1 || $4 < z0) z0 = $4; if (n == 1 || $4 > z1) z1 = $4 }
		$1 == "vn" { k++; nx[k] = $2; ny[k] = $3; nz[k] = $4
			l = $2 * $2 + $3 * $3 + $4 * $4; if (l < 0.999 || l > 1.001) bad = "normal " k " is not a unit vector" }
		$1 == "f" { faces++
			for (i = 2; i <= 4; i++) { split($i, p, "/"); c[i] = p[1] + 0; if (c[i] < 1 || c[i] > n) bad = "face " faces " index out of range" }
			ux = x[c[3]] - x[c[2]]; uy = y[c[3]] - y[c[2]]; uz = z[c[3]] - z[c[2]]
			vx = x[c[4]] - x[c[2]]; vy = y[c[4]] - y[c[2]]; vz = z[c[4]] - z[c[2]]
			gx = uy * vz - uz * vy; gy = uz * vx - ux * vz; gz = ux * vy - uy * vx
			d = 0; for (i = 2; i <= 4; i++) d += gx * nx[c[i]] + gy * ny[c[i]] + gz * nz[c[i]]
			if (d <= 0) bad = "face " faces " is wound against its normals" }
		END {
			if (faces != want) bad = faces " faces, " want " triangles printed"
			if (bad != "") { print "bad: " bad; exit 1 }
			printf "bounds: x %.4f .. %.4f, y %.4f .. %.4f, z %.4f .. %.4f\n", x0, x1, y0, y1, z0, z1 }' "$obj"
}
triangles="$(sed -n 's/.*, \([0-9]*\) triangles,.*/\1/p' "$work/counts" | head -1)"
if ! check_obj "$work/file.obj" "$triangles" >"$work/obj-bounds" ||
	! "$m3d" info "$work/demo.m3d" | grep '^bounds:' | cmp -s - "$work/obj-bounds"; then
	echo "FAIL export-obj-geometry: $(cat "$work/obj-bounds")"; failures=$((failures + 1))
fi
if ! check_obj "$work/demo.obj" "$triangles" >"$work/obj-bounds" ||
	! "$m3d" info "$work/demo.m3d" | grep '^bounds:' | cmp -s - "$work/obj-bounds"; then
	echo "FAIL export-demo-geometry: $(cat "$work/obj-bounds")"; failures=$((failures + 1))
fi

# Render.
case_ render-help 0 out "render     draw the model" -- "$m3d" render --help
case_ render-no-input 2 err "m3d: render needs one model file or --demo" -- "$m3d" render -o "$work/x.png"
case_ render-no-output 2 err "m3d: render needs -o OUT.png" -- "$m3d" render --demo
case_ render-bad-view 2 err "m3d: --view needs iso, top, front or side, not 'below'" -- \
	"$m3d" render --demo --view below -o "$work/x.png"
case_ render-bad-size 2 err "m3d: --size needs WxH, each from 16 to 8192, not '300'" -- \
	"$m3d" render --demo --size 300 -o "$work/x.png"
case_ render-missing 3 err "m3d: $work/missing.m3d: cannot open" -- "$m3d" render "$work/missing.m3d" -o "$work/x.png"
case_ render-not-a-model 4 err "m3d: $work/text.m3d: not a model file" -- "$m3d" render "$work/text.m3d" -o "$work/x.png"
case_ render-unwritable 3 err "cannot write the picture" -- "$m3d" render --demo -o "$work/missing/x.png"
case_ render-demo 0 out "iso view written to $work/demo.png: 800x600 pixels" -- "$m3d" render --demo -o "$work/demo.png"
if [ "$(od -An -tx1 -N8 "$work/demo.png" | tr -d ' \n')" != 89504e470d0a1a0a ]; then
	echo "FAIL render-png: not a PNG file"; failures=$((failures + 1))
fi
# Seen from above the building is its 10 m x 8 m slab: fitted into 200x160 pixels with a
# margin of 8 that is 18 pixels a metre, 180 x 144 pixels, no more and no fewer.
case_ render-top-cover 0 out "200x160 pixels, 316 triangles, 25920 pixels covered" -- \
	"$m3d" render "$work/demo.m3d" --view top --size 200x160 -o "$work/top.png"
# The file's bodies are already placed; the sample's are placed while drawing: every view
# covers the same pixels.
for view in iso top front side; do
	a="$("$m3d" render "$work/demo.m3d" --view $view --size 300x200 -o "$work/a.png" | sed 's/^.*: //')"
	b="$("$m3d" render --demo --view $view --size 300x200 -o "$work/b.png" | sed 's/^.*: //')"
	if [ -z "$a" ] || [ "$a" != "$b" ] || ! cmp -s "$work/a.png" "$work/b.png"; then
		echo "FAIL render-$view: file and sample pictures differ ($a / $b)"; failures=$((failures + 1))
	fi
done

exit $((failures > 0))
