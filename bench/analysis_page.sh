#!/usr/bin/env bash
# A deleted-data scan through the analysis page against the same scan run bare as scan-dump runs
# it, on the FAT32 image of 50,000 files that bench/fat_scan.sh makes, the page cache warm: the
# best of three runs each, and how much more the page costs (target: at most 10 %). scan-dump's
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
image="$root/build/bench/fat32_50k.img"
[ -f "$image" ] || bash "$root/bench/fat_scan.sh" "$build" >/dev/null
cat "$image" >/dev/null  # warm the page cache

source "$root/bench/common.sh"

dumped=$(best "$dump" --image "$image" --fs FAT32 --mode deleted)
paged=$(xvfb-run -a -s "-screen 0 1280x1024x24" "$page" "$image" FAT32)
python3 - "$dumped" "$paged" <<'PY'
import sys
dumped = float(sys.argv[1])
lines = sys.argv[2].split("\n")
bare, paged = float(lines[0]), float(lines[1])
print(f"scan-dump --mode deleted (whole process): {dumped:.3f} s")
print(f"the scan bare, as scan-dump runs it:      {bare:.4f} s")
print(f"the scan through the analysis page:       {paged:.4f} s ({lines[2]})")
print(f"the page costs {100 * (paged / bare - 1):+.1f} % over the bare scan (target at most +10 %)")
PY
