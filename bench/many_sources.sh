#!/usr/bin/env bash
# The many-sources row: what the window costs per source on top of the
# merge itself. COUNT small sources (default 5000, about 2 KB each) are
# merged headless (merge_bench) and through the main window offscreen
# (window_bench), REPEAT times each (default 3):
#     bench/many_sources.sh [COUNT]
# Prints the median merge-run time (btnStartClick alone) of each, in ms per
# source, and the window's extra per source.
# Environment: WORK (default /tmp/velmor-many) holds the sources and the
# outputs, deleted at the end; BUILD_DIR (default build-bench beside
# bench/); REPEAT (default 3).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
count=${1:-5000}
work=${WORK:-/tmp/velmor-many}
build=${BUILD_DIR:-$here/../build-bench}
repeat=${REPEAT:-3}

"$here/../tools/setup.sh" python3

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j 2 --target merge_bench window_bench >/dev/null

trap 'rm -rf "$work"' EXIT
rm -rf "$work"
mkdir -p "$work/corpus"
python3 "$here/make_corpus.py" "$work/corpus" --size $((count * 2048)) --files "$count" >/dev/null
mapfile -t files < <(find "$work/corpus" -name 'src-*.pgn' | sort)

# The run_s figure of a benchmark's RESULT line.
run_seconds() {
    "$@" | awk '/^RESULT/ { for (i = 2; i <= NF; i++) if ($i ~ /^run_s=/) print substr($i, 7) }'
}

median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

headless=() window=()
for ((run = 0; run < repeat; run++)); do
    rm -f "$work/out.pgn"
    headless+=("$(run_seconds "$build/merge_bench" "$work/out.pgn" "${files[@]}")")
    rm -f "$work/out.pgn"
    window+=("$(run_seconds env QT_QPA_PLATFORM=offscreen "$build/window_bench" "$work/out.pgn" "${files[@]}")")
done
h=$(median "${headless[@]}")
w=$(median "${window[@]}")
echo "$count sources of about 2 KB; merge run only, median of $repeat (headless: ${headless[*]} s; window: ${window[*]} s)"
awk -v h="$h" -v w="$w" -v n="$count" 'BEGIN {
    printf "%-10s %9s %14s\n", "what", "run_s", "ms_per_source"
    printf "%-10s %9.3f %14.3f\n", "headless", h, h * 1000 / n
    printf "%-10s %9.3f %14.3f\n", "window", w, w * 1000 / n
    printf "window extra: %.3f ms per source\n", (w - h) * 1000 / n
}'
