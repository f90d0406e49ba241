#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 20), starting
# from the committed seed corpus (copied, so the committed one stays as it is).
#   sh tools/fuzz.sh          # short runs, as CI does
#   sh tools/fuzz.sh 1800     # half an hour each
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
build="$root/build/fuzz"
CXX=clang++ cmake -S "$root/fuzz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null
status=0
for target in proxytext storeline classifier; do
    corpus="$build/corpus-$target"
    mkdir -p "$corpus" "$build/findings-$target"
    cp "$root/fuzz/corpus/$target/"* "$corpus/"
    echo "== fuzz_$target for ${seconds}s"
    if ! "$build/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix="$build/findings-$target/" "$corpus" >"$build/fuzz_$target.log" 2>&1; then
        status=1
        tail -n 40 "$build/fuzz_$target.log"
    fi
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$build/fuzz_$target.log" || true
done
exit $status
