#!/usr/bin/env python3
"""The NTFS signature scan (scan-dump --mode formatted and --mode partition) against The Sleuth Kit.

Formatted recovery: each NTFS fixture is copied, its fls -r -p listing saved, and `mkntfs -F -Q`
run over it with another cluster size. The test then looks at the old $MFT itself: every entry
whose FILE record survived the format (and whose folders' records survived too) must be found with
its path, deleted state, size and MFT record number as fls gave them before the format; no user
item may appear that was not on the volume. Names are mapped as in ntfs_scan_test.py: TSK's
$OrphanFiles/ prefix is dropped, "(realloc)" entries take the allocation istat gives, system files
and the program's own "Lost" folder (id 268435455) are left out.

Partition recovery: a disk with two NTFS partitions (a copy of a fixture, and a volume made by
mkntfs with files written by ntfscp) and its MBR zeroed gives exactly two file systems, at the partitions'
first sectors and ending one past their last sector, the backup boot sector at first sector + the
volume's sector count (fsstat), as FAT file systems are given; choosing each gives
that volume's tree as fls -o START lists it, and none of the other's files.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

SOURCE = os.environ.get("MERROWIND_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "../.."))
sys.path.insert(0, os.path.join(SOURCE, "tests", "fixtures"))
import oracle  # noqa: E402
from testkit import check, failures, skip  # noqa: E402

FIXTURES = os.environ.get("MERROWIND_FIXTURE_DIR", "")
TOOLS = os.environ.get("MERROWIND_TOOLS_DIR", "")
DUMP = os.path.join(TOOLS, "scan-dump")
LOST_ID = 0x0FFFFFFF


for tool in ("fls", "mkntfs", "ntfscp", "sfdisk"):
    if not shutil.which(tool):
        skip(tool + " is not installed")
if not os.access(DUMP, os.X_OK):
    skip("scan-dump not built in " + TOOLS)
ntfs_dir = os.path.join(FIXTURES, "ntfs")
if os.path.exists(os.path.join(ntfs_dir, "SKIPPED")):
    skip("NTFS fixtures were not built: " + open(os.path.join(ntfs_dir, "SKIPPED")).read().strip())
for name in ("ntfs-c512.img", "ntfs-c4096.img"):
    if not os.path.exists(os.path.join(ntfs_dir, name)):
        skip(name + " is missing")


def quiet(args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def dump(image, mode, choose=None):
    """scan-dump's lines as (kind, deleted, size, id, path) tuples and its fs lines."""
    args = [DUMP, "--image", image, "--fs", "NTFS", "--mode", mode]
    if choose is not None:
        args += ["--choose", str(choose)]
    p = subprocess.run(args, capture_output=True, text=True, check=True)
    rows, fs = [], []
    for line in p.stdout.splitlines():
        if line.startswith("folders "):
            continue
        parts = line.split("\t")
        if parts[0] == "fs":
            fs.append((int(parts[1]), parts[2], int(parts[3]), int(parts[4])))
            continue
        kind, deleted, size, ident, path = parts
        rows.append((kind, deleted == "y", int(size), int(ident), path))
    return rows, fs


def top(path):
    return path.split("/", 1)[0].split(":", 1)[0]


def program_set(rows):
    return {(kind, path, deleted, size if kind == "F" else None, ident)
            for kind, deleted, size, ident, path in rows
            if ident != LOST_ID and top(path) not in oracle.NTFS_SYSTEM and kind in "DF"}


def clashes(rows):
    """Paths that name a folder and a file at once (no copy can make both)."""
    kinds = {}
    for kind, _, _, _, path in rows:
        kinds.setdefault(path, set()).add(kind)
    return sorted(p for p, k in kinds.items() if {"D", "F"} <= k)


