#!/usr/bin/env bash
# Outside checks of `m3d export`: exports the sample building (and the same building read
# back from a model file that `m3d demo --write` wrote, whose bodies are already placed) as
# glTF, GLB and OBJ, and then
#   - runs the Khronos glTF validator (scripts/validate-gltf.js) on the glTF and GLB files:
#     0 errors and 0 warnings, and its draw calls, vertices, triangles and materials are
#     what m3d says the file stores;
#   - imports every file with assimp (`assimp info`), once raw (no post-processing) and
#     once with the tool's default post-processing, and compares the counts with the
#     figures that m3d export prints (see below).
# Needs what ./scripts/setup.sh --install installs (assimp-utils, Node.js and the
# validator in scripts/gltf/node_modules) and a built m3d:
#
#   scripts/check-exports.sh [BUILD-DIR]     (default: build)
#
# What is compared. m3d export prints two lines:
#   FORMAT written to OUT: B bodies (D distinct), T triangles, M materials
#   stored: S meshes of one material, V vertices, F triangles, M materials, X textures
# The first describes the model (the same for every format); the second the file as an
# importer reads it without post-processing: the meshes of one material each (glTF: the
# primitives of the D distinct meshes; OBJ: the material groups of every placed body),
# their vertices (three a triangle: corners are not shared) and their triangles (glTF:
# each distinct mesh once, placements are nodes; OBJ: every placement written out).
#   assimp raw:      Meshes = S, Vertices = V, Faces = F, Nodes = B + 1 (the root),
#                    Materials = M + 1 (both importers add a default material),
#                    Textures (embed.) = X for glTF and GLB (pictures in the buffer), 0 for
#                    OBJ (picture files next to it)
#   assimp default:  Meshes = S, Faces = F, Materials = M (the unused default material
#                    is removed); Vertices are not compared there, since its
#                    JoinIdenticalVertices step merges equal corners by its own tolerance
#                    (and a diffuse texture for each of the X pictures)
#   validator:       draw calls = S, vertices = V, triangles = F, materials = M
#   OBJ:             the MTL file's map_Kd lines name X PNG files next to it
set -uo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
m3d="$dir/tools/m3d"
[ -x "$m3d" ] || { echo "check-exports: no $m3d: build first (scripts/test.sh)" >&2; exit 2; }
command -v assimp >/dev/null || { echo "check-exports: no assimp: run ./scripts/setup.sh --install" >&2; exit 2; }
[ -f scripts/gltf/node_modules/gltf-validator/package.json ] ||
	{ echo "check-exports: no glTF validator: run ./scripts/setup.sh --install" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {
	echo "FAIL $*"
	failed=$((failed + 1))
}
# expect WHAT GOT WANTED
expect() {
	if [ "$2" = "$3" ]; then pass; else fail "$1: $2, wanted $3"; fi
}
# The number after "KEY:" in an assimp info report.
field() { sed -n "s/^$2: *\([0-9][0-9]*\).*/\1/p" "$1" | head -1; }

"$m3d" demo --seed 7 --write "$work/demo.m3d" >/dev/null || { echo "FAIL m3d demo --write"; exit 1; }

for source in demo file; do
	input=(--demo)
	[ "$source" = file ] && input=("$work/demo.m3d")
	for format in gltf glb obj; do
		name="$source.$format"
		out="$work/$name"
		if ! "$m3d" export "${input[@]}" --format $format -o "$out" >"$work/$name.txt" 2>&1; then
			fail "$name: m3d export failed: $(cat "$work/$name.txt")"
			continue
		fi
		# The printed figures.
		read -r B D T M < <(sed -n 's/.*: \([0-9]*\) bodies (\([0-9]*\) distinct), \([0-9]*\) triangles, \([0-9]*\) materials$/\1 \2 \3 \4/p' "$work/$name.txt")
		read -r S V F X < <(sed -n 's/^stored: \([0-9]*\) meshes of one material, \([0-9]*\) vertices, \([0-9]*\) triangles, [0-9]* materials, \([0-9]*\) textures$/\1 \2 \3 \4/p' "$work/$name.txt")
		if [ -z "${B:-}" ] || [ -z "${S:-}" ]; then
			fail "$name: m3d export printed no counts: $(cat "$work/$name.txt")"
			continue
		fi
		echo "$name: $B bodies ($D distinct), $T triangles, $M materials; stored $S meshes, $V vertices, $F triangles, $X textures"

		if [ $format != obj ]; then
			node scripts/validate-gltf.js "$out" >"$work/$name.validator" 2>&1
			status=$?
			sed 's/^/  validator: /' "$work/$name.validator"
			if [ $status -ne 0 ]; then
				fail "$name: the glTF validator found errors or warnings"
			else
				pass
				summary="$(tail -1 "$work/$name.validator")"
				expect "$name: validator counts" "$(echo "$summary" | sed -n 's/.*(\(.*\))$/\1/p')" \
					"$S draw calls, $V vertices, $F triangles, $M materials"
			fi
		fi

		textures=0
		[ $format != obj ] && textures=$X
		if ! assimp info "$out" -r >"$work/$name.raw" 2>&1; then
			fail "$name: assimp cannot import it raw: $(grep -i error "$work/$name.raw" | head -3)"
		else
			r="$work/$name.raw"
			echo "  assimp raw: $(field "$r" Meshes) meshes, $(field "$r" Vertices) vertices, $(field "$r" Faces) faces, $(field "$r" Materials) materials, $(field "$r" Nodes) nodes, $(field "$r" 'Textures (embed.)') embedded textures"
			expect "$name: assimp raw meshes" "$(field "$r" Meshes)" "$S"
			expect "$name: assimp raw vertices" "$(field "$r" Vertices)" "$V"
			expect "$name: assimp raw faces" "$(field "$r" Faces)" "$F"
			expect "$name: assimp raw materials" "$(field "$r" Materials)" "$((M + 1))"
			expect "$name: assimp raw nodes" "$(field "$r" Nodes)" "$((B + 1))"
			expect "$name: assimp raw embedded textures" "$(field "$r" 'Textures (embed.)')" "$textures"
		fi
		if ! assimp info "$out" >"$work/$name.full" 2>&1; then
			fail "$name: assimp cannot import it: $(grep -i error "$work/$name.full" | head -3)"
		else
			r="$work/$name.full"
			echo "  assimp: $(field "$r" Meshes) meshes, $(field "$r" Vertices) vertices (joined), $(field "$r" Faces) faces, $(field "$r" Materials) materials"
			expect "$name: assimp meshes" "$(field "$r" Meshes)" "$S"
			expect "$name: assimp faces" "$(field "$r" Faces)" "$F"
			expect "$name: assimp materials" "$(field "$r" Materials)" "$M"
			# Every written picture is some material's diffuse texture.
			files="$(grep -c '(\$tex.file): .*| Diffuse' "$r")"
			if { [ "$X" -eq 0 ] && [ "$files" -eq 0 ]; } || { [ "$X" -gt 0 ] && [ "$files" -ge "$X" ]; }; then pass; else
				fail "$name: assimp sees $files diffuse textures for $X pictures"
			fi
		fi
		if [ $format = obj ]; then
			# The MTL file names its pictures, PNG files next to it.
			pngs=0
			for png in $(sed -n 's/^map_Kd //p' "${out%.obj}.mtl"); do
				if [ "$(od -An -tx1 -N8 "$work/$png" 2>/dev/null | tr -d ' \n')" = 89504e470d0a1a0a ]; then
					pngs=$((pngs + 1))
				else
					fail "$name: $png, named by map_Kd, is no PNG file next to the OBJ"
				fi
			done
			expect "$name: PNG pictures named by the MTL file" "$pngs" "$X"
		fi
	done
done

echo "check-exports: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
