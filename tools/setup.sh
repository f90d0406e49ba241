#!/bin/sh
# Installs what is missing (Debian 12, apt-get), builds, then starts the program or runs the tests.
#   tools/setup.sh run    build and start the program
#   tools/setup.sh test   build and run the whole test suite headless
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

missing=""
for package in $(grep -v '^#' tools/debian-packages.txt); do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ]; then
    as_root=""
    [ "$(id -u)" -eq 0 ] || as_root="sudo"
    echo "installing:$missing"
    $as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
    # shellcheck disable=SC2086
    $as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi

case "${1:-}" in
run)
    cmake --preset dev
    cmake --build --preset dev -j2
    exec build/dev/app/tavrin-proxy-tester
    ;;
test)
    cmake --preset ci
    cmake --build --preset ci -j2
    QT_QPA_PLATFORM=offscreen ctest --preset ci
    ;;
*)
    echo "usage: tools/setup.sh run|test" >&2
    exit 2
    ;;
esac
