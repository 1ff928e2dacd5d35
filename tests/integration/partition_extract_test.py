#!/usr/bin/env python3
"""Partition recovery on the MBR disk whose sector 0 is zeroed (disks/mbr-lost.img), end to end.

`scan-dump --mode partition` searches the whole disk:
- every file system is reported from its first sector to one past its last, the same way for FAT
  and NTFS, exactly where the intact disk's partition table (mmls of disks/mbr.img) puts it; the
  FAT12 volume, whose boot sector is intact, is found by it, not guessed without start or end;
- `--choose N --extract DIR` then writes the chosen file system's files, which must equal what
  `icat -o START` gives (`icat -r` for deleted ones), for every file `fls -o START` lists.
"""

import os
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

# The search's file-system name -> the names it must find, by the intact table's type text.
SEARCHES = {"NTFS": ("NTFS",), "FAT12": ("FAT32", "FAT16", "FAT12")}
TYPES = {"NTFS": "NTFS", "FAT32": "FAT32", "FAT16": "FAT16", "FAT12": "FAT12"}


def env():
    return dict(os.environ, TZ="UTC", LC_ALL="C.UTF-8")


def scan_dump(disk, fs, *extra):
    p = subprocess.run([str(SCAN_DUMP), "--image", str(disk), "--fs", fs, "--mode", "partition",
                        *map(str, extra)], capture_output=True, env=env())
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8", errors="replace")


def table(disk):
    """(type, start, one past the end) of each partition of the intact disk, by mmls."""
    out = []
    for s in o.partitions(disk):
        kind = next((t for t in TYPES if t in s.description), None)
        if kind:
            out.append((kind, s.start, s.start + s.length))
    return out


def compare_chosen(lost, fs, number, name, start):
    label = f"{name} at {start}"
    with tempfile.TemporaryDirectory() as out:
        rc, stdout, err = scan_dump(lost, fs, "--choose", number, "--extract", out)
        check(rc == 0, f"{label}: --choose {number} --extract exit {rc}: {err.strip()}")
        extracted = {}
        for line in stdout.splitlines():
            cols = line.split("\t")
            if cols[0] == "F" and len(cols) == 5:
                extracted[cols[4]] = cols[1] == "y"
        tsk = [e for e in o.fls(lost, start) if e.kind == "r" and ":" not in e.name]
        compared = 0
        for e in tsk:
            if e.path.startswith("$OrphanFiles/") or e.size == 0:
                continue
            if name != "NTFS" and e.path.startswith("$"):
                continue  # TSK's virtual FAT files
            if e.path not in extracted:
                check(e.deleted, f"{label}: {e.path} (live) was not found")
                continue
            target = Path(out) / e.path
            want = o.icat(lost, e.inode, start, recover=e.deleted)
            check(target.is_file() and target.read_bytes() == want,
                  f"{label}: {e.path} is not what icat{' -r' if e.deleted else ''} gives")
            compared += 1
        check(compared >= 3, f"{label}: only {compared} files compared")


def main():
    if not SCAN_DUMP.exists():
        skip(f"scan-dump not built in {TOOLS}")
    for tool in ("fls", "icat", "mmls"):
        if not shutil.which(tool):
            skip(f"{tool} (The Sleuth Kit) is not installed")
    lost, intact = FIX / "disks" / "mbr-lost.img", FIX / "disks" / "mbr.img"
    for image in (lost, intact):
        if not image.exists():
            skip(f"{image} missing (run tests/fixtures/build-all.sh)")
    want = table(intact)
    for fs, names in SEARCHES.items():
        rc, stdout, err = scan_dump(lost, fs)
        check(rc == 0, f"search for {fs}: exit {rc}: {err.strip()}")
        found = []
        for line in stdout.splitlines():
            cols = line.split("\t")
            if cols[0] == "fs":
                found.append((int(cols[1]), cols[2], int(cols[3]), int(cols[4])))
        expected = sorted(w for w in want if w[0] in names)
        check(sorted(f[1:] for f in found) == expected,
              f"search for {fs}: found {found}, the table has {expected}")
        for number, name, start, _ in found:
            try:
                compare_chosen(lost, fs, number, name, start)
            except (o.OracleError, subprocess.CalledProcessError) as e:
                check(False, f"{name} at {start}: {type(e).__name__}: {e}")
    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("every file system of the lost table is found where it was and extracts as icat gives")
    return 0


if __name__ == "__main__":
    sys.exit(main())
