#!/usr/bin/env python3
"""Damaged and hostile volumes (tests/fixtures/hostile.py: one change each to a fixture image),
scanned and extracted with scan-dump:
- a sparse run of 2^24 clusters and a claimed size of 64 GiB on an 8 MiB NTFS volume: the file is
  reported as not fully copied, holds only its credible first run, and every other file still comes
  out whole, into a 16 MiB tmpfs (root; an ordinary folder otherwise);
- a sparse run of 2^40 clusters in $MFT's run list: the deleted-file scan ends at once and lists
  exactly what it lists on the fixture itself;
- an escape character in an NTFS name: listed as it is, written with "_" in its place;
- one flipped bit in a FAT folder's long name: the folder is listed under its 8.3 name with its
  whole subtree;
- two deleted FAT entries shown under one name, and a hard link to a file outside the target
  planted under a name the volume holds: both files come out under names of their own and the file
  outside is not touched.
"""
import os
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = Path(os.environ.get("MERROWIND_SOURCE_DIR", HERE.parent.parent))
sys.path.insert(0, str(SOURCE / "tests" / "fixtures"))
import hostile  # noqa: E402
import oracle as o  # noqa: E402
from testkit import check, failures, skip  # noqa: E402

FIX = Path(os.environ.get("MERROWIND_FIXTURE_DIR", SOURCE / "build" / "fixtures"))
TOOLS = Path(os.environ.get("MERROWIND_TOOLS_DIR", SOURCE / "build" / "release" / "tests" / "tools"))
SCAN_DUMP = TOOLS / "scan-dump"
NTFS = FIX / "ntfs" / "ntfs-c4096.img"
FAT = FIX / "fat" / "fat16-s1.img"


def scan(image, fs, extract=None, timeout=120):
    """(exit code, listing rows without the count line, stderr) of a deleted-file scan."""
    args = [str(SCAN_DUMP), "--image", str(image), "--fs", fs, "--mode", "deleted"]
    if extract:
        args += ["--extract", str(extract)]
    env = dict(os.environ, LC_ALL="C.UTF-8")
    p = subprocess.run(args, capture_output=True, env=env, timeout=timeout)
    rows = [line for line in p.stdout.decode("utf-8").split("\n")
            if line and not line.startswith("folders ")]
    return p.returncode, rows, p.stderr.decode("utf-8", errors="replace")


def row(rows, path):
    """kind, deleted, size, id of the row of that path."""
    found = [r.split("\t") for r in rows if r.split("\t")[4] == path]
    return found[0][:4] if len(found) == 1 else None


def failed_names(err):
    return {line.split(" for ", 1)[1] for line in err.splitlines()
            if line.startswith("extract: result ")}


class Tmpfs:
    """A small tmpfs as the target when running as root; an ordinary folder otherwise."""

    def __init__(self, top, size):
        self.path = Path(top) / "target"
        self.path.mkdir()
        self.mounted = False
        if os.geteuid() != 0:
            print("note: not root: the target is an ordinary folder, not a small tmpfs")
            return
        m = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs",
                            str(self.path)], capture_output=True, text=True)
        self.mounted = m.returncode == 0
        if not self.mounted:
            print("note: tmpfs mount refused, an ordinary folder instead:", m.stderr.strip())

    def close(self):
        if self.mounted:
            subprocess.run(["umount", str(self.path)], check=False)


def sparse_claims(top):
    image = hostile.sparse_claims_64gib(NTFS, top / "sparse.img")
    target = Tmpfs(top, "16m")
    try:
        rc, rows, err = scan(image, "NTFS", target.path)
        listed = row(rows, "sparse.bin")
        check(listed is not None and listed[:3] == ["F", "n", str(64 << 30)],
              f"64 GiB claim: sparse.bin listed as {listed}")
        check(rc == 4 and failed_names(err) == {"sparse.bin"},
              f"64 GiB claim: exit {rc}, failures {failed_names(err)}; expected only sparse.bin")
        got = (target.path / "sparse.bin").read_bytes()
        want = o.icat(NTFS, listed[3])[:2 * 4096] if listed else None
        check(got == want, f"64 GiB claim: sparse.bin holds {len(got)} bytes, not its first run")
        used = sum(f.stat().st_blocks * 512 for f in target.path.rglob("*") if f.is_file())
        check(used < 8 << 20, f"64 GiB claim: {used} bytes used in the target")
        for path in ("nonresident.bin", "fragmented.bin", "spacer2.bin",
                     "Docs/Quarterly report.txt", "Docs/Level2/Level3/deep.txt"):
            r = row(rows, path)
            f = target.path / path
            check(r is not None and f.is_file() and f.read_bytes() == o.icat(NTFS, r[3]),
                  f"64 GiB claim: {path} did not come out whole")
    finally:
        target.close()


