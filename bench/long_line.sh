#!/usr/bin/env bash
# The long-line row: the merged-text view over a screen of lines 3 GB long,
# offscreen, made up as they are read (no disk, no memory):
#     bench/long_line.sh [LENGTH [LINES]]     (default: 3000000000 100)
# Prints the median of 3 for a paint of the screen, End with the paint that
# shows the line's end, Home, and the horizontal bar dragged to either end,
# with the bytes each step read and the peak RSS (/usr/bin/time -v).
# Environment: BUILD_DIR (default build-bench beside bench/).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD_DIR:-$here/../build-bench}

"$here/../tools/setup.sh" time

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j 2 --target long_line_bench >/dev/null

report=$(mktemp)
trap 'rm -f "$report"' EXIT
QT_QPA_PLATFORM=offscreen /usr/bin/time -v -o "$report" "$build/long_line_bench" "$@"
awk -F': ' '/Maximum resident set size/ { printf "peak RSS (time -v): %.1f MiB\n", $2 / 1024 }' "$report"
