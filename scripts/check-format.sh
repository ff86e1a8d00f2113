#!/usr/bin/env bash
# Checks that the C++ sources are laid out as .clang-format says (clang-format 14, the
# Debian package clang-format-14), listing what would change. With --fix, reformats them.
#   scripts/check-format.sh [--fix]
set -u
cd "$(dirname "$0")/.."
tool=$(command -v clang-format-14 || true)
if [ -z "$tool" ]; then
    echo "clang-format-14 is missing (Debian package clang-format-14)" >&2
    exit 2
fi
# Tracked files and new ones not yet added, without what .gitignore leaves out (build/).
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- \
    'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h' | sort -u)
existing=()
for f in "${files[@]}"; do [ -f "$f" ] && existing+=("$f"); done
if [ "${1:-}" = "--fix" ]; then
    "$tool" -i "${existing[@]}"
    exit 0
fi
if out=$("$tool" --dry-run --Werror "${existing[@]}" 2>&1); then
    echo "PASS format: ${#existing[@]} files as .clang-format lays them out"
    exit 0
fi
grep -E '^[^ ].*: error:' <<<"$out" | cut -d: -f1,2 | sort -u | head -40 >&2
echo "FAIL format: run scripts/check-format.sh --fix (the lines above would change)" >&2
exit 1
