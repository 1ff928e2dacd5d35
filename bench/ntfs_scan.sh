#!/usr/bin/env bash
# Times the NTFS deleted-file scan (scan-dump --mode deleted) on an NTFS volume of 100,000 files in
# nested folders, a fifth of them deleted, against The Sleuth Kit's `fls -r -p` and against
# reading the $MFT's bytes with dd, in the same run with the page cache warm. Prints the best of
# three runs of each and the ratios (targets: at least 2 times faster than fls, within 5 times of
# dd).
# usage: bench/ntfs_scan.sh [BUILD_DIR]   (default build/release)
# The image is built once (an ntfs-3g FUSE mount: root and /dev/fuse needed) and kept under
# build/bench/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
dump="$build/tests/tools/scan-dump"
[ -x "$dump" ] || { echo "build $dump first (cmake --build --preset release)"; exit 1; }
for tool in mkntfs ntfs-3g fls; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done

dir="$root/build/bench"
image="$dir/ntfs_100k.img"
mkdir -p "$dir"
if [ ! -f "$image.done" ]; then
  [ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] || { echo "building the image needs root and /dev/fuse"; exit 1; }
  echo "making $image (100,000 files; this takes a few minutes once)"
  rm -f "$image" "$image.tmp"
  truncate -s 2G "$image.tmp"
  mkntfs -F -Q -q -c 4096 -L MW-BENCH "$image.tmp"
  mnt=$(mktemp -d)
  ntfs-3g -o noatime "$image.tmp" "$mnt"
  # 10 x 10 folders of 1,000 files each; files hold a few bytes, so their data is resident.
  python3 - "$mnt" <<'PY'
import os, sys
m = sys.argv[1]
n = 0
for a in range(10):
    for b in range(10):
        d = os.path.join(m, f"top{a}", f"mid{b}", "leaf")
        os.makedirs(d)
        for c in range(1000):
            fd = os.open(os.path.join(d, f"file{n:06d}.txt"), os.O_WRONLY | os.O_CREAT, 0o644)
            os.write(fd, b"x" * (n % 200))
            os.close(fd)
            n += 1
# A fifth deleted, spread over every folder.
for a in range(10):
    for b in range(10):
        d = os.path.join(m, f"top{a}", f"mid{b}", "leaf")
        for name in sorted(os.listdir(d))[::5]:
            os.unlink(os.path.join(d, name))
PY
  umount "$mnt"
  rmdir "$mnt"
  # The FUSE daemon may still be writing back after umount returns.
  for _ in $(seq 100); do fuser -s "$image.tmp" 2>/dev/null || break; sleep 0.1; done
  mv "$image.tmp" "$image"
  touch "$image.done"
fi

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

source "$root/bench/common.sh"
read_mft() {
  local run
  for run in "${mft_runs[@]}"; do
    read -r off len <<<"$run"
    dd if="$image" of=/dev/null bs=1M iflag=skip_bytes,count_bytes skip="$off" count="$len" status=none
  done
}

lines=$("$dump" --image "$image" --fs NTFS --mode deleted | tail -1)
t_dump=$(best "$dump" --image "$image" --fs NTFS --mode deleted)
t_fls=$(best fls -r -p "$image")
t_dd=$(best read_mft)
python3 - "$t_dump" "$t_fls" "$t_dd" "$lines" <<'PY'
import sys
dump, fls, dd = (float(x) for x in sys.argv[1:4])
print(f"scan-dump --mode deleted: {dump:7.3f} s   ({sys.argv[4]})")
print(f"fls -r -p:                {fls:7.3f} s")
print(f"dd of the $MFT:           {dd:7.3f} s")
print(f"fls / scan-dump: {fls / dump:5.2f}  (target at least 2)")
print(f"scan-dump / dd:  {dump / dd:5.2f}  (target at most 5)")
PY
