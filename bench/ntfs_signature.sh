#!/usr/bin/env bash
# Times the NTFS signature scan (formatted recovery: the search of every sector, the MFT numbering,
# the file-system assignment and the dump into the result lists) over an 8 GiB NTFS volume of
# 300,000 files that was formatted again, against dd reading the same sectors in 1 MiB blocks, in
# the same run with the page cache warm. The scan is timed twice: alone, in process as the analysis
# page runs it (scan_memory_bench, which prints nothing and also gives the peak memory per file
# record), and through scan-dump, whose listing (names, sorting and printing of every record) is
# shown apart as the difference. Prints the best of five runs of each, taken in turn, and the scan
# alone as a multiple of dd's time (target: at most 1.3; memory at most 160 bytes per file record).
# usage: bench/ntfs_signature.sh [BUILD_DIR]   (default build/release)
# The volume is bench/ntfs_scan.sh's (300,000 files in folders of 1,000, a fifth of them deleted),
# copied and quick-formatted with mkntfs: the old file records are then found only by their
# signatures. Made through an ntfs-3g FUSE mount (root and /dev/fuse needed) in a folder
# bench/volumes.sh chooses.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
dump="$build/tests/tools/scan-dump"
alone="$build/bench/scan_memory_bench"
for exe in "$dump" "$alone"; do
  [ -x "$exe" ] || { echo "build $exe first (cmake --build --preset release)"; exit 1; }
done
for tool in mkntfs ntfs-3g; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done
source "$root/bench/common.sh"
source "$root/bench/volumes.sh"

make_ntfs_files "$vols/ntfs_300k_8g.img" 8G 300000
image="$vols/ntfs_300k_8g_formatted.img"
if [ ! -f "$image.done" ]; then
  cp --sparse=always "$vols/ntfs_300k_8g.img" "$image"
  mkntfs -F -Q -q -c 4096 -L MW-REFORMAT "$image" >/dev/null 2>&1
  touch "$image.done"
fi

sectors=$(( $(stat -c %s "$image") / 512 ))
cat "$image" >/dev/null  # warm the page cache

# Both search [start, end): the whole image but its last sector.
scan() { "$dump" --image "$image" --fs NTFS --mode formatted --end $((sectors - 1)); }
read_range() { dd if="$image" of=/dev/null bs=1M count=$(((sectors - 1) * 512)) iflag=count_bytes status=none; }
# Prints "seconds bytes-per-file-record".
scan_alone() {
  MERROWIND_BENCH_IMAGE="$image" MERROWIND_BENCH_FS=NTFS MERROWIND_BENCH_MODE=formatted \
    "$alone" --benchmark_format=json 2>/dev/null |
    python3 -c 'import json,sys; b=json.load(sys.stdin)["benchmarks"][0]; print(b["real_time"] / 1000, b["bytes_per_file"])'
}

# Wall time in seconds of one run of "$@" (its output is discarded).
once() {
  local t0 t1
  t0=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  t1=$(date +%s.%N)
  python3 -c "print($t1 - $t0)"
}

summary=$(scan | tail -1)
# The three are taken in turn, five rounds, so that each sees the machine as the others did: on a
# virtual machine a run now and then pays several times the usual cost of the memory it takes.
t_dump=999 t_dd=999 t_alone=999 per_record=0
for _ in 1 2 3 4 5; do
  t_dd=$(python3 -c "print(min($t_dd, $(once read_range)))")
  read -r t bytes <<<"$(scan_alone)"
  t_alone=$(python3 -c "print(min($t_alone, $t))")
  per_record=$bytes
  t_dump=$(python3 -c "print(min($t_dump, $(once scan)))")
done
python3 - "$t_dump" "$t_alone" "$t_dd" "$summary" "$sectors" "$per_record" <<'PY'
import sys
dump, alone, dd = (float(x) for x in sys.argv[1:4])
mib = (int(sys.argv[5]) - 1) * 512 / (1 << 20)
print(f"the formatted scan alone:   {alone:7.3f} s  {mib / alone:8.1f} MiB/s  "
      f"(peak memory {float(sys.argv[6]):.1f} bytes per file record)")
print(f"scan-dump --mode formatted: {dump:7.3f} s  ({sys.argv[4]}); its listing {dump - alone:.3f} s")
print(f"dd bs=1M of the same range: {dd:7.3f} s  {mib / dd:8.1f} MiB/s")
print(f"the scan alone takes {alone / dd:5.2f} times dd's time (target at most 1.3)")
print(f"scan-dump takes      {dump / dd:5.2f} times dd's time")
PY