def tsk_entries(image, offset=None):
    """path -> (kind, path, deleted, size, record) as the program should show each entry."""
    chosen = {}
    for e in oracle.user_entries(oracle.fls(image, offset)):
        if e.kind not in ("r", "d") or "-" not in e.inode:
            continue  # name-only entries have no record of their own
        orphan = e.path.startswith("$OrphanFiles/")
        path = e.path[len("$OrphanFiles/"):] if orphan else e.path
        deleted = e.deleted
        if e.realloc:
            deleted = not oracle.allocated(image, e.record, offset)
        chosen[path] = ("F" if e.kind == "r" else "D", path, deleted,
                        e.size if e.kind == "r" else None, e.record)
    return chosen


def old_mft(image):
    """Byte offset of the $MFT and the record size, from the boot sector."""
    with open(image, "rb") as f:
        bs = f.read(512)
    cluster = struct.unpack_from("<H", bs, 0x0B)[0] * bs[0x0D]
    raw = struct.unpack_from("<b", bs, 0x40)[0]
    return struct.unpack_from("<Q", bs, 0x30)[0] * cluster, raw * cluster if raw > 0 else 1 << -raw


def first_records(image):
    """The bytes of records 0-3 ($MFT, $MFTMirr, $LogFile, $Volume) in the MFT and in its mirror."""
    with open(image, "rb") as f:
        bs = f.read(512)
        cluster = struct.unpack_from("<H", bs, 0x0B)[0] * bs[0x0D]
        mft, size = old_mft(image)
        mirror = struct.unpack_from("<Q", bs, 0x38)[0] * cluster
        copies = {}
        for k in range(4):
            for at in (mft + k * size, mirror + k * size):
                f.seek(at)
                copies[(k, at)] = f.read(size)
    return copies


def unchanged(image, copies):
    """Records 0-3 of which a copy still starts as before (its header and name sector: the scan
    takes a record whose second sector was overwritten when its check bytes still agree)."""
    with open(image, "rb") as f:
        same = set()
        for (k, at), data in copies.items():
            f.seek(at)
            if f.read(512) == data[:512]:
                same.add(k)
    return same


FIRST_RECORDS = ("$MFT", "$MFTMirr", "$LogFile", "$Volume")


def survived(image, mft, size, record):
    with open(image, "rb") as f:
        f.seek(mft + record * size)
        r = f.read(size)
    return r[:4] == b"FILE" and struct.unpack_from("<I", r, 0x2C)[0] == record


def compare(label, mine, expected):
    check(mine == expected, label)
    for x in sorted(mine - expected, key=str):
        print("   only scan-dump:", x)
    for x in sorted(expected - mine, key=str):
        print("   only fls:      ", x)


