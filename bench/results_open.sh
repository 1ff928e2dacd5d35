#!/usr/bin/env bash
# Next to the results page on a volume of 1,000,000 files: a deleted-data scan run through the
# analysis page, which opens the real results page, from the analysis page's start until the
# results page has settled (tree filled, the root's rows painted, no worker running), against the
# same scan run bare as scan-dump runs it and against scan-dump's whole process; the page cache
# warm, best of five runs each (three for scan-dump). Target: the results page settled within 1.3
# times the scan alone.
# usage: bench/results_open.sh [BUILD_DIR]   (default build/release; needs xvfb-run)
# The volume (16 GiB sparse, 1,000,000 files in folders of 1,000, a fifth of them deleted) is made
# through an ntfs-3g FUSE mount (root and /dev/fuse needed; some ten minutes) in a folder
# bench/volumes.sh chooses.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
dump="$build/tests/tools/scan-dump"
page="$build/bench/results_open_gui_bench"
for exe in "$dump" "$page"; do
  [ -x "$exe" ] || { echo "build $exe first (cmake --build --preset release)"; exit 1; }
done
source "$root/bench/common.sh"
source "$root/bench/volumes.sh"

image="$vols/ntfs_1m_16g.img"
make_ntfs_files "$image" 16G 1000000
cat "$image" >/dev/null  # warm the page cache

dumped=$(best "$dump" --image "$image" --fs NTFS --mode deleted)
paged=$(xvfb-run -a -s "-screen 0 1280x1024x24" "$page" "$image" NTFS)
python3 - "$dumped" "$paged" <<'PY'
import sys
dumped = float(sys.argv[1])
lines = sys.argv[2].split("\n")
bare, paged = float(lines[0]), float(lines[1])
print(f"the scan alone, as scan-dump runs it:        {bare:.3f} s ({lines[2]})")
print(f"scan-dump --mode deleted (whole process):    {dumped:.3f} s")
print(f"Next to the results page settled:            {paged:.3f} s "
      f"(the analysis page handed over at {float(lines[3]):.3f} s at best)")
print(f"the results page settles at {paged / bare:.2f} times the scan alone (target at most 1.3), "
      f"{paged / dumped:.2f} times scan-dump's process")
PY
