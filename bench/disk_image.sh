#!/usr/bin/env bash
# Images an 8 GiB source into a folder with the disk-image worker (disk_image_bench, split into
# pieces and in one file) and copies it with dd in the same run, each the best of three with the
# source in the page cache and the target created afresh. The worker syncs its pieces before it
# reports success, so it is compared with `dd if=SRC of=DST bs=1M conv=fsync`, which does the same:
# the worker's time as a multiple of that dd's (target for the pieces: at most 0.9). The ratios to
# plain `dd bs=1M` and to dd moving data in the worker's block size (`bs=200K`) are printed too.
# usage: bench/disk_image.sh [BUILD_DIR]   (default build/release)
# MERROWIND_BENCH_IMAGE_GIB sets another size in GiB. The source (random bytes, so that nothing is
# sparse or compressible) and the targets live in a folder bench/volumes.sh chooses.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
bench="$build/bench/disk_image_bench"
[ -x "$bench" ] || { echo "build $bench first (cmake --build --preset release)"; exit 1; }
source "$root/bench/volumes.sh"

gib=${MERROWIND_BENCH_IMAGE_GIB:-8}
bytes=$((gib * 1024 * 1024 * 1024))
src="$vols/disk_image_src_${gib}g.img"
out="$vols/disk_image_out"
dst="$vols/disk_image_dd.img"
mkdir -p "$out"
if [ "$(stat -c %s "$src" 2>/dev/null || echo 0)" != "$bytes" ]; then
  echo "making $src"
  head -c "$bytes" /dev/urandom >"$src.tmp" && mv "$src.tmp" "$src"
fi
cat "$src" >/dev/null  # warm the page cache
json=$(mktemp)
cleanup() { rm -f "$dst" "$json"; rm -rf "$out"; }
if [ -n "${MERROWIND_BENCH_VOLUMES:-}" ]; then trap cleanup EXIT; else trap 'cleanup; rm -rf "$vols"' EXIT; fi

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
    best=$(python3 -c "print(max($best, $bytes / ($t1 - $t0)))")
  done
  rm -f "$dst"
  echo "$best"
}
dd_plain=$(dd_best)
dd_fsync=$(dd_best conv=fsync)
dd_sizes=$(dd_best bs=200K)

sync
MERROWIND_BENCH_IMAGE="$src" MERROWIND_BENCH_OUT="$out" "$bench" --benchmark_format=json \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=false >"$json"

python3 - "$json" "$dd_plain" "$dd_fsync" "$dd_sizes" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
dd, dd_sync, dd_sizes = float(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
print(f"dd bs=1M:              {dd / 2**20:8.1f} MiB/s")
print(f"dd bs=1M conv=fsync:   {dd_sync / 2**20:8.1f} MiB/s")
print(f"dd bs=200K:            {dd_sizes / 2**20:8.1f} MiB/s")
best = {}
for b in data["benchmarks"]:
    if b.get("error_occurred"):
        print(b["name"], "error:", b.get("error_message"))
        sys.exit(1)
    if b.get("run_type") == "aggregate":
        continue
    mode = "pieces" if "multi:1" in b["name"] else "one file"
    best[mode] = max(best.get(mode, 0), b["bytes_per_second"])
for mode, rate in sorted(best.items()):
    print(f"image worker, {mode:8s}: {rate / 2**20:8.1f} MiB/s  time as a multiple of dd conv=fsync's "
          f"{dd_sync / rate:.2f}, of dd bs=1M's {dd / rate:.2f}, of dd bs=200K's {dd_sizes / rate:.2f}")
print(f"pieces: {dd_sync / best['pieces']:.2f} times dd conv=fsync's time (target at most 0.9)")
PY
