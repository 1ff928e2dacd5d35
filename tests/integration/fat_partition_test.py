#!/usr/bin/env python3
"""The FAT partition search on a disk whose partition table is gone.

A disk of 100 MiB holds a FAT32 volume (one sector per cluster, folders at clusters above 65,536
too) at sector 2048 and a FAT16 volume (four sectors per cluster) at sector 77824, made with
mkfs.fat and mtools; sector 0 holds no table. `scan-dump --mode partition`:
- finds both file systems with the start and end sectors they were made with;
- with the FAT16 boot sector zeroed, still finds that file system from its directories (no start
  or end), and with the FAT32 boot sector zeroed finds it as "FAT32" although the search was for
  FAT16, because its directories use cluster numbers above 65,536;
- `--choose N` then lists the chosen file system's folders and files: every path and size that
  `fls -o START` lists (without a boot sector, the top folders at their clusters, named when the
  root was found again through the FATs, else "Dir<n>"), which only works with the right sectors
  per cluster and cluster-0 sector.
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

TOOLS = Path(os.environ.get("MERROWIND_TOOLS_DIR", SOURCE / "build" / "release" / "tests" / "tools"))
SCAN_DUMP = TOOLS / "scan-dump"

SECTORS = 100 * 2048
FAT32 = (2048, 73728)   # start, sectors
FAT16 = (77824, 32768)

CHOOSE = False  # whether scan-dump can run the second pass (--choose N)


def env():
    return dict(os.environ, TZ="UTC", LC_ALL="C.UTF-8", MTOOLS_SKIP_CHECK="1")


def run(*args):
    return subprocess.run([str(a) for a in args], check=True, capture_output=True, env=env())


def make_disk(work):
    disk = Path(work) / "disk.img"
    with open(disk, "wb") as f:
        f.truncate(SECTORS * 512)
    src = Path(work) / "src"
    src.mkdir()
    for i in range(6):
        (src / f"f{i}").write_bytes(bytes([65 + i]) * (700 + 300 * i))

    start, count = FAT32
    run("mkfs.fat", "-a", "-F", "32", "-s", "1", "-S", "512", "-h", start, "--offset", start,
        disk, count // 2)
    img = f"{disk}@@{start * 512}"
    run("mmd", "-i", img, "::/Alpha", "::/Alpha/Beta", "::/Alpha/Beta/Gamma", "::/Delta")
    run("mcopy", "-i", img, src / "f0", "::/Alpha/Beta/Gamma/deep.txt")
    run("mcopy", "-i", img, src / "f1", "::/Delta/one.bin")
    # The next folders go to clusters above 65,536: the FSInfo sector's next-free hint says where
    # mtools starts looking.
    with open(disk, "r+b") as f:
        f.seek(start * 512 + 48)
        fsinfo = int.from_bytes(f.read(2), "little")
        f.seek((start + fsinfo) * 512 + 0x1EC)
        f.write((70000).to_bytes(4, "little"))
    run("mmd", "-i", img, "::/High", "::/High/Sub")
    run("mcopy", "-i", img, src / "f2", "::/High/Sub/high file.txt")

    start, count = FAT16
    run("mkfs.fat", "-a", "-F", "16", "-s", "4", "-S", "512", "-h", start, "--offset", start,
        disk, count // 2)
    img = f"{disk}@@{start * 512}"
    run("mmd", "-i", img, "::/Xray", "::/Xray/Yankee", "::/Zulu")
    run("mcopy", "-i", img, src / "f3", "::/Xray/Yankee/why.txt")
    run("mcopy", "-i", img, src / "f4", "::/Zulu/ZULU.TXT")
    run("mcopy", "-i", img, src / "f5", "::/Xray/x.txt")
    return disk


def search(disk, choose=None):
    args = [SCAN_DUMP, "--image", disk, "--fs", "FAT16", "--mode", "partition"]
    if choose is not None:
        args += ["--choose", str(choose)]
    out = subprocess.run([str(a) for a in args], capture_output=True, env=env())
    check(out.returncode == 0, f"scan-dump {args[5:]} exited {out.returncode}: "
                               f"{out.stderr.decode(errors='replace')}")
    systems, rows = [], []
    for line in out.stdout.decode("utf-8").splitlines():
        cols = line.split("\t")
        if cols[0] == "fs":
            systems.append((int(cols[1]), cols[2], int(cols[3]), int(cols[4])))
        elif cols[0] in ("D", "F") and len(cols) == 5:
            rows.append((cols[0], int(cols[2]), int(cols[3]), cols[4]))
    return systems, rows


def listing(disk, start):
    """(path, size or None) below the root of the volume at start, as fls lists it."""
    entries = o.user_entries(o.fls(disk, start), orphans=False)
    return {(e.path, e.size if e.kind == "r" else None) for e in entries
            if not (e.kind == "r" and e.size == 0)}


def can_choose():
    out = subprocess.run([str(SCAN_DUMP), "--choose", "1"], capture_output=True, env=env())
    return b"unknown option" not in out.stderr


def check_chosen(label, disk, number, want, top_ids):
    """--choose number lists want. With top_ids (old top folder name -> cluster) the boot sector
    was gone: each top folder is expected at its cluster, under its name when the root was found
    again, else as "Dir<n>"; the root's own files come back only with the root."""
    if not CHOOSE:
        return
    _, rows = search(disk, number)
    rename = {}
    if top_ids:
        tops = {ident: path for kind, _, ident, path in rows if kind == "D" and "/" not in path}
        for name, ident in top_ids.items():
            new = tops.get(ident)
            check(new == name or (new is not None and re.fullmatch(r"Dir\d+", new)),
                  f"{label}: top folder {name} (cluster {ident}) came back as {new}")
            if new:
                rename[new] = name
    got = set()
    for kind, size, _, path in rows:
        if path == "Lost" or path.startswith("Lost/"):
            continue
        head, _, rest = path.partition("/")
        path = rename.get(head, head) + ("/" + rest if rest else "")
        got.add((path, size if kind == "F" else None))
    required = {(p, s) for p, s in want if not top_ids or "/" in p or s is None}
    check(required <= got <= want, f"{label}: --choose {number} differs from fls:\n"
                                   f"  only scan: {sorted(got - want)}\n"
                                   f"  only fls: {sorted(required - got)}")


