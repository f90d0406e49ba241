#!/bin/sh
# Remakes every asset under resources/: the fonts from Debian's fonts-lato, then the
# images and platform icons drawn by tools/drawassets. Safe to run again at any time.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
/usr/bin/python3 "$here/make-fonts.py"
build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
cmake -S "$here/drawassets" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null
QT_QPA_PLATFORM=offscreen "$build/drawassets" "$root/resources"
