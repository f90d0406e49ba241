#!/bin/sh
# Checks packaging end to end from a build folder (default build/ci): `cmake --install`
# puts the program, desktop entry and icons in place; the .deb installs with apt-get,
# its program shows its window under Xvfb, and it removes cleanly.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/ci}" && pwd)
stage=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$stage"
}
trap cleanup EXIT

fail() { echo "check-package: $*" >&2; exit 1; }

# Shows the window within 15 s, or fails.
window_appears() {
    DISPLAY=:97 "$1" >"$stage/app.log" 2>&1 &
    app=$!
    for _ in $(seq 1 150); do
        if DISPLAY=:97 xdotool search --onlyvisible --name '^TAVRIN PROXY TESTER$' >/dev/null 2>&1; then
            kill "$app"
            wait "$app" 2>/dev/null || true
            return 0
        fi
        kill -0 "$app" 2>/dev/null || break
        sleep 0.1
    done
    kill "$app" 2>/dev/null || true
    cat "$stage/app.log" >&2
    return 1
}

Xvfb :97 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!

echo "== cmake --install"
DESTDIR="$stage/root" cmake --install "$build" --prefix /usr >/dev/null
for f in usr/bin/tavrin-proxy-tester usr/share/applications/tavrin-proxy-tester.desktop \
         usr/share/icons/hicolor/48x48/apps/tavrin-proxy-tester.png \
         usr/share/icons/hicolor/256x256/apps/tavrin-proxy-tester.png; do
    [ -e "$stage/root/$f" ] || fail "install did not put $f in place"
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$stage/root/usr/share/applications/tavrin-proxy-tester.desktop"
fi
window_appears "$stage/root/usr/bin/tavrin-proxy-tester" || fail "the installed program showed no window"
echo "installed program shows its window"

echo "== .deb"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tavrin-proxy-tester_*.deb | head -n 1)
dpkg-deb --field "$deb" Depends | grep -q curl || fail "the package does not depend on curl"
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >/dev/null
window_appears /usr/bin/tavrin-proxy-tester || fail "the packaged program showed no window"
[ -e /usr/share/icons/hicolor/48x48/apps/tavrin-proxy-tester.png ] || fail "the package has no icon"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -q tavrin-proxy-tester >/dev/null
[ ! -e /usr/bin/tavrin-proxy-tester ] || fail "removing the package left the program behind"
echo "package $(basename "$deb") installs, shows its window and removes"
