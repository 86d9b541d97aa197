#!/usr/bin/env bash
# One large single source, as a whole database export is:
#     bench/large_source.sh [SIZE]          (default 5G)
# Runs bench/run.sh on a corpus of one file of SIZE with CR LF line ends, so
# the rows (cat, cat+fsync, workflow, window) show wall time and peak RSS
# for a source far larger than the buffer it streams through, and then the
# peak RSS each program may reach at most for such a source, whatever its
# size. The environment of run.sh applies (WORK, BUILD_DIR, REPEAT,
# KEEP_CORPUS); the disk needs about three times SIZE.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
size=${1:-5G}

"$here/run.sh" "$size" 1
echo "peak RSS targets for one large source: workflow 48 MiB, window 160 MiB"
