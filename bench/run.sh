#!/usr/bin/env bash
# One benchmark run on one generated corpus:
#     bench/run.sh [SIZE] [FILES]          (default: 300M in 50 files)
# Measures, on the same files and with a warm page cache:
#   cat          cat of the sources into one file: the floor
#   cat+fsync    the same, flushed to disk as a save is
#   workflow     merge run + save through the merge workflow, no window
#   window       the same through the main window, offscreen (when built)
# and prints wall time, MB/s of source bytes, peak RSS and the ratio to cat.
# The workflow's and window's outputs are checked against the corpus's
# expected size and SHA-256 after the timing.
#
# Environment: WORK (default /tmp/velmor-bench) holds the corpus and the
# outputs; BUILD_DIR (default build-bench beside bench/); REPEAT (default 3)
# runs per measurement, the median wall time counts; KEEP_CORPUS=1 keeps the
# corpus afterwards. The merged text's backing file goes to $TMPDIR or /tmp.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
size=${1:-300M}
count=${2:-50}
work=${WORK:-/tmp/velmor-bench}
build=${BUILD_DIR:-$here/../build-bench}
repeat=${REPEAT:-3}
corpus=$work/corpus
out=$work/out

"$here/../tools/setup.sh" time python3

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j 2 >/dev/null

cleanup() {
    rm -rf "$out"
    [ "${KEEP_CORPUS:-0}" = 1 ] || rm -rf "$corpus"
}
trap cleanup EXIT

rm -rf "$corpus" "$out"
mkdir -p "$corpus" "$out"
echo "generating $size in $count files in $corpus ..."
python3 "$here/make_corpus.py" "$corpus" --size "$size" --files "$count"
mapfile -t files < <(find "$corpus" -name 'src-*.pgn' | sort)
total=$(cat "${files[@]}" | wc -c)
largest=$(stat -c %s "${files[@]}" | sort -n | tail -1)
read -r _ expected_size < <(grep '^size' "$corpus/expected.txt")
read -r _ expected_sha < <(grep '^sha256' "$corpus/expected.txt")
cat "${files[@]}" >/dev/null  # warm the page cache

# Runs "$@" under /usr/bin/time -v; prints "wall_seconds peak_rss_kib".
timed() {
    # The wall time is taken here, to the nanosecond: time -v rounds it to
    # 10 ms, which is too coarse next to cat.
    local report=$out/time.txt start end rss
    start=$(date +%s%N)
    /usr/bin/time -v -o "$report" "$@" >"$out/stdout.txt"
    end=$(date +%s%N)
    rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$report")
    awk -v s="$start" -v e="$end" -v r="$rss" 'BEGIN { printf "%.4f %d\n", (e - s) / 1e9, r }'
}

# Measures one command REPEAT times, each into a fresh target after the
# previous writes reached the disk; keeps the median wall and the largest RSS.
declare -A wall_of rss_of
measure() {
    local name=$1 target=$2
    shift 2
    local walls=() rss=0 result w r
    for ((run = 0; run < repeat; run++)); do
        rm -f "$target"
        sync
        result=$(timed "$@")
        read -r w r <<<"$result"
        walls+=("$w")
        ((r > rss)) && rss=$r
        [ -s "$out/stdout.txt" ] && sed 's/^/    /' "$out/stdout.txt" | grep -v '^    RESULT' || true
    done
    wall_of[$name]=$(printf '%s\n' "${walls[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
    rss_of[$name]=$rss
}

check_output() {
    local name=$1 target=$2
    local got_size got_sha
    got_size=$(stat -c %s "$target")
    got_sha=$(sha256sum "$target" | cut -d' ' -f1)
    if [ "$got_size" != "$expected_size" ] || [ "$got_sha" != "$expected_sha" ]; then
        echo "$name: WRONG OUTPUT (size $got_size, expected $expected_size)" >&2
        exit 1
    fi
    echo "$name: output checked ($got_size bytes, SHA-256 as expected)"
}

names=(cat cat+fsync workflow)
echo "cat"
measure cat "$out/cat.pgn" sh -c 'cat "$@" > "$0"' "$out/cat.pgn" "${files[@]}"
echo "cat+fsync"
measure cat+fsync "$out/cat.pgn" sh -c 'cat "$@" > "$0" && sync "$0"' "$out/cat.pgn" "${files[@]}"
rm -f "$out/cat.pgn"
echo "workflow (merge run + save, no window)"
measure workflow "$out/workflow.pgn" "$build/merge_bench" "$out/workflow.pgn" "${files[@]}"
check_output workflow "$out/workflow.pgn"
rm -f "$out/workflow.pgn"
if [ -x "$build/window_bench" ]; then
    names+=(window)
    echo "window (offscreen: btnStart, paint, save through a scripted dialog)"
    measure window "$out/window.pgn" env QT_QPA_PLATFORM=offscreen "$build/window_bench" "$out/window.pgn" "${files[@]}"
    check_output window "$out/window.pgn"
    rm -f "$out/window.pgn"
else
    echo "window: not built (needs Qt 6 and shell/)"
fi

mib() { awk -v b="$1" 'BEGIN { printf "%.0f", b / 1048576 }'; }
echo
echo "corpus: $count files, $(mib "$total") MiB, largest $(mib "$largest") MiB; merged $(mib "$expected_size") MiB"
echo "median of $repeat runs; RSS is the largest of them"
printf '%-10s %9s %9s %14s %9s\n' what wall_s MB/s peak_RSS_MiB x_cat
for name in "${names[@]}"; do
    awk -v n="$name" -v w="${wall_of[$name]}" -v r="${rss_of[$name]}" -v t="$total" -v c="${wall_of[cat]}" \
        'BEGIN { printf "%-10s %9.2f %9.0f %14.1f %9.2f\n", n, w, (w > 0 ? t / w / 1e6 : 0), r / 1024, (c > 0 ? w / c : 0) }'
done
echo "RSS budget (largest source + 256 MiB): $(mib $((largest + 256 * 1048576))) MiB"
