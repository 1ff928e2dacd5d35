#!/usr/bin/env bash
# Reads a 1 GiB image sequentially with dd and through ReadSectors (sector_read_bench) in the same
# run, with the page cache warm, and prints each chunk size's throughput as a ratio to dd's.
# usage: bench/sector_read.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
bench="$build/bench/sector_read_bench"
[ -x "$bench" ] || { echo "build $bench first (cmake --build --preset release)"; exit 1; }

# The image is made once and kept: random bytes, so that nothing is sparse or compressible.
dir="$root/build/bench"
image="$dir/sector_read_1g.img"
mkdir -p "$dir"
if [ "$(stat -c %s "$image" 2>/dev/null || echo 0)" != 1073741824 ]; then
  echo "making $image"
  head -c 1073741824 /dev/urandom >"$image.tmp" && mv "$image.tmp" "$image"
fi

cat "$image" >/dev/null  # warm the page cache

# dd: the best of three runs, from its own byte count and the wall time.
dd_best=0
for _ in 1 2 3; do
  t0=$(date +%s.%N)
  dd if="$image" of=/dev/null bs=1M status=none
  t1=$(date +%s.%N)
  rate=$(python3 -c "print(1073741824 / ($t1 - $t0))")
  dd_best=$(python3 -c "print(max($dd_best, $rate))")
done

json=$(mktemp)
trap 'rm -f "$json"' EXIT
# Best of three repetitions, as for dd.
MERROWIND_BENCH_IMAGE="$image" "$bench" --benchmark_format=json --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=false >"$json"

python3 - "$json" "$dd_best" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
dd = float(sys.argv[2])
print(f"dd bs=1M: {dd / 2**20:8.1f} MiB/s")
best = {}
for b in data["benchmarks"]:
    if b.get("error_occurred"):
        print(b["name"], "error:", b.get("error_message"))
        sys.exit(1)
    if b.get("run_type") == "aggregate":
        continue
    chunk = int(b["name"].split("/")[1])
    best[chunk] = max(best.get(chunk, 0), b["bytes_per_second"])
worst = None
for chunk, rate in sorted(best.items()):
    ratio = rate / dd
    worst = ratio if worst is None else min(worst, ratio)
    print(f"ReadSectors {chunk:5d} sectors: {rate / 2**20:8.1f} MiB/s  ratio to dd {ratio:.2f}")
print(f"lowest ratio to dd: {worst:.2f} (target 0.50)")
PY
