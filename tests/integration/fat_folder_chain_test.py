#!/usr/bin/env python3
"""FAT folders past their first cluster after a quick format.

fat32-folders.img (512-byte clusters) holds Big/, 400 long-named files in a folder of 101 clusters
in a row, and Frag/, 40 files whose folder's first cluster is followed by a file's data. A copy is
quick-formatted with the same mformat command (the FAT goes, the data area stays). Then
`scan-dump --mode formatted --extract`:
- Big/ comes back as a Dir<n> folder with at least 95 % of its 400 files, each with its long name,
  its size and, written out, the bytes the fixture builder wrote;
- Frag/ comes back with the files of its first cluster only, with their names and bytes, and
  nothing read from the file data that follows it;
- nothing else is listed but what the volume held;
- partition recovery (the file system its search finds) lists Big/ the same way.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = Path(os.environ.get("MERROWIND_SOURCE_DIR", HERE.parent.parent))
sys.path.insert(0, str(SOURCE / "tests" / "fixtures"))
import oracle as o  # noqa: E402
from testkit import check, failures, skip  # noqa: E402

FIX = Path(os.environ.get("MERROWIND_FIXTURE_DIR", SOURCE / "build" / "fixtures"))
TOOLS = Path(os.environ.get("MERROWIND_TOOLS_DIR", SOURCE / "build" / "release" / "tests" / "tools"))
SCAN_DUMP = TOOLS / "scan-dump"
FORMAT = ["mformat", "-T", "81920", "-h", "2", "-s", "32", "-F", "-c", "1", "-m", "0xf8",
          "-v", "FOLDERS"]


def scan(image, out, mode="formatted", extra=()):
    p = subprocess.run([str(SCAN_DUMP), "--image", str(image), "--fs", "FAT32", "--mode", mode,
                        *extra, "--extract", str(out)], capture_output=True,
                       env=dict(os.environ, TZ="UTC", LC_ALL="C.UTF-8"))
    rows = []
    for line in p.stdout.decode("utf-8").splitlines():
        if line.startswith("folders "):
            continue
        kind, deleted, size, ident, path = line.split("\t", 4)
        rows.append((kind, int(size), path))
    return p.returncode, rows, p.stderr.decode("utf-8", "replace")


def main():
    if not SCAN_DUMP.exists():
        skip(f"scan-dump not built in {TOOLS}")
    for tool in ("fls", "icat", "mformat"):
        if not shutil.which(tool):
            skip(f"{tool} is not installed")
    source = FIX / "fat" / "fat32-folders.img"
    if not source.exists():
        skip(f"{source} missing (run tests/fixtures/build-all.sh)")
    with tempfile.TemporaryDirectory() as work:
        image = Path(work) / "folders.img"
        subprocess.run(["cp", "--sparse=always", str(source), str(image)], check=True)
        # What the builder wrote (fixtures_test checks it against icat).
        before = {f"Big/A long file name number {i}.txt": o.expected_content(f"b{i}", 300 + 3 * i)
                  for i in range(1, 401)}
        before.update({f"Frag/Fragmented folder file {i}.txt": o.expected_content(f"f{i}", 200 + i)
                       for i in range(1, 41)})
        listed = {e.path for e in o.fls(image) if e.kind == "r"}
        check(set(before) <= listed, "the fixture does not hold Big/ and Frag/ as built")
        subprocess.run(FORMAT + ["-i", str(image), "::"], check=True, capture_output=True,
                       env=dict(os.environ, MTOOLS_SKIP_CHECK="1"))
        check(not [e for e in o.user_entries(o.fls(image), orphans=False)],
              "the quick format still lists files")
        out = Path(work) / "out"
        code, rows, err = scan(image, out)
        check(code == 0, f"formatted scan exited {code}: {err}")
        tops = {p for k, _, p in rows if k == "D" and "/" not in p and p != "Lost"}
        check(all(re.fullmatch(r"Dir\d+", t) for t in tops) and len(tops) == 2,
              f"top folders: {sorted(tops)}")
        counts = {"Big": 0, "Frag": 0}
        for kind, size, path in rows:
            if kind != "F":
                continue
            top, _, name = path.partition("/")
            old = "Big/" + name if name.startswith("A long") else "Frag/" + name
            want = before.get(old)
            written = out / path
            ok = (top in tops and want is not None and size == len(want) and written.is_file()
                  and written.read_bytes() == want)
            check(ok, f"{path} is not {old} as it was before the format")
            if ok:
                counts[old.split("/")[0]] += 1
        print(f"Big: {counts['Big']} of 400 files with their names and bytes; "
              f"Frag: {counts['Frag']} of 40")
        check(counts["Big"] >= 380, f"Big: only {counts['Big']} of 400 came back")
        # Frag's first cluster holds 14 entries after "." and "..": its first 3 files (4 entries
        # each) and the long-name start of the 4th, whose short entry lies in a later cluster.
        check(0 < counts["Frag"] < 40, f"Frag: {counts['Frag']} files, its first cluster's expected")
        # Partition recovery reads the folders of the file system it found the same way.
        code, rows, err = scan(image, Path(work) / "partition", "partition", ["--choose", "1"])
        named = {p.partition("/")[2] for k, _, p in rows if k == "F"}
        big = sum(1 for i in range(1, 401) if f"A long file name number {i}.txt" in named)
        print(f"partition recovery: Big: {big} of 400 names")
        check(code == 0 and big >= 380, f"partition recovery: {big} of Big's 400, exit {code}: {err}")
    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("folders past their first cluster come back after a quick format")
    return 0


if __name__ == "__main__":
    sys.exit(main())