def mft_sparse_run(top):
    image = hostile.mft_sparse_run(NTFS, top / "mft.img")
    _, want, _ = scan(NTFS, "NTFS")
    try:
        rc, rows, err = scan(image, "NTFS", timeout=60)
    except subprocess.TimeoutExpired:
        check(False, "MFT sparse run: the scan did not end within 60 s")
        return
    check(rc == 0, f"MFT sparse run: exit {rc}: {err}")
    check(rows == want, "MFT sparse run: the listing differs from the fixture's: "
          f"{sorted(set(rows) ^ set(want))[:6]}")


def control_character(top):
    image = hostile.control_character_name(NTFS, top / "control.img")
    out = top / "control-out"
    rc, rows, err = scan(image, "NTFS", out)
    listed = row(rows, "res\x1bdent.txt")
    check(listed is not None, "escape in a name: not listed as it is")
    written = out / "res_dent.txt"
    check(listed is not None and written.is_file()
          and written.read_bytes() == o.icat(NTFS, listed[3]),
          "escape in a name: res_dent.txt was not written with its data")
    bad = [p.name for p in out.rglob("*") if any(ord(c) < 32 or ord(c) == 127 for c in p.name)]
    check(bad == [], f"escape in a name: control characters reached the target: {bad!r}")


def fat_long_name(top):
    image = hostile.fat_folder_long_name_bit(FAT, top / "lfn.img")
    _, want, _ = scan(FAT, "FAT16")
    rc, rows, err = scan(image, "FAT16")
    renamed = []
    for r in want:
        k, d, size, ident, path = r.split("\t")
        if path == "Names" or path.startswith("Names/"):
            path = "NAMES" + path[len("Names"):]
        renamed.append("\t".join((k, d, size, ident, path)))
    check(rc == 0 and sorted(rows) == sorted(renamed),
          "flipped bit in a folder's long name: the folder and its subtree are not listed under "
          f"NAMES: {sorted(set(rows) ^ set(renamed))[:6]}")


def fat_twins(top):
    image = hostile.fat_twin_deleted(FAT, top / "twin.img")
    out = top / "twin-out"
    out.mkdir()
    victim = top / "victim.txt"
    victim.write_bytes(b"outside the target")
    os.link(victim, out / "README.TXT")
    rc, rows, err = scan(image, "FAT16", out)
    twins = [r for r in rows if r.split("\t")[4] == "Docs/_ONE.TXT"]
    check(len(twins) == 2, f"twin names: {len(twins)} rows of Docs/_ONE.TXT, expected 2")
    got = {(out / "Docs" / n).read_bytes() for n in ("_ONE.TXT", "_ONE0.TXT")
           if (out / "Docs" / n).is_file()}
    want = {o.expected_content("gone", 200), o.expected_content("readme", 100)}
    check(got == want, "twin names: the two files did not both come out under names of their own")
    check(victim.read_bytes() == b"outside the target",
          "hard link in the target: the file outside was written through")
    readme = out / "README0.TXT"
    check(readme.is_file() and readme.read_bytes() == o.expected_content("readme", 100),
          "hard link in the target: README.TXT did not come out beside it")


def main():
    if not SCAN_DUMP.exists():
        skip(f"{SCAN_DUMP} is not built")
    if not NTFS.exists() or not FAT.exists():
        skip("the NTFS or FAT fixture images are missing (see build/fixtures)")
    with tempfile.TemporaryDirectory() as t:
        top = Path(t)
        for test in (sparse_claims, mft_sparse_run, control_character, fat_long_name, fat_twins):
            test(top)
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    print("hostile volumes: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
