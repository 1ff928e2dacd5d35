#!/usr/bin/env bash
# Times NTFS file extraction (scan-dump --extract) against The Sleuth Kit's icat on the same
# entries, in the same run with the page cache warm. The volume holds a 512 MiB file in dozens of
# fragments, 2,000 small files (1 to 64 KiB) and the 8 MiB files that made the holes. Prints the best of three runs of each:
#   - every file the scan finds, ours (extract time = scan with --extract minus scan alone) against
#     one `icat` per file;
#   - the 512 MiB file alone (scan-dump --only-name big.bin, minus the scan) against `icat` of it.
# Target: at least as fast as icat (ratio icat/ours >= 1).
# usage: bench/ntfs_extract.sh [BUILD_DIR]   (default build/release)
# The image is built once (an ntfs-3g FUSE mount: root and /dev/fuse needed) and kept under
# build/bench/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
dump="$build/tests/tools/scan-dump"
[ -x "$dump" ] || { echo "build $dump first (cmake --build --preset release)"; exit 1; }
for tool in mkntfs ntfs-3g icat python3; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done

dir="$root/build/bench"
image="$dir/ntfs_extract.img"
mkdir -p "$dir"
if [ ! -f "$image.done" ]; then
  [ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] || { echo "building the image needs root and /dev/fuse"; exit 1; }
  echo "making $image (a 512 MiB fragmented file and 2,000 small files; once)"
  rm -f "$image" "$image.tmp"
  truncate -s 1300M "$image.tmp"
  mkntfs -F -Q -q -s 512 -c 4096 -L MW-EXTRACT "$image.tmp" 2>/dev/null
  mnt=$(mktemp -d)
  ntfs-3g -o noatime "$image.tmp" "$mnt"
  python3 - "$mnt" <<'PY'
import errno, os, random, sys
m = sys.argv[1]
rnd = random.Random(7)
# Fill the volume with 8 MiB files and delete every other one: the free space is then holes of
# 8 MiB, and the big file written into them comes out in dozens of runs. (With hundreds of runs
# its $FILE_NAME would move to an extension record, which the deleted-file scan does not read.)
fill = os.path.join(m, "fill")
os.makedirs(fill)
chunk = b"\xa5" * (8 << 20)
n = 0
while True:
    try:
        with open(os.path.join(fill, f"{n:05d}"), "wb") as f:
            f.write(chunk)
        n += 1
    except OSError as e:
        if e.errno != errno.ENOSPC:
            raise
        os.unlink(os.path.join(fill, f"{n:05d}"))
        break
for i in range(0, n, 2):
    os.unlink(os.path.join(fill, f"{i:05d}"))
os.makedirs(os.path.join(m, "small"))
for i in range(2000):
    with open(os.path.join(m, "small", f"file{i:04d}.bin"), "wb") as f:
        f.write(rnd.randbytes(rnd.randint(1024, 64 * 1024)))
with open(os.path.join(m, "big.bin"), "wb") as big:
    for i in range(512):
        big.write(rnd.randbytes(1 << 20))
PY
  umount "$mnt"
  rmdir "$mnt"
  for _ in $(seq 100); do fuser -s "$image.tmp" 2>/dev/null || break; sleep 0.1; done
  mv "$image.tmp" "$image"
  touch "$image.done"
fi

cat "$image" >/dev/null  # warm the page cache
out="$dir/ntfs_extract.out"
list="$dir/ntfs_extract.list"
"$dump" --image "$image" --fs NTFS --mode deleted > "$list"
big_id=$(awk -F'\t' '$1 == "F" && $5 == "big.bin" {print $4}' "$list")
[ -n "$big_id" ] || { echo "big.bin not found by the scan"; exit 1; }
echo "runs of big.bin: $(istat -r "$image" "$big_id" 2>/dev/null | grep -c 'Starting address' || true)"

now() { date +%s.%N; }
best() { sort -g | head -1; }

scan_only=() extract=() icat_all=() icat_big=() ours_big=()
# Each timing starts after a sync, so no run pays for the write-back of the one before.
for round in 1 2 3; do
  rm -rf "$out"; mkdir -p "$out"; sync
  t0=$(now); "$dump" --image "$image" --fs NTFS --mode deleted > /dev/null; t1=$(now)
  scan_only+=("$(echo "$t1 - $t0" | bc)")

  sync
  t0=$(now)
  "$dump" --image "$image" --fs NTFS --mode deleted --extract "$out/one" --only-name big.bin >/dev/null
  t1=$(now)
  ours_big+=("$(echo "$t1 - $t0" | bc)")

  sync
  t0=$(now); icat "$image" "$big_id" > "$out/big.icat"; t1=$(now)
  icat_big+=("$(echo "$t1 - $t0" | bc)")

  sync
  t0=$(now); "$dump" --image "$image" --fs NTFS --mode deleted --extract "$out/ours" > /dev/null; t1=$(now)
  extract+=("$(echo "$t1 - $t0" | bc)")

  # icat on the same entries, each into the same path.
  sync
  t0=$(now)
  awk -F'\t' '$1 == "F" {print $4 "\t" $5}' "$list" | while IFS=$'\t' read -r id path; do
    mkdir -p "$out/icat/$(dirname "$path")"
    icat "$image" "$id" > "$out/icat/$path" 2>/dev/null || true  # records without an unnamed $DATA
  done
  t1=$(now)
  icat_all+=("$(echo "$t1 - $t0" | bc)")
done

cmp "$out/ours/big.bin" "$out/icat/big.bin" || { echo "big.bin differs from icat"; exit 1; }
cmp "$out/one/big.bin" "$out/big.icat" || { echo "big.bin alone differs from icat"; exit 1; }
files=$(awk -F'\t' '$1 == "F"' "$list" | wc -l)
bytes=$(du -sb "$out/ours" | cut -f1)
s=$(printf '%s\n' "${scan_only[@]}" | best)
e=$(printf '%s\n' "${extract[@]}" | best)
ia=$(printf '%s\n' "${icat_all[@]}" | best)
ib=$(printf '%s\n' "${icat_big[@]}" | best)
ob=$(printf '%s\n' "${ours_big[@]}" | best)
ob=$(echo "$ob - $s" | bc -l)
ours=$(echo "$e - $s" | bc -l)
printf 'entries: %d files, %d bytes\n' "$files" "$bytes"
printf 'scan alone %.3f s; scan + extract %.3f s; extraction %.3f s (%.0f MiB/s)\n' \
  "$s" "$e" "$ours" "$(echo "$bytes / 1048576 / $ours" | bc -l)"
printf 'icat, one per file: %.3f s   ratio icat/ours %.2f\n' "$ia" "$(echo "$ia / $ours" | bc -l)"
printf 'big.bin (512 MiB): ours %.3f s (%.0f MiB/s), icat %.3f s (%.0f MiB/s)   ratio icat/ours %.2f\n' \
  "$ob" "$(echo "512 / $ob" | bc -l)" "$ib" "$(echo "512 / $ib" | bc -l)" "$(echo "$ib / $ob" | bc -l)"
rm -rf "$out"
