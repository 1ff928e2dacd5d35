#!/usr/bin/env bash
# The FAT deleted-file scan against The Sleuth Kit's fls on the same FAT32 image of 50,000 files
# (100 folders of 500; 2,500 of the files deleted), in the same run with the page cache warm: the
# best of three runs of `scan-dump --mode deleted` and of `fls -r -p`, and their ratio.
# usage: bench/fat_scan.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
dump="$build/tests/tools/scan-dump"
[ -x "$dump" ] || { echo "build $dump first (cmake --build --preset release)"; exit 1; }
command -v fls >/dev/null || { echo "fls (sleuthkit) is not installed"; exit 1; }

export MTOOLS_SKIP_CHECK=1 TZ=UTC LC_ALL=C.UTF-8
dir="$root/build/bench"
image="$dir/fat32_50k.img"
mkdir -p "$dir"
if [ ! -f "$image" ]; then
  echo "making $image (once; about a minute)"
  src=$(mktemp -d)
  trap 'rm -rf "$src"' EXIT
  # Files of 1 to 600 bytes; every other one has a long name.
  python3 - "$src" <<'PY'
import os, sys
src = sys.argv[1]
for d in range(100):
    folder = os.path.join(src, f"Folder {d:03d}" if d % 2 else f"DIR{d:03d}")
    os.mkdir(folder)
    for f in range(500):
        name = f"Report number {d:03d}-{f:03d}.txt" if f % 2 else f"F{d:02d}{f:03d}.DAT"
        with open(os.path.join(folder, name), "wb") as out:
            out.write(b"x" * (1 + (d * 500 + f) % 600))
PY
  truncate -s 256M "$image.tmp"
  mkfs.fat -a -F 32 -s 1 -S 512 -n BENCH50K "$image.tmp" >/dev/null
  mcopy -s -m -i "$image.tmp" "$src"/* ::/
  # Deleted files: the 250 short-named ones in each of ten folders.
  for d in 00 10 20 30 40 50 60 70 80 90; do mdel -i "$image.tmp" "::/DIR0$d/F*.DAT"; done
  mv "$image.tmp" "$image"
fi
cat "$image" >/dev/null  # warm the page cache

source "$root/bench/common.sh"

ours=$(best "$dump" --image "$image" --fs FAT32 --mode deleted)
peer=$(best fls -r -p "$image")
found=$("$dump" --image "$image" --fs FAT32 --mode deleted | tail -1)
listed=$(fls -r -p "$image" | wc -l)
python3 - "$ours" "$peer" "$found" "$listed" <<'PY'
import sys
ours, peer = float(sys.argv[1]), float(sys.argv[2])
print(f"scan-dump --mode deleted: {ours:.3f} s ({sys.argv[3]})")
print(f"fls -r -p:                {peer:.3f} s ({sys.argv[4]} lines)")
print(f"scan-dump is {peer / ours:.2f} times as fast as fls (target 2)")
PY
