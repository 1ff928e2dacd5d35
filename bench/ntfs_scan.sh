#!/usr/bin/env bash
# Times the NTFS deleted-file scan on an 8 GiB NTFS volume of 300,000 files in folders of 1,000, a
# fifth of them deleted, in the same run with the page cache warm, against The Sleuth Kit's
# `fls -r -p` (both listing every path) and against reading the $MFT's bytes with dd. The scan is
# timed twice: through scan-dump, which prints the listing as fls does, and alone
# (scan_memory_bench, which prints nothing). Prints the best of three runs of each and the ratios
# (targets: the listing at most 0.15 of fls's time, the scan alone at most 3 times dd's).
# usage: bench/ntfs_scan.sh [BUILD_DIR]   (default build/release)
# The volume is made through an ntfs-3g FUSE mount (root and /dev/fuse needed) in a folder
# bench/volumes.sh chooses.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
dump="$build/tests/tools/scan-dump"
alone="$build/bench/scan_memory_bench"
for exe in "$dump" "$alone"; do
  [ -x "$exe" ] || { echo "build $exe first (cmake --build --preset release)"; exit 1; }
done
for tool in mkntfs ntfs-3g fls; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done
source "$root/bench/common.sh"
source "$root/bench/volumes.sh"

image="$vols/ntfs_300k_8g.img"
make_ntfs_files "$image" 8G 300000
cat "$image" >/dev/null  # warm the page cache

# The $MFT's runs (byte offset and length) from TSK, for dd.
mapfile -t mft_runs < <(python3 - "$root" "$image" <<'PY'
import sys
sys.path.insert(0, sys.argv[1] + "/tests/fixtures")
import oracle
img = sys.argv[2]
cluster = oracle.fsstat(img)["cluster_size"]
for r in oracle.runs(img, 0):
    if r.start is not None:
        print(r.start * cluster, r.length * cluster)
PY
)
read_mft() {
  local run
  for run in "${mft_runs[@]}"; do
    read -r off len <<<"$run"
    dd if="$image" of=/dev/null bs=1M iflag=skip_bytes,count_bytes skip="$off" count="$len" status=none
  done
}
scan_alone() {
  MERROWIND_BENCH_IMAGE="$image" MERROWIND_BENCH_FS=NTFS "$alone" --benchmark_format=json 2>/dev/null |
    python3 -c 'import json,sys; print(json.load(sys.stdin)["benchmarks"][0]["real_time"] / 1000)'
}

lines=$("$dump" --image "$image" --fs NTFS --mode deleted | tail -1)
t_dump=$(best "$dump" --image "$image" --fs NTFS --mode deleted)
t_fls=$(best fls -r -p "$image")
t_dd=$(best read_mft)
t_alone=999
for _ in 1 2 3; do t_alone=$(python3 -c "print(min($t_alone, $(scan_alone)))"); done
python3 - "$t_dump" "$t_fls" "$t_dd" "$t_alone" "$lines" <<'PY'
import sys
dump, fls, dd, alone = (float(x) for x in sys.argv[1:5])
print(f"scan-dump --mode deleted: {dump:7.3f} s   ({sys.argv[5]})")
print(f"the scan alone:           {alone:7.3f} s")
print(f"fls -r -p:                {fls:7.3f} s")
print(f"dd of the $MFT:           {dd:7.3f} s")
print(f"scan-dump / fls:     {dump / fls:5.2f}  (target at most 0.15)")
print(f"scan alone / dd:     {alone / dd:5.2f}  (target at most 3)")
PY
