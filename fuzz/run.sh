#!/usr/bin/env bash
# Builds the line-end fuzzer with clang and runs it for a bounded time.
#   fuzz/run.sh [SECONDS] [extra libFuzzer options...]      (default 60 s)
# BUILD_DIR overrides the build folder (default: build-fuzz beside fuzz/).
# New interesting inputs collect in $BUILD_DIR/corpus, crashing inputs in
# $BUILD_DIR/artifacts; the committed seeds in fuzz/seeds are only read.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
seconds=${1:-60}
shift || true
build=${BUILD_DIR:-$here/../build-fuzz}

"$here/../tools/setup.sh" clang libclang-rt-14-dev
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j 2

mkdir -p "$build/corpus" "$build/artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "$build/line_ends_fuzzer" \
    -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/" \
    "$@" "$build/corpus" "$here/seeds"
