#!/usr/bin/env bash
# Runs clang-tidy with the tree's .clang-tidy over the project's .cpp files,
# using the compile commands of a configured build folder.
#   scripts/tidy.sh BUILD_DIR            every file the build compiles
#   scripts/tidy.sh BUILD_DIR FILE...    only these (paths from the top)
# Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/tidy.sh BUILD_DIR [FILE...]}
shift
tidy=$(command -v clang-tidy || command -v clang-tidy-14)
db="$build/compile_commands.json"
[ -f "$db" ] || { echo "tidy: no $db; configure and build first" >&2; exit 2; }

# The files the build compiles, less generated ones, as paths from the top.
mapfile -t compiled < <(python3 -c '
import json, os, sys
top = os.getcwd() + "/"
for e in json.load(open(sys.argv[1])):
    f = os.path.normpath(os.path.join(e["directory"], e["file"]))
    if f.startswith(top) and "/build" not in f[len(top):].split("/")[0] and "_autogen" not in f:
        print(f[len(top):])
' "$db" | sort -u)

if [ $# -gt 0 ]; then
  wanted=()
  for f in "$@"; do
    printf '%s\n' "${compiled[@]}" | grep -qxF "$f" && wanted+=("$f")
  done
else
  wanted=("${compiled[@]}")
fi
[ ${#wanted[@]} -gt 0 ] || { echo "tidy: nothing to check"; exit 0; }
echo "tidy: ${#wanted[@]} files"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
printf '%s\n' "${wanted[@]}" | xargs -P"$(nproc)" -n4 "$tidy" -p "$build" --quiet --header-filter="^$PWD/(src|tests|bench|tools)/" >"$out" 2>/dev/null || status=$?
# The findings, one line each; the explanatory notes stay out of the log.
grep -E ': (warning|error): ' "$out" | sort -u || true
[ "$status" -eq 0 ] && echo "tidy: clean"
exit "$status"
