#!/usr/bin/env bash
# Times velmor-merge against cat on one generated corpus:
#     bench/cli.sh [SIZE] [FILES]          (default: 300M in 50 files)
# Rows, each run REPEAT times in turn (rounds interleave the rows, so a
# slow moment of the machine hits all of them alike), warm page cache:
#   cat            cat of the sources into a file, no flush: the floor
#   velmor-merge   velmor-merge SOURCES > file, no flush
#   cat+fsync      the same cat, then the file flushed to disk
#   velmor-merge-o velmor-merge -o file SOURCES: the atomic, flushed save
# and prints the median wall time, MB/s of source bytes, peak RSS and the
# ratios velmor-merge / cat and velmor-merge -o / cat+fsync. Every output
# of velmor-merge is checked against the corpus's size and SHA-256.
#
# Environment: WORK (default /var/tmp/velmor-cli-bench) holds the corpus and
# the outputs; BUILD_DIR (default build-cli-bench beside bench/); REPEAT
# (default 3); KEEP_CORPUS=1 keeps the corpus afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
size=${1:-300M}
count=${2:-50}
work=${WORK:-/var/tmp/velmor-cli-bench}
build=${BUILD_DIR:-$here/../build-cli-bench}
repeat=${REPEAT:-3}
corpus=$work/corpus
out=$work/out

"$here/../tools/setup.sh" time python3
cmake -S "$here/.." -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMOR_SHELL=OFF >/dev/null
cmake --build "$build" --target velmor-merge >/dev/null
merge=$build/cli/velmor-merge

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
read -r _ expected_size < <(grep '^size' "$corpus/expected.txt")
read -r _ expected_sha < <(grep '^sha256' "$corpus/expected.txt")
cat "${files[@]}" >/dev/null  # warm the page cache

target=$out/merged.pgn
declare -A command_of=(
    [cat]='cat "$@" > "$0"'
    [velmor-merge]='"$MERGE" -q "$@" > "$0"'
    [cat+fsync]='cat "$@" > "$0" && sync "$0"'
    [velmor-merge-o]='"$MERGE" -q -o "$0" "$@"'
)
rows=(cat velmor-merge cat+fsync velmor-merge-o)
declare -A walls_of rss_of
for row in "${rows[@]}"; do rss_of[$row]=0; done

# One run of a row into a fresh target, after the previous writes reached
# the disk; adds its wall time (taken here, to the nanosecond) and RSS.
run_row() {
    local row=$1 start end rss
    rm -f "$target"
    sync
    start=$(date +%s%N)
    MERGE=$merge /usr/bin/time -f %M -o "$out/rss.txt" sh -c "${command_of[$row]}" "$target" "${files[@]}"
    end=$(date +%s%N)
    rss=$(tail -1 "$out/rss.txt")
    walls_of[$row]+="$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", (e - s) / 1e9 }') "
    ((rss > rss_of[$row])) && rss_of[$row]=$rss
    if [[ $row == velmor-merge* ]]; then
        local got
        got=$(sha256sum "$target" | cut -d' ' -f1)
        [ "$(stat -c %s "$target")" = "$expected_size" ] && [ "$got" = "$expected_sha" ] ||
            { echo "$row: WRONG OUTPUT" >&2; exit 1; }
    fi
    return 0
}

for ((round = 1; round <= repeat; round++)); do
    echo "round $round of $repeat"
    for row in "${rows[@]}"; do run_row "$row"; done
done

median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
declare -A wall_of
for row in "${rows[@]}"; do wall_of[$row]=$(median "${walls_of[$row]}"); done

echo
echo "corpus: $count files, $(awk -v b="$total" 'BEGIN { printf "%.0f", b / 1048576 }') MiB; outputs checked (size and SHA-256)"
echo "median of $repeat runs; peak RSS is the largest of them"
printf '%-15s %8s %8s %13s %8s\n' what wall_s MB/s peak_RSS_MiB ratio
for row in "${rows[@]}"; do
    case $row in
    velmor-merge) base=${wall_of[cat]} ;;
    velmor-merge-o) base=${wall_of[cat+fsync]} ;;
    *) base= ;;
    esac
    awk -v n="$row" -v w="${wall_of[$row]}" -v r="${rss_of[$row]}" -v t="$total" -v b="$base" \
        'BEGIN { printf "%-15s %8.2f %8.0f %13.1f %8s\n", n, w, t / w / 1e6, r / 1024, (b == "" ? "" : sprintf("%.2f", w / b)) }'
done
echo "ratio: velmor-merge / cat, velmor-merge -o / cat+fsync"