def top_clusters(disk, fs, start, count):
    """Top folder name -> first cluster, from the deleted-file scan of the intact volume."""
    out = subprocess.run([str(SCAN_DUMP), "--image", str(disk), "--fs", fs, "--mode", "deleted",
                          "--start", str(start), "--end", str(start + count)],
                         capture_output=True, env=env(), check=True)
    tops = {}
    for line in out.stdout.decode().splitlines():
        cols = line.split("\t")
        if cols[0] == "D" and "/" not in cols[4]:
            tops[cols[4]] = int(cols[3])
    return tops


def main():
    if not SCAN_DUMP.exists():
        skip(f"scan-dump not built in {TOOLS}")
    for tool in ("fls", "mkfs.fat", "mmd", "mcopy"):
        if not shutil.which(tool):
            skip(f"{tool} is not installed")
    global CHOOSE
    CHOOSE = can_choose()
    if not CHOOSE:
        skip("this scan-dump cannot list found file systems or --choose one yet")
    with tempfile.TemporaryDirectory() as work:
        disk = make_disk(work)
        want32, want16 = listing(disk, FAT32[0]), listing(disk, FAT16[0])
        tops32 = top_clusters(disk, "FAT32", *FAT32)
        tops16 = top_clusters(disk, "FAT16", *FAT16)
        check(min(i for n, i in tops32.items() if n == "High") > 65536,
              f"the fixture's High folder is not above cluster 65,536: {tops32}")

        systems, _ = search(disk)
        check(systems == [(1, "FAT32", FAT32[0], sum(FAT32)), (2, "FAT16", FAT16[0], sum(FAT16))],
              f"both boot sectors: {systems}")
        check_chosen("both boot sectors", disk, 1, want32, None)
        check_chosen("both boot sectors", disk, 2, want16, None)

        # The FAT16 boot sector gone: found from its directories, after the FAT32 one.
        with open(disk, "r+b") as f:
            f.seek(FAT16[0] * 512)
            f.write(bytes(512))
        systems, _ = search(disk)
        check(systems == [(1, "FAT32", FAT32[0], sum(FAT32)), (2, "FAT16", 0, 0)],
              f"FAT16 boot sector zeroed: {systems}")
        check_chosen("FAT16 inferred", disk, 2, want16, tops16)

        # The FAT32 boot sector gone too (its backup six sectors on places nothing): "FAT32"
        # because of its large cluster numbers, though the search was for FAT16.
        with open(disk, "r+b") as f:
            f.seek(FAT32[0] * 512)
            f.write(bytes(512))
        systems, _ = search(disk)
        check(sorted(s[1:] for s in systems) == [("FAT16", 0, 0), ("FAT32", 0, 0)],
              f"both boot sectors zeroed: {systems}")
        number = next((n for n, name, _, _ in systems if name == "FAT32"), None)
        if number:
            check_chosen("FAT32 inferred", disk, number, want32, tops32)
    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("lost FAT partitions are found with and without their boot sectors")
    return 0


if __name__ == "__main__":
    sys.exit(main())
