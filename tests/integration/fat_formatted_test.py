#!/usr/bin/env python3
"""The FAT formatted scan on volumes formatted again over their data.

For each FAT16 and FAT32 fixture (1, 8 and 64 sectors per cluster) a copy is listed with
`fls -r -p`, its files are saved with `icat`, and `mkfs.fat` formats it again with the same
geometry, which leaves the boot sector, empty FATs and an empty root. Then
`scan-dump --mode formatted`:
- finds every folder that sat in the old root as a top folder "Dir<n>" at its old cluster, and
  every folder and file below those with its old path and size (of a fragmented folder only what
  its clusters before the first gap hold: the chain went with the FAT), and nothing else but
  "Lost";
- writes (--extract) every file that lies in one run of clusters equal to the saved original.
A volume whose sectors per cluster is 0 gives the notice and no result.
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

# fixture, FAT bits, sectors per cluster
VOLUMES = [
    ("fat16-s1", 16, 1),
    ("fat16-s8", 16, 8),
    ("fat16-s64", 16, 64),
    ("fat32-s1", 32, 1),
    ("fat32-s8", 32, 8),
    ("fat32-s64", 32, 64),
]
IMPOSSIBLE = "Recovery is not possible using this option. Choose other mode for data recovery."
TSK_NAME_LIMIT = 247


def env():
    return dict(os.environ, TZ="UTC", LC_ALL="C.UTF-8")


def scan(image, fs, mode, extra=()):
    out = subprocess.run([str(SCAN_DUMP), "--image", str(image), "--fs", fs, "--mode", mode,
                          *extra], capture_output=True, env=env())
    rows = []
    for line in out.stdout.decode("utf-8").splitlines():
        if line.startswith("folders "):
            continue
        kind, deleted, size, ident, path = line.split("\t", 4)
        rows.append((kind, deleted == "y", int(size), int(ident), path))
    return out.returncode, rows, out.stderr.decode("utf-8", "replace")


def comparable(path):
    parts = [p[:TSK_NAME_LIMIT] for p in path.split("/")]
    return "/".join("".join(c if ord(c) < 128 else "^" for c in p) for p in parts)


def check_volume(name, bits, spc, work):
    fs = f"FAT{bits}"
    image = Path(work) / f"{name}.img"
    subprocess.run(["cp", "--sparse=always", str(FIX / "fat" / f"{name}.img"), str(image)],
                   check=True)
    # What the volume held: fls's listing, the files' bytes and runs, the top folders' clusters.
    tsk = [e for e in o.user_entries(o.fls(image), orphans=False)
           if not (e.kind == "r" and e.size == 0)]
    saved, contiguous = {}, set()
    for e in tsk:
        if e.kind != "r":
            continue
        data = o.icat(image, e.inode, recover=e.deleted)
        if len(data) == e.size:
            saved[comparable(e.path)] = data
        if len(o.runs(image, e.inode)) == 1:
            contiguous.add(comparable(e.path))
    # A folder of more than one cluster loses its chain with the FAT: the clusters that follow its
    # first are read while they hold entries, so one in a single run comes back whole, and of a
    # fragmented one only the entries before its first gap can.
    longer = {comparable(e.path) for e in tsk
              if e.kind == "d" and len(o.runs(image, e.inode)) > 1}
    code, before, _ = scan(image, fs, "deleted")
    check(code == 0, f"{name}: deleted scan before formatting failed")
    top = {p: i for k, _, _, i, p in before if k == "D" and "/" not in p}

    subprocess.run(["mkfs.fat", "-a", "-F", str(bits), "-s", str(spc), "-S", "512", str(image)],
                   check=True, capture_output=True)
    check(not [e for e in o.user_entries(o.fls(image), orphans=False)],
          f"{name}: the new format still lists files")

    with tempfile.TemporaryDirectory() as out:
        code, rows, err = scan(image, fs, "formatted", ["--extract", out])
        check(code == 0, f"{name}: formatted scan exited {code}: {err}")
        dirs = {i: p for k, _, _, i, p in rows if k == "D" and "/" not in p}
        check(dirs.get(0x0FFFFFFF) == "Lost", f"{name}: no Lost folder")
        # Each old top folder is a Dir<n> at its old cluster; map its new name to the old one.
        rename = {}
        for old, ident in top.items():
            new = dirs.get(ident)
            check(new is not None and re.fullmatch(r"Dir\d+", new),
                  f"{name}: top folder {old} (cluster {ident}) came back as {new}")
            if new:
                rename[new] = old
        got = set()
        for kind, _, size, _, path in rows:
            head, _, rest = path.partition("/")
            if path == "Lost":
                continue
            path = rename.get(head, head) + ("/" + rest if rest else "")
            got.add((comparable(path), size if kind == "F" else None))
        # Everything below the old root survives; the old root's own files are gone with it.
        want = {(comparable(e.path), e.size if e.kind == "r" else None) for e in tsk
                if "/" in e.path or e.kind == "d"}
        missing = {(p, z) for p, z in want - got if p.rpartition("/")[0] not in longer}
        check(got <= want and not missing,
              f"{name}: formatted scan differs from the old listing:\n"
              f"  only scan: {sorted(got - want)}\n  only fls: {sorted(missing)}")

        compared = 0
        for kind, _, size, _, path in rows:
            head, _, rest = path.partition("/")
            key = comparable(rename.get(head, head) + "/" + rest)
            if kind != "F" or key not in saved or key not in contiguous:
                continue
            target = Path(out) / path
            check(target.is_file() and target.read_bytes() == saved[key],
                  f"{name}: {path} does not extract equal to the original {key}")
            compared += 1
        check(compared >= 10, f"{name}: only {compared} files could be compared")


def check_impossible(work):
    image = Path(work) / "spc0.img"
    subprocess.run(["cp", "--sparse=always", str(FIX / "fat" / "fat16-s8.img"), str(image)],
                   check=True)
    with open(image, "r+b") as f:
        f.seek(13)
        f.write(b"\0")
    code, rows, err = scan(image, "FAT16", "formatted")
    check(f"notice: {IMPOSSIBLE}" in err, f"spc 0: no notice in {err!r}")
    check(rows == [], f"spc 0: result not discarded: {rows[:5]}")


def main():
    if not SCAN_DUMP.exists():
        skip(f"scan-dump not built in {TOOLS}")
    for tool in ("fls", "icat", "istat", "mkfs.fat"):
        if not shutil.which(tool):
            skip(f"{tool} is not installed")
    for name, _, _ in VOLUMES:
        if not (FIX / "fat" / f"{name}.img").exists():
            skip(f"{name}.img missing (run tests/fixtures/build-all.sh)")
    with tempfile.TemporaryDirectory() as work:
        for name, bits, spc in VOLUMES:
            try:
                check_volume(name, bits, spc, work)
            except (o.OracleError, subprocess.CalledProcessError, ValueError) as e:
                check(False, f"{name}: {type(e).__name__}: {e}")
            (Path(work) / f"{name}.img").unlink(missing_ok=True)
        check_impossible(work)
    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("formatted FAT volumes give back their folders and files")
    return 0


if __name__ == "__main__":
    sys.exit(main())
