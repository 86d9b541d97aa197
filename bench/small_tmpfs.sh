#!/usr/bin/env bash
# The small-tmpfs row: run.sh with TMPDIR on a memory-backed file system far
# smaller than the merge, as on desktops that mount /tmp as a tmpfs:
#     bench/small_tmpfs.sh [SIZE] [FILES] [TMPFS_SIZE]   (default: 1G 10 64M)
# The merged text must skip that folder for one on a disk, so the merge
# succeeds and runs as fast as run.sh's own rows. Needs root (mount).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
size=${1:-1G}
count=${2:-10}
tmpfs_size=${3:-64M}
[ "$(id -u)" -eq 0 ] || { echo "small_tmpfs.sh mounts a tmpfs: run it as root" >&2; exit 1; }

tmpfs=$(mktemp -d /var/tmp/velmor-small-tmpfs.XXXXXX)
mount -t tmpfs -o size="$tmpfs_size" tmpfs "$tmpfs"
trap 'umount "$tmpfs"; rmdir "$tmpfs"' EXIT
echo "TMPDIR=$tmpfs: a tmpfs of $tmpfs_size"
TMPDIR=$tmpfs WORK=${WORK:-/var/tmp/velmor-bench-tmpfs} "$here/run.sh" "$size" "$count"
echo "used on the tmpfs afterwards: $(df --output=used -h "$tmpfs" | tail -1)"
