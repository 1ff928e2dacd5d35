#!/usr/bin/env bash
# Peak memory of the NTFS and FAT deleted-file scans per file record, without a listing: the growth
# of the process's peak resident size over a scan of a volume with 300,000 files (NTFS) and one with
# 100,000 files (FAT32), each file with a 20-character name, divided by the file records found
# (scan_memory_bench, one process per scan). Target: at most 160 bytes per file record.
# usage: bench/scan_memory.sh [BUILD_DIR]   (default build/release)
# The volumes are made through an ntfs-3g FUSE mount (root and /dev/fuse needed) and with mtools,
# in a folder bench/volumes.sh chooses.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
bench="$build/bench/scan_memory_bench"
[ -x "$bench" ] || { echo "build $bench first (cmake --build --preset release)"; exit 1; }
source "$root/bench/volumes.sh"

make_ntfs_files "$vols/ntfs_300k_8g.img" 8G 300000
make_fat32_files "$vols/fat32_100k_2g.img" 2G 100000
for fs_image in "NTFS $vols/ntfs_300k_8g.img" "FAT32 $vols/fat32_100k_2g.img"; do
  read -r fs image <<<"$fs_image"
  MERROWIND_BENCH_IMAGE="$image" MERROWIND_BENCH_FS="$fs" "$bench" 2>&1 >/dev/null | grep "per file record"
done
echo "target: at most 160 bytes per file record"
