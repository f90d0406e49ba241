#!/bin/sh
# clang-format and clang-tidy over the project's own sources, using the build's
# compile_commands.json (default build/ci). Exits non-zero on any finding.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/ci}" && pwd)
cd "$root"
files=$(git ls-files '*.cpp' '*.h')
echo "== clang-format"
# shellcheck disable=SC2086
clang-format --dry-run --Werror $files
echo "== clang-tidy"
sources=$(git ls-files '*.cpp' | grep -v '^tools/drawassets/')
# shellcheck disable=SC2086
run-clang-tidy -quiet -p "$build" -j 2 -extra-arg=-Wno-gnu-zero-variadic-macro-arguments $sources >"$build/clang-tidy.log" 2>&1 || {
    grep -E 'warning:|error:' "$build/clang-tidy.log" | sort -u >&2
    exit 1
}
echo "clean"
