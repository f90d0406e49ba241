#!/bin/sh
# Builds the benchmarks (after tools/setup.sh test has installed what they need) and prints
# one table: each figure's median and spread over REPETITIONS runs, the comparison measured
# in the same run, and the target. Loopback only. Not part of the test suite.
#   sh tools/bench.sh [REPETITIONS]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
repetitions=${1:-5}
cd "$root"
cmake --preset ci >/dev/null
cmake --build --preset ci -j2 --target bench_run bench_table bench_memory bench_startup >/dev/null
export QT_QPA_PLATFORM=offscreen
echo "| figure | median (spread) | comparison, median (spread) | ratio | target | |"
echo "|---|---|---|---|---|---|"
build/ci/bench/bench_table -r "$repetitions" 2>/dev/null
build/ci/bench/bench_memory -r 3 2>/dev/null
build/ci/bench/bench_run -r "$repetitions" 2>/dev/null
# Start-up is measured to a frame on a display (Xvfb), and without one for reference.
xvfb-run -a -s '-screen 0 1280x800x24' env QT_QPA_PLATFORM=xcb \
    build/ci/bench/bench_startup -r $((repetitions * 4)) 2>/dev/null
build/ci/bench/bench_startup -r $((repetitions * 4)) 2>/dev/null
