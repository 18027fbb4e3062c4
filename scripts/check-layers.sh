#!/usr/bin/env bash
# Checks that every include of every source file follows the rooms of the house: a file
# may include files of its own room and of the rooms its room's line in the allow-list
# names. Also checks the allow-list itself: every named room must be listed above the
# room that names it, so allowed edges only point down.
#
#   scripts/check-layers.sh [--root DIR] [--list FILE]
#
# Exit code 0 when the tree is clean; 1 with one line per fault otherwise.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
list=""
while [ $# -gt 0 ]; do
	case "$1" in
	--root) root="$(cd "$2" && pwd)"; shift 2 ;;
	--list) list="$2"; shift 2 ;;
	*) echo "usage: $0 [--root DIR] [--list FILE]" >&2; exit 2 ;;
	esac
done
list="${list:-$root/scripts/layers.txt}"
[ -f "$list" ] || { echo "check-layers: no allow-list at $list" >&2; exit 2; }

cd "$root"

areas=()
for area in Model3D platform tools tests bench examples; do
	[ -d "$area" ] && areas+=("$area")
done
[ ${#areas[@]} -gt 0 ] || { echo "check-layers: no source folders under $root" >&2; exit 2; }
files="$(find "${areas[@]}" -type f \
	\( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' -o -name '*.inl' \) | LC_ALL=C sort)"

# Every project file as a "file" line, then every include as "file<TAB>included path".
{
	printf '%s\n' "$files"
	printf '%s\n' "$files" | xargs -r grep -H -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' |
		sed 's/^\([^:]*\):[[:space:]]*#[[:space:]]*include[[:space:]]*["<]\([^">]*\)[">].*/\1\t\2/' || true
} | awk -F'\t' -v listfile="$list" '
	# Room of a path: an exact room for its folder, else the deepest "folder/..." room
	# above it; "" when it has none.
	function room_of(path,   dir, r, best) {
		dir = path
		sub(/\/[^\/]*$/, "", dir)
		if (dir == path) dir = "."
		sub(/\/detail$/, "", dir) # internal headers belong to their room
		if (dir in exact) return dir
		best = ""
		for (r in deep)
			if ((dir == r || index(dir, r "/") == 1) && length(r) > length(best)) best = r
		return best
	}
	# Removes "." and "dir/.." steps from a relative path.
	function normal(path,   n, i, k, step, out, result) {
		n = split(path, step, "/")
		k = 0
		for (i = 1; i <= n; i++) {
			if (step[i] == "." || step[i] == "") continue
			if (step[i] == ".." && k > 0 && out[k] != "..") { k--; continue }
			out[++k] = step[i]
		}
		result = ""
		for (i = 1; i <= k; i++) result = result (i > 1 ? "/" : "") out[i]
		return result
	}
	# The project file an include names: beside the including file, from the root, or
	# from the including file'"'"'s top-level folder (tests/ holds fixtures/...). "" for
	# system headers.
	function resolve(file, inc,   dir, top, c) {
		dir = file
		sub(/\/[^\/]*$/, "", dir)
		top = file
		sub(/\/.*$/, "", top)
		c = normal(dir "/" inc)
		if (c in project) return c
		c = normal(inc)
		if (c in project) return c
		c = normal(top "/" inc)
		if (c in project) return c
		return ""
	}
	BEGIN {
		faults = 0
		n = 0
		while ((getline line < listfile) > 0) {
			sub(/#.*/, "", line)
			if (line ~ /^[[:space:]]*$/) continue
			split(line, parts, ":")
			name = parts[1]
			gsub(/[[:space:]]/, "", name)
			if (name ~ /\/\.\.\.$/) {
				sub(/\/\.\.\.$/, "", name)
				deep[name] = 1
			} else {
				exact[name] = 1
			}
			if (name in order) {
				printf "%s: room %s is listed twice\n", listfile, name
				faults++
			}
			order[name] = ++n
			rest = substr(line, index(line, ":") + 1)
			count = split(rest, allowed, /[[:space:]]+/)
			for (i = 1; i <= count; i++) {
				a = allowed[i]
				if (a == "") continue
				if (a == "*") { everything[name] = 1; continue }
				if (!(a in order)) {
					printf "%s: room %s may include %s, which is not listed above it\n", listfile, name, a
					faults++
					continue
				}
				allow[name, a] = 1
			}
		}
		if (n == 0) {
			printf "%s: no rooms listed\n", listfile
			faults++
		}
	}
	NF == 1 {
		project[$1] = 1
		if (room_of($1) == "") {
			printf "%s: its folder is not a room of the allow-list\n", $1
			faults++
		}
		next
	}
	{
		file = $1
		target = resolve(file, $2)
		from = room_of(file)
		if (target == "" || from == "") next
		to = room_of(target)
		if (to == "") {
			printf "%s: includes %s, which lies in no room\n", file, target
			faults++
		} else if (to != from && !((from, to) in allow) && !(from in everything && order[to] < order[from])) {
			printf "%s: room %s may not include %s (room %s)\n", file, from, target, to
			faults++
		}
	}
	END { exit faults > 0 ? 1 : 0 }
'
