#!/bin/bash
# Makes docs/screenshot.png: the main window after a run against loopback proxies only
# (tinyproxy twice, one with Basic authentication, and the test suite's misbehaving peers),
# driven with the mouse and keyboard under Xvfb. Needs a build: tools/setup.sh test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/ci}
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=:98

coproc PEERS { "$build/tests/peers" dest auth407 bodyline; }
pids+=("$PEERS_PID")
declare -A port
while read -r name number <&"${PEERS[0]}"; do
    [ "$name" = ready ] && break
    port[$name]=$number
done
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
open_proxy=$(free_port)
auth_proxy=$(free_port)
printf 'Port %s\nListen 127.0.0.1\nAllow 127.0.0.1\nLogLevel Critical\n' "$open_proxy" >"$work/open.conf"
printf 'Port %s\nListen 127.0.0.1\nAllow 127.0.0.1\nLogLevel Critical\nBasicAuth alice s3cret\n' "$auth_proxy" >"$work/auth.conf"
tinyproxy -d -c "$work/open.conf" & pids+=($!)
tinyproxy -d -c "$work/auth.conf" & pids+=($!)

Xvfb :98 -screen 0 1280x800x24 -nolisten tcp & pids+=($!)
sleep 1
"$build/app/tavrin-proxy-tester" 2>/dev/null & pids+=($!)
main=$(xdotool search --sync --onlyvisible --name '^TAVRIN PROXY TESTER$' | head -n 1)
sleep 0.5
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.3; }

click "$main" 566 265            # the URL field
xdotool key ctrl+a
xdotool type --delay 2 "http://127.0.0.1:${port[dest]}/"
click "$main" 199 597            # IMPORT PROXIES
dialog=""
for _ in $(seq 1 50); do
    for id in $(xdotool search --onlyvisible --name '^TAVRIN PROXY TESTER$'); do
        [ "$(xdotool getwindowgeometry "$id" | awk '/Geometry/ {print $2}')" = 567x417 ] && dialog=$id
    done
    [ -n "$dialog" ] && break
    sleep 0.1
done
[ -n "$dialog" ] || { echo "the input dialog did not open" >&2; exit 1; }
for line in "127.0.0.1:$open_proxy" "127.0.0.1:$auth_proxy:alice:s3cret" "127.0.0.1:$auth_proxy:alice:wrong" \
            "127.0.0.1:1" "127.0.0.1:${port[auth407]}:alice:s3cret" "127.0.0.1:${port[bodyline]}"; do
    xdotool type --delay 2 "$line"
    xdotool key Return
done
click "$dialog" 283 375          # SUBMIT PROXIES
click "$main" 399 597            # TEST PROXIES
sleep 6
mkdir -p "$root/docs"
import -window root -crop 1135x649+0+0 +repage "$root/docs/screenshot.png"
echo "$root/docs/screenshot.png"
