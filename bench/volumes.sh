# Sourced by the benchmark scripts that need large volumes. The volumes are made in a temporary
# folder and removed when the script ends; set MERROWIND_BENCH_VOLUMES to a folder to keep them
# there and use them again in later runs.

if [ -n "${MERROWIND_BENCH_VOLUMES:-}" ]; then
  vols=$MERROWIND_BENCH_VOLUMES
  mkdir -p "$vols"
else
  vols=$(mktemp -d "${TMPDIR:-/tmp}/merrowind-bench-XXXXXX")
  trap 'rm -rf "$vols"' EXIT
fi

# make_ntfs_files IMAGE SIZE FILES: an NTFS volume of SIZE (truncate's units, sparse) holding FILES
# files with 20-character names in folders of 1,000 (top/mid/leaf), a few bytes each so that their
# data is resident, a fifth of them deleted. Made through an ntfs-3g FUSE mount (root and
# /dev/fuse needed); kept when IMAGE.done exists.
make_ntfs_files() {
  local image=$1 size=$2 files=$3 mnt
  [ -f "$image.done" ] && return 0
  [ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] || { echo "making $image needs root and /dev/fuse"; exit 1; }
  echo "making $image ($size, $files files; a minute or two)"
  rm -f "$image"
  truncate -s "$size" "$image"
  mkntfs -F -Q -q -c 4096 -L MW-BENCH "$image" 2>/dev/null
  mnt=$(mktemp -d)
  ntfs-3g -o noatime "$image" "$mnt"
  python3 - "$mnt" "$files" <<'PY'
import os, sys
m, files = sys.argv[1], int(sys.argv[2])
dirs, n = [], 0
for f in range((files + 999) // 1000):
    d = os.path.join(m, f"top{f // 10:02d}", f"mid{f % 10}", "leaf")
    os.makedirs(d)
    dirs.append(d)
    for _ in range(min(1000, files - n)):
        fd = os.open(os.path.join(d, f"doc{n:06d}_report.txt"), os.O_WRONLY | os.O_CREAT, 0o644)
        os.write(fd, b"x" * (n % 200))
        os.close(fd)
        n += 1
for d in dirs:
    for name in sorted(os.listdir(d))[::5]:
        os.unlink(os.path.join(d, name))
PY
  umount "$mnt"
  rmdir "$mnt"
  # The FUSE daemon may still be writing back after umount returns.
  for _ in $(seq 100); do fuser -s "$image" 2>/dev/null || break; sleep 0.1; done
  touch "$image.done"
}

# make_fat32_files IMAGE SIZE FILES: a FAT32 volume of SIZE (sparse, 4 KiB clusters) holding FILES
# files with 20-character names in folders of 250 (mcopy slows down with the square of a folder's
# size), a few bytes each, a fifth of them deleted. Made with mtools; kept when IMAGE.done exists.
make_fat32_files() {
  local image=$1 size=$2 files=$3 src
  [ -f "$image.done" ] && return 0
  echo "making $image ($size, $files files; a few minutes)"
  src=$(mktemp -d)
  python3 - "$src" "$files" <<'PY'
import os, sys
src, files = sys.argv[1], int(sys.argv[2])
n = 0
for f in range((files + 249) // 250):
    d = os.path.join(src, f"folder{f:03d}")
    os.mkdir(d)
    for _ in range(min(250, files - n)):
        with open(os.path.join(d, f"doc{n:06d}_report.txt"), "wb") as out:
            out.write(b"y" * (1 + n % 200))
        n += 1
PY
  rm -f "$image"
  truncate -s "$size" "$image"
  MTOOLS_SKIP_CHECK=1 mkfs.fat -a -F 32 -s 8 -S 512 -n MWBENCH "$image" >/dev/null
  MTOOLS_SKIP_CHECK=1 mcopy -s -m -i "$image" "$src"/* ::/ || { rm -f "$image"; exit 1; }
  # A fifth deleted: files whose number ends in 0 or 5.
  for d in "$src"/*; do
    MTOOLS_SKIP_CHECK=1 mdel -i "$image" "::/$(basename "$d")/doc*[05]_report.txt"
  done
  rm -rf "$src"
  touch "$image.done"
}
