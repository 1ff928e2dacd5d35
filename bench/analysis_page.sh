#!/usr/bin/env bash
# A deleted-data scan through the analysis page against the same scan run bare as scan-dump runs
# it, the page cache warm: the best of five runs each (three for scan-dump), and how much more the
# page costs (target: at most 10 %). Two volumes: the FAT32 image of 50,000 files that
# bench/fat_scan.sh makes (a scan of a few tens of milliseconds, where the page's own start-up
# shows), and the NTFS volume of 300,000 files that bench/ntfs_scan.sh uses (made through an
# ntfs-3g FUSE mount: root and /dev/fuse needed; left out with a reason otherwise). scan-dump's
# own time (process start and printing included) is shown beside them.
# usage: bench/analysis_page.sh [BUILD_DIR]   (default build/release; needs xvfb-run)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
dump="$build/tests/tools/scan-dump"
page="$build/bench/analysis_page_gui_bench"
for tool in "$dump" "$page"; do
  [ -x "$tool" ] || { echo "build $tool first (cmake --build --preset release)"; exit 1; }
done
source "$root/bench/common.sh"

# compare IMAGE FS: the three figures and the page's cost for one volume.
compare() {
  local image=$1 fs=$2 dumped paged
  cat "$image" >/dev/null  # warm the page cache
  dumped=$(best "$dump" --image "$image" --fs "$fs" --mode deleted)
  paged=$(xvfb-run -a -s "-screen 0 1280x1024x24" "$page" "$image" "$fs")
  python3 - "$image" "$dumped" "$paged" <<'PY'
import os, sys
dumped = float(sys.argv[2])
lines = sys.argv[3].split("\n")
bare, paged = float(lines[0]), float(lines[1])
print(f"{os.path.basename(sys.argv[1])}:")
print(f"  scan-dump --mode deleted (whole process): {dumped:.3f} s")
print(f"  the scan bare, as scan-dump runs it:      {bare:.4f} s")
print(f"  the scan through the analysis page:       {paged:.4f} s ({lines[2]})")
print(f"  making the page's window before the scan:  {float(lines[3]):.4f} s")
print(f"  the page costs {100 * (paged / bare - 1):+.1f} % over the bare scan (target at most +10 %)")
PY
}

image="$root/build/bench/fat32_50k.img"
[ -f "$image" ] || bash "$root/bench/fat_scan.sh" "$build" >/dev/null
compare "$image" FAT32

if [ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] && command -v mkntfs >/dev/null && command -v ntfs-3g >/dev/null; then
  source "$root/bench/volumes.sh"
  image="$vols/ntfs_300k_8g.img"
  make_ntfs_files "$image" 8G 300000
  compare "$image" NTFS
else
  echo "the NTFS volume of 300,000 files is left out: making it needs root, /dev/fuse, mkntfs and ntfs-3g"
fi
