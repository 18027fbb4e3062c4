#!/usr/bin/env bash
# Checks that every C++ file of the project is formatted by the project's .clang-format
# (clang-format 14). With --fix, formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
	clang-format -i --style=file "${files[@]}"
else
	clang-format --dry-run --Werror --style=file "${files[@]}"
fi
