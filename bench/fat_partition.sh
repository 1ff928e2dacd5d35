#!/usr/bin/env bash
# The FAT partition search (the first pass of partition recovery) over an 8 GiB disk image against
# `dd` reading the same range, in the same run with the page cache warm: the best of three runs of
# `scan-dump --mode partition` and of `dd bs=1M`, and the search's time as a multiple of dd's
# (target: at most 1.3). The image (sparse) holds a FAT32 volume of 6 GiB (8 sectors per cluster,
# 2,000 folders) at sector 2048, a FAT16 volume of 256 MiB after it, 1 GiB of random bytes after
# that, and no partition table; it is made in a folder bench/volumes.sh chooses.
# usage: bench/fat_partition.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
dump="$build/tests/tools/scan-dump"
[ -x "$dump" ] || { echo "build $dump first (cmake --build --preset release)"; exit 1; }

export MTOOLS_SKIP_CHECK=1 TZ=UTC LC_ALL=C.UTF-8
source "$root/bench/common.sh"
source "$root/bench/volumes.sh"
image="$vols/fat_partition_8g.img"
sectors=$((8 * 1024 * 1024 * 1024 / 512))
fat32_start=2048
fat32_sectors=$((6 * 1024 * 2048))
fat16_start=$((fat32_start + fat32_sectors))
fat16_sectors=$((256 * 2048))
random_start=$((fat16_start + fat16_sectors))
if [ ! -f "$image" ]; then
  echo "making $image (about a minute)"
  src=$(mktemp -d)
  truncate -s $((sectors * 512)) "$image.tmp"
  head -c $((1024 * 1024 * 1024)) /dev/urandom |
    dd of="$image.tmp" bs=1M seek=$((random_start / 2048)) conv=notrunc status=none
  # 2,000 folders in 40 groups, each with two small files.
  python3 - "$src" <<'PY'
import os, sys
src = sys.argv[1]
for g in range(40):
    for d in range(50):
        folder = os.path.join(src, f"Group {g:02d}", f"Folder {d:02d}")
        os.makedirs(folder)
        for f in range(2):
            with open(os.path.join(folder, f"file{f}.txt"), "wb") as out:
                out.write(b"y" * (100 + g * 50 + d + f))
PY
  mkfs.fat -a -F 32 -s 8 -S 512 -h $fat32_start --offset $fat32_start "$image.tmp" \
    $((fat32_sectors / 2)) >/dev/null
  mcopy -s -m -i "$image.tmp@@$((fat32_start * 512))" "$src"/* ::/
  mkfs.fat -a -F 16 -s 16 -S 512 -h $fat16_start --offset $fat16_start "$image.tmp" \
    $((fat16_sectors / 2)) >/dev/null
  mcopy -s -m -i "$image.tmp@@$((fat16_start * 512))" "$src"/"Group 00" ::/
  rm -rf "$src"
  mv "$image.tmp" "$image"
fi
cat "$image" >/dev/null  # warm the page cache

ours=$(best "$dump" --image "$image" --fs FAT32 --mode partition)
peer=$(best dd if="$image" of=/dev/null bs=1M count=$((sectors / 2048)))
found=$("$dump" --image "$image" --fs FAT32 --mode partition | grep -c '^fs' || true)
python3 - "$ours" "$peer" "$sectors" "$found" <<'PY'
import sys
ours, peer, sectors = float(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3])
mib = sectors * 512 / 2**20
print(f"scan-dump --mode partition: {ours:.3f} s, {mib / ours:.0f} MiB/s ({sys.argv[4]} file systems)")
print(f"dd bs=1M:                   {peer:.3f} s, {mib / peer:.0f} MiB/s")
print(f"the partition search takes {ours / peer:.2f} times dd's time (target at most 1.3)")
PY
