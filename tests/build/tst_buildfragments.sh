#!/usr/bin/env bash
# Every CMake file of the tree is needed: with any one of them missing, the configure must stop
# and name it, instead of quietly building less (a lost test fragment once dropped six tests).
# Usage: tst_buildfragments.sh SOURCE_DIR
set -uo pipefail
src="$(cd "${1:?source folder}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
tree="$work/src"
mkdir "$tree"
tar -C "$src" --exclude=./.git --exclude=./build --exclude='./build-*' --exclude=node_modules \
    -cf - . | tar -C "$tree" -xf -

configure() { cmake -S "$tree" -B "$work/b" -G Ninja >"$work/log" 2>&1; }
# CMake folds its messages over lines: read the log as one line of single spaces.
named() { tr -s '\n ' ' ' <"$work/log" | grep -qF "$1"; }
if ! configure; then
    echo "FAIL: the whole tree does not configure"; cat "$work/log"; exit 1
fi

passed=0
failed=0
while IFS= read -r rel; do
    [ "$rel" = "CMakeLists.txt" ] && continue
    mv "$tree/$rel" "$work/held"
    if configure; then
        echo "FAIL: configured without $rel"
        failed=$((failed + 1))
    elif named "$tree/$rel" || named "$(dirname "$tree/$rel") does not contain a CMakeLists.txt" \
        || { [ "$rel" = cmake/Morvelin.cmake ] && named "include could not find requested file: Morvelin"; }; then
        passed=$((passed + 1))
    else
        echo "FAIL: the configure without $rel stopped without naming it:"
        cat "$work/log"
        failed=$((failed + 1))
    fi
    mv "$work/held" "$tree/$rel"
done < <(cd "$tree" && find . \( -name CMakeLists.txt -o -name '*.cmake' \) -printf '%P\n' | sort)

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
