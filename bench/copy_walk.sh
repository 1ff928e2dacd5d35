#!/usr/bin/env bash
# Times the copy the results page's Save runs (scan-dump --save: the results tree's snapshot, the
# saving settings and the copy walk) against the bare extraction of the same files
# (scan-dump --extract), on the 1.3 GiB NTFS volume of bench/ntfs_extract.sh (a 512 MiB
# fragmented file and 2,000 small files), page cache warm. Prints the best of three runs of each,
# the scan's own time taken off both.
# Both write into a tmpfs, so that both end with their data in the same place and neither pays for
# the other's writeback: on a disk the figure was how much of the last copy's dirty pages the
# kernel happened to write back during the next one.
# Target: the copy walk at least 0.8 of the extraction's speed (ratio extract/save >= 0.8).
# usage: bench/copy_walk.sh [BUILD_DIR]   (default build/release; COPY_WALK_TMPFS names the tmpfs
# folder to write in, /dev/shm by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
dump="$build/tests/tools/scan-dump"
[ -x "$dump" ] || { echo "build $dump first (cmake --build --preset release)"; exit 1; }
dir="$root/build/bench"
image="$dir/ntfs_extract.img"
if [ ! -f "$image.done" ]; then
  echo "building the volume through bench/ntfs_extract.sh (once)"
  "$root/bench/ntfs_extract.sh" "$build" >/dev/null
fi

cat "$image" >/dev/null  # warm the page cache
tmpfs=${COPY_WALK_TMPFS:-/dev/shm}
[ "$(stat -f -c %T "$tmpfs")" = tmpfs ] || { echo "$tmpfs is not a tmpfs (set COPY_WALK_TMPFS)"; exit 1; }
out=$(mktemp -d "$tmpfs/merrowind-copy-walk-XXXXXX")
trap 'rm -rf "$out"' EXIT
now() { date +%s.%N; }
best() { sort -g | head -1; }
scan=() extract=() save=()
for round in 1 2 3; do
  rm -rf "${out:?}"/*
  t0=$(now); "$dump" --image "$image" --fs NTFS --mode deleted >/dev/null; t1=$(now)
  scan+=("$(echo "$t1 - $t0" | bc)")
  t0=$(now); "$dump" --image "$image" --fs NTFS --mode deleted --extract "$out/extract" >/dev/null; t1=$(now)
  extract+=("$(echo "$t1 - $t0" | bc)")
  t0=$(now); "$dump" --image "$image" --fs NTFS --mode deleted --save "$out/save" >/dev/null; t1=$(now)
  save+=("$(echo "$t1 - $t0" | bc)")
done
# The files must match; empty folders may differ (the extraction makes "Lost" even when empty).
find "$out" -mindepth 2 -type d -empty -delete
diff -r "$out/extract" "$out/save" >/dev/null || { echo "the copy differs from the extraction"; exit 1; }
bytes=$(du -sb "$out/save" | cut -f1)
s=$(printf '%s\n' "${scan[@]}" | best)
e=$(echo "$(printf '%s\n' "${extract[@]}" | best) - $s" | bc -l)
c=$(echo "$(printf '%s\n' "${save[@]}" | best) - $s" | bc -l)
printf 'bytes %d; scan %.3f s; extraction %.3f s (%.0f MiB/s); copy walk %.3f s (%.0f MiB/s)\n' \
  "$bytes" "$s" "$e" "$(echo "$bytes / 1048576 / $e" | bc -l)" "$c" "$(echo "$bytes / 1048576 / $c" | bc -l)"
printf 'ratio extract/save %.2f (target >= 0.8)\n' "$(echo "$e / $c" | bc -l)"
