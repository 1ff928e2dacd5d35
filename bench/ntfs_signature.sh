#!/usr/bin/env bash
# Times the NTFS signature scan (scan-dump --mode formatted: the search of every sector, the MFT
# numbering, the file-system assignment and the dump) over an 8 GiB NTFS volume, against dd reading
# the same sectors in 1 MiB blocks, in the same run with the page cache warm. Prints the best of
# three runs of each and the scan's time as a multiple of dd's (target: at most 1.3).
# usage: bench/ntfs_signature.sh [BUILD_DIR]   (default build/release)
# The volume (8 GiB sparse, 4096-byte clusters, 20,000 small files in 200 folders, a fifth of them
# deleted, and 256 MiB of large files; the rest is free space) is made through an ntfs-3g FUSE
# mount (root and /dev/fuse needed), in a folder bench/volumes.sh chooses.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
dump="$build/tests/tools/scan-dump"
[ -x "$dump" ] || { echo "build $dump first (cmake --build --preset release)"; exit 1; }
for tool in mkntfs ntfs-3g; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done
source "$root/bench/common.sh"
source "$root/bench/volumes.sh"

image="$vols/ntfs_signature_8g.img"
if [ ! -f "$image.done" ]; then
  [ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] || { echo "making the volume needs root and /dev/fuse"; exit 1; }
  echo "making $image (a minute or two)"
  rm -f "$image"
  truncate -s 8G "$image"
  mkntfs -F -Q -q -c 4096 -L MW-SIGBENCH "$image" 2>/dev/null
  mnt=$(mktemp -d)
  ntfs-3g -o noatime "$image" "$mnt"
  python3 - "$mnt" <<'PY'
import os, random, sys
m = sys.argv[1]
rng = random.Random(7)
n = 0
for a in range(20):
    for b in range(10):
        d = os.path.join(m, f"dir{a:02d}", f"sub{b}")
        os.makedirs(d)
        for c in range(100):
            with open(os.path.join(d, f"file{n:05d}.dat"), "wb") as f:
                f.write(rng.randbytes(rng.randrange(0, 12000)))
            n += 1
big = os.path.join(m, "big")
os.makedirs(big)
for i in range(4):
    with open(os.path.join(big, f"large{i}.bin"), "wb") as f:
        for _ in range(64):
            f.write(rng.randbytes(1 << 20))
for a in range(20):
    for b in range(10):
        d = os.path.join(m, f"dir{a:02d}", f"sub{b}")
        for name in sorted(os.listdir(d))[::5]:
            os.unlink(os.path.join(d, name))
PY
  umount "$mnt"
  rmdir "$mnt"
  # The FUSE daemon may still be writing back after umount returns.
  for _ in $(seq 100); do fuser -s "$image" 2>/dev/null || break; sleep 0.1; done
  touch "$image.done"
fi

sectors=$(( $(stat -c %s "$image") / 512 ))
cat "$image" >/dev/null  # warm the page cache

# scan-dump searches [start, end): the whole image but its last sector.
scan() { "$dump" --image "$image" --fs NTFS --mode formatted --end $((sectors - 1)); }
read_range() { dd if="$image" of=/dev/null bs=1M count=$(((sectors - 1) * 512)) iflag=count_bytes status=none; }

summary=$(scan | tail -1)
t_scan=$(best scan)
t_dd=$(best read_range)
python3 - "$t_scan" "$t_dd" "$summary" "$sectors" <<'PY'
import sys
scan, dd = (float(x) for x in sys.argv[1:3])
mib = (int(sys.argv[4]) - 1) * 512 / (1 << 20)
print(f"scan-dump --mode formatted: {scan:7.3f} s  {mib / scan:8.1f} MiB/s  ({sys.argv[3]})")
print(f"dd bs=1M of the same range: {dd:7.3f} s  {mib / dd:8.1f} MiB/s")
print(f"the signature scan takes {scan / dd:5.2f} times dd's time (target at most 1.3)")
PY