with tempfile.TemporaryDirectory() as tmp:
    # --- formatted recovery ------------------------------------------------------------------
    for name, cluster in (("ntfs-c4096.img", 512), ("ntfs-c512.img", 2048)):
        img = os.path.join(tmp, "formatted-" + name)
        subprocess.run(["cp", "--sparse=always", os.path.join(ntfs_dir, name), img], check=True)
        before = tsk_entries(img)
        mft, rsize = old_mft(img)
        old_first = first_records(img)
        quiet(["mkntfs", "-F", "-Q", "-q", "-c", str(cluster), "-s", "512", img])
        alive = {p: survived(img, mft, rsize, e[4]) for p, e in before.items()}
        # An entry shows at its path only when its record and its folders' records survived.
        expected = set()
        for path, e in before.items():
            parts = path.split("/")
            folders = ["/".join(parts[:i]) for i in range(1, len(parts))]
            if alive[path] and all(alive.get(f, False) for f in folders):
                expected.add(e)
        check(len(expected) > 10, f"{name}: most records survive the format ({len(expected)})")
        rows, _ = dump(img, "formatted")
        mine = program_set(rows)
        label = f"{name} formatted with {cluster}-byte clusters"
        check(not clashes(rows), f"{label}: no path is both a file and a folder {clashes(rows)}")
        # Records 0-3: once for the new file system (its $MFTMirr copies are no second files),
        # and once more only where a copy of the old file system's record survived the format.
        old_alive = unchanged(img, old_first)
        counts = {n: sum(1 for r in rows if r[0] == "F" and r[4] == n) for n in FIRST_RECORDS}
        want = {n: 1 + (k in old_alive) for k, n in enumerate(FIRST_RECORDS)}
        check(counts == want, f"{label}: records 0-3 once per file system {counts}, want {want}")
        compare(f"{label}: every surviving entry is found with its path, size and number",
                {m for m in mine if m[1] in {e[1] for e in expected}}, expected)
        names = {p.rsplit("/", 1)[-1] for p in before}
        invented = [m for m in mine if m[1].rsplit("/", 1)[-1] not in names]
        check(not invented, f"{label}: nothing that was not on the volume ({invented[:3]})")

    # --- partition recovery ------------------------------------------------------------------
    disk = os.path.join(tmp, "two.img")
    starts, length = (2048, 20480), 16384
    with open(disk, "wb") as f:
        f.truncate((starts[1] + length + 2048) * 512)
    subprocess.run(["sfdisk", "-q", "--no-reread", "--no-tell-kernel", disk], check=True,
                   input=f"label: dos\nstart={starts[0]}, size={length}, type=7\n"
                         f"start={starts[1]}, size={length}, type=7\n", text=True)
    one = os.path.join(tmp, "one.img")
    subprocess.run(["cp", "--sparse=always", os.path.join(ntfs_dir, "ntfs-c512.img"), one],
                   check=True)
    two = os.path.join(tmp, "two-vol.img")
    with open(two, "wb") as f:
        f.truncate(length * 512)
    quiet(["mkntfs", "-F", "-Q", "-q", "-c", "2048", "-s", "512", "-p", str(starts[1]),
           "-H", "255", "-S", "63", "-L", "SIG-TWO", two])
    # (A file written into the fixture's copy would take the record its deleted folder left.)
    for fname, size in (("two-a.txt", 700), ("two-b.bin", 30000)):
        src = os.path.join(tmp, fname)
        with open(src, "wb") as f:
            f.write(os.urandom(size))
        quiet(["ntfscp", "-q", two, src, fname])
    for vol, start in ((one, starts[0]), (two, starts[1])):
        quiet(["dd", "if=" + vol, "of=" + disk, "bs=512", f"seek={start}", "conv=notrunc,sparse"])
    totals = []
    for start in starts:
        lo, hi = (int(x) for x in oracle.fsstat(disk, start)["Total Sector Range"].split(" - "))
        totals.append(hi - lo + 1)
    with open(disk, "r+b") as f:
        f.write(b"\0" * 512)  # the MBR is gone

    _, fs = dump(disk, "partition")
    want = [(i + 1, "NTFS", s, s + t + 1) for i, (s, t) in enumerate(zip(starts, totals))]
    check(fs == want, f"two file systems with their first and end sectors: {fs}")
    for n, start in ((1, starts[0]), (2, starts[1])):
        rows, _ = dump(disk, "partition", choose=n)
        mine = program_set(rows)
        expected = set(tsk_entries(disk, start).values())
        compare(f"file system {n}: its tree equals fls -o {start}", mine, expected)
        other = ("two-a.txt", "two-b.bin") if n == 1 else ("resident.txt", "deep.txt")
        check(not any(r[4].rsplit("/", 1)[-1] in other for r in rows),
              f"file system {n}: none of the other's files")
    # A log saved between the passes naming file system 2 brings back the same tree.
    log = os.path.join(tmp, "second.kvsl")
    args = [DUMP, "--image", disk, "--fs", "NTFS", "--mode", "partition", "--choose", "2"]
    live = subprocess.run(args + ["--save-log", log], capture_output=True, text=True, check=True)
    again = subprocess.run([DUMP, "--load-log", log], capture_output=True, text=True)
    check(again.returncode == 0 and again.stdout == live.stdout,
          "a log saved between the passes gives file system 2's tree again")
    bad = subprocess.run([DUMP, "--image", disk, "--fs", "NTFS", "--mode", "partition",
                          "--choose", "3"], capture_output=True, text=True)
    check(bad.returncode != 0 and "2 file system(s) found" in bad.stderr,
          "choosing a file system that was not found is refused")

if failures:
    print(f"{len(failures)} check(s) failed")
    sys.exit(1)
print("all checks passed")
