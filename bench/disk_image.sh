#!/usr/bin/env bash
# Images a 1 GiB source into a folder with the disk-image worker (disk_image_bench, split and in
# one file) and copies it with dd in the same run, each the best of three with the source in the
# page cache and the target created afresh, and prints the worker's throughput as a ratio to
# `dd if=SRC of=DST bs=1M`. The worker syncs its pieces before it reports success, so the ratio to
# `dd ... conv=fsync`, which does the same, is printed too, and the one to dd moving data in the
# worker's own sizes (`ibs=20K obs=200K`: the sector path's 40-sector reads, 400-sector blocks).
# usage: bench/disk_image.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
bench="$build/bench/disk_image_bench"
[ -x "$bench" ] || { echo "build $bench first (cmake --build --preset release)"; exit 1; }

# The source is made once and kept: random bytes, so that nothing is sparse or compressible.
dir="$root/build/bench"
src="$dir/disk_image_src_1g.img"
out="$dir/disk_image_out"
dst="$dir/disk_image_dd.img"
mkdir -p "$dir" "$out"
if [ "$(stat -c %s "$src" 2>/dev/null || echo 0)" != 1073741824 ]; then
  echo "making $src"
  head -c 1073741824 /dev/urandom >"$src.tmp" && mv "$src.tmp" "$src"
fi
cat "$src" >/dev/null  # warm the page cache
trap 'rm -f "$dst" "$json"; rm -rf "$out"' EXIT

# dd: the best of three runs, from the byte count and the wall time; the target is removed and the
# earlier run's dirty pages written out before each run, as the benchmark does for its pieces.
dd_best() {
  local best=0 t0 t1
  for _ in 1 2 3; do
    rm -f "$dst"
    sync
    t0=$(date +%s.%N)
    dd if="$src" of="$dst" bs=1M status=none "$@"
    t1=$(date +%s.%N)
    best=$(python3 -c "print(max($best, 1073741824 / ($t1 - $t0)))")
  done
  rm -f "$dst"
  echo "$best"
}
dd_plain=$(dd_best)
dd_fsync=$(dd_best conv=fsync)
dd_sizes=$(dd_best ibs=20K obs=200K)

json=$(mktemp)
sync
MERROWIND_BENCH_IMAGE="$src" MERROWIND_BENCH_OUT="$out" "$bench" --benchmark_format=json \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=false >"$json"

python3 - "$json" "$dd_plain" "$dd_fsync" "$dd_sizes" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
dd, dd_sync, dd_sizes = float(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
print(f"dd bs=1M:              {dd / 2**20:8.1f} MiB/s")
print(f"dd bs=1M conv=fsync:   {dd_sync / 2**20:8.1f} MiB/s")
print(f"dd ibs=20K obs=200K:   {dd_sizes / 2**20:8.1f} MiB/s  ratio to dd {dd_sizes / dd:.2f}")
best = {}
for b in data["benchmarks"]:
    if b.get("error_occurred"):
        print(b["name"], "error:", b.get("error_message"))
        sys.exit(1)
    if b.get("run_type") == "aggregate":
        continue
    mode = "split" if "multi:1" in b["name"] else "one file"
    best[mode] = max(best.get(mode, 0), b["bytes_per_second"])
for mode, rate in sorted(best.items()):
    print(f"image worker, {mode:8s}: {rate / 2**20:8.1f} MiB/s  ratio to dd {rate / dd:.2f}"
          f"  to dd conv=fsync {rate / dd_sync:.2f}  to dd ibs=20K obs=200K {rate / dd_sizes:.2f}")
print(f"lowest ratio to dd: {min(best.values()) / dd:.2f} (target 0.70)")
PY
