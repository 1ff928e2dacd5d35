#!/usr/bin/env bash
# Reads a 1 GiB disk in each virtual-disk format through ReadSectors (vdisk_read_bench) and with
# qemu-img convert to a null target, in the same run with the page cache warm, and prints each
# format's throughput as a ratio to qemu-img's.
# usage: bench/vdisk_read.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
bench="$build/bench/vdisk_read_bench"
[ -x "$bench" ] || { echo "build $bench first (cmake --build --preset release)"; exit 1; }
source "$root/bench/common.sh"

# name | file | qemu-img -O format | -o options
FORMATS=(
  "qcow1|disk.qcow|qcow|"
  "qcow2-v2|disk.qcow2|qcow2|compat=0.10"
  "qed|disk.qed|qed|"
  "vpc-dynamic|disk.vhd|vpc|subformat=dynamic,force_size=on"
  "vpc-fixed|disk.vhd|vpc|subformat=fixed,force_size=on"
  "parallels|disk.hds|parallels|"
  "vdi-dynamic|disk.vdi|vdi|"
  "vdi-static|disk.vdi|vdi|static=on"
  "vhdx|disk.vhdx|vhdx|"
  "vmdk-monolithicSparse|disk.vmdk|vmdk|subformat=monolithicSparse"
  "vmdk-monolithicFlat|disk.vmdk|vmdk|subformat=monolithicFlat"
  "vmdk-twoGbMaxExtentSparse|disk.vmdk|vmdk|subformat=twoGbMaxExtentSparse"
  "vmdk-twoGbMaxExtentFlat|disk.vmdk|vmdk|subformat=twoGbMaxExtentFlat"
)

# Random bytes, so that nothing is sparse or compressible; made once and kept.
dir="$root/build/bench"
raw="$dir/vdisk_read_1g.img"
mkdir -p "$dir/vdisk"
if [ "$(stat -c %s "$raw" 2>/dev/null || echo 0)" != 1073741824 ]; then
  echo "making $raw"
  head -c 1073741824 /dev/urandom >"$raw.tmp" && mv "$raw.tmp" "$raw"
fi

printf '%-26s %10s %10s %10s %10s %10s\n' format qemu-img 8-sector 40-sector 2048-sector ratio
lowest=""
for f in "${FORMATS[@]}"; do
  IFS='|' read -r name file fmt opts <<<"$f"
  out="$dir/vdisk/$name/$file"
  if [ ! -s "$out" ] || [ "$out" -ot "$raw" ]; then
    mkdir -p "$(dirname "$out")"
    # Run inside the folder: formats with several files name their extents relative to it.
    (cd "$(dirname "$out")" && qemu-img convert -f raw -O "$fmt" ${opts:+-o "$opts"} "$raw" "$file")
    # The program reads the older Parallels signature only.
    if [ "$fmt" = parallels ]; then
      python3 "$root/tests/fixtures/parallels-old-signature.py" "$out"
    fi
  fi
  size=$(qemu-img info -f "$fmt" --output=json "$out" | python3 -c 'import json,sys; print(json.load(sys.stdin)["virtual-size"])')
  cat "$(dirname "$out")"/* >/dev/null  # warm the page cache
  qemu_s=$(best qemu-img convert -n -f "$fmt" "$out" --target-image-opts "driver=null-co,size=$size")
  qemu_rate=$(python3 -c "print($size / $qemu_s)")
  json=$(MERROWIND_BENCH_VDISK="$out" "$bench" --benchmark_format=json \
           --benchmark_repetitions=3 --benchmark_report_aggregates_only=false)
  line=$(python3 - "$json" "$qemu_rate" "$name" <<'PY'
import json, sys
data = json.loads(sys.argv[1])
qemu = float(sys.argv[2])
best = {}
for b in data["benchmarks"]:
    if b.get("error_occurred"):
        print(f"{sys.argv[3]}: error {b.get('error_message')}")
        sys.exit(1)
    if b.get("run_type") == "aggregate":
        continue
    chunk = int(b["name"].split("/")[1])
    best[chunk] = max(best.get(chunk, 0), b["bytes_per_second"])
mib = lambda r: f"{r / 2**20:7.1f}MB/s"
worst = min(best.values()) / qemu
print(f"{sys.argv[3]:<26} {mib(qemu):>10} " + " ".join(f"{mib(best[c]):>10}" for c in sorted(best))
      + f" {worst:10.2f}")
PY
)
  echo "$line"
  ratio=${line##* }
  lowest=$(python3 -c "print(min([float(x) for x in '$lowest $ratio'.split()]))")
done
echo "lowest ratio to qemu-img: $lowest (target 0.50)"
