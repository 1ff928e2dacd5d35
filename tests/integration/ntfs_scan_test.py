#!/usr/bin/env python3
"""The NTFS deleted-file scan (scan-dump --mode deleted) against The Sleuth Kit's fls -r -p.

On the NTFS fixtures (512- and 4096-byte clusters, the one whose fragmented file keeps its name
in an extension record named only by a non-resident attribute list, and the NTFS partition of the
MBR disk at sector 75776), the set of (kind, path, deleted, file size) that scan-dump prints must equal what
fls lists, mapped as follows:
- NTFS system files ($MFT ... $Extend and below) and TSK's $OrphanFiles/OrphanFile-N entries
  (reserved records without a name) are left out on both sides; so is the program's own "Lost"
  folder (id 268435455), which holds nothing on these images.
- TSK shows a record whose folder record is gone under $OrphanFiles/<folder>/...; the program
  shows the folder record itself at its place (the root), so $OrphanFiles/ is dropped from the
  path and that entry replaces TSK's name-only entry of the same path.
- TSK flags such entries deleted with "(realloc)" although their records are in use; the program
  marks a record by its own in-use flag, so for those the expected mark is istat's allocation.
Then, on modified copies: a deleted folder whose own record is zeroed leaves its subfolder
orphaned under "Lost", and its own files go under "Lost" too; an MFT whose first records are zeroed
makes the scan hand over with the notice to the signature scan.
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
NOTICE = ("Switching to Formatted data recovery for Lost files && folders. "
          "This will take long time.")


if not shutil.which("fls"):
    skip("fls (The Sleuth Kit) is not installed")
if not os.access(DUMP, os.X_OK):
    skip("scan-dump not built in " + TOOLS)
ntfs_dir = os.path.join(FIXTURES, "ntfs")
if os.path.exists(os.path.join(ntfs_dir, "SKIPPED")):
    skip("NTFS fixtures were not built: " + open(os.path.join(ntfs_dir, "SKIPPED")).read().strip())
for name in ("ntfs-c512.img", "ntfs-c4096.img", "ntfs-s4096.img", "ntfs-attrlist.img"):
    if not os.path.exists(os.path.join(ntfs_dir, name)):
        skip(name + " is missing")


def scan(image, start=None, length=None, bps=512):
    """scan-dump's lines as (kind, deleted, size, id, path) tuples, its counts and its stderr."""
    args = [DUMP, "--image", image, "--fs", "NTFS", "--mode", "deleted", "--bps", str(bps)]
    if start is not None:
        args += ["--start", str(start), "--end", str(start + length)]
    p = subprocess.run(args, capture_output=True, text=True, check=True)
    rows, counts = [], None
    for line in p.stdout.splitlines():
        if line.startswith("folders "):
            counts = line
            continue
        kind, deleted, size, ident, path = line.split("\t")
        rows.append((kind, deleted == "y", int(size), int(ident), path))
    return rows, counts, p.stderr


def top(path):
    return path.split("/", 1)[0].split(":", 1)[0]


def program_set(rows):
    result = set()
    for kind, deleted, size, ident, path in rows:
        if ident == LOST_ID or top(path) in oracle.NTFS_SYSTEM:
            continue
        result.add((kind, path, deleted, size if kind == "F" else None))
    return result


def tsk_set(image, offset=None):
    entries = oracle.user_entries(oracle.fls(image, offset))
    chosen = {}
    for e in entries:
        if e.kind not in ("r", "d"):
            continue
        orphan = e.path.startswith("$OrphanFiles/")
        path = e.path[len("$OrphanFiles/"):] if orphan else e.path
        deleted = e.deleted
        if e.realloc:
            deleted = not oracle.allocated(image, e.record, offset)
        if path in chosen and not orphan:
            continue
        chosen[path] = ("F" if e.kind == "r" else "D", path, deleted,
                        e.size if e.kind == "r" else None)
    return set(chosen.values())


def compare(label, image, offset=None, length=None, bps=512):
    rows, counts, _ = scan(image, offset, length, bps)
    mine, theirs = program_set(rows), tsk_set(image, offset)
    check(mine == theirs, f"{label}: scan-dump equals fls -r -p")
    for x in sorted(mine - theirs, key=str):
        print("   only scan-dump:", x)
    for x in sorted(theirs - mine, key=str):
        print("   only fls:      ", x)
    n_folders = sum(1 for r in rows if r[0] == "D")
    n_files = sum(1 for r in rows if r[0] == "F")
    check(counts == f"folders {n_folders} files {n_files}", f"{label}: count line {counts}")
    return rows


# ntfs-s4096.img: 4 KiB sectors, whose boot sector gives the 4 KiB records as a byte count (0xF4).
for name, bps in (("ntfs-c512.img", 512), ("ntfs-c4096.img", 512), ("ntfs-s4096.img", 4096)):
    rows = compare(name, os.path.join(ntfs_dir, name), bps=bps)
    by_path = {(r[0], r[4]): r for r in rows}
    check(by_path.get(("D", "OldDir"), (0, False))[1], f"{name}: deleted folder OldDir is marked")
    check(by_path.get(("F", "OldDir/Sub/old3.txt"), (0, False))[1],
          f"{name}: a file in a deleted folder is found with its path")
    check(("F", "Lost/orphan.txt") in by_path and not by_path[("F", "Lost/orphan.txt")][1],
          f"{name}: the orphans' folder record gives them their path")

# A file in hundreds of fragments whose $FILE_NAME lies in an extension record that only its
# non-resident $ATTRIBUTE_LIST names: found with its name, folder and size as fls shows it.
attrlist = os.path.join(ntfs_dir, "ntfs-attrlist.img")
rows = compare("ntfs-attrlist.img", attrlist)
frag = oracle.by_path(oracle.fls(attrlist))["frag.bin"]
stat = oracle.istat(attrlist, frag.record).splitlines()
name_records = [int(line.split("MFT Entry:")[1].split()[0]) for line in stat
                if line.startswith("Type: 48-") and "MFT Entry:" in line]
check(any(line.startswith("Type: $ATTRIBUTE_LIST") and "Non-Resident" in line for line in stat)
      and name_records and frag.record not in name_records,
      f"ntfs-attrlist.img: frag.bin (record {frag.record}) has a non-resident attribute list and "
      f"its name in record {name_records}")
check(("F", False, frag.size, frag.record, "frag.bin") in rows,
      f"ntfs-attrlist.img: frag.bin found with its size {frag.size}")

mbr = os.path.join(FIXTURES, "disks", "mbr.img")

if os.path.exists(mbr):
    compare("mbr.img partition 2 at 75776", mbr, 75776, 16384)
else:
    check(False, "disks/mbr.img is missing")


def mft_record_offset(image, record):
    """Byte offset of an MFT record on a fresh fixture (its $MFT is contiguous from its start)."""
    with open(image, "rb") as f:
        bs = f.read(512)
    bps = struct.unpack_from("<H", bs, 0x0B)[0]
    cluster = bps * bs[0x0D]
    mft = struct.unpack_from("<Q", bs, 0x30)[0] * cluster
    raw = struct.unpack_from("<b", bs, 0x40)[0]
    size = raw * cluster if raw > 0 else 1 << -raw
    return mft + record * size, size


def zero_records(image, records):
    with open(image, "r+b") as f:
        for r in records:
            off, size = mft_record_offset(image, r)
            f.seek(off)
            f.write(b"\0" * size)


with tempfile.TemporaryDirectory() as tmp:
    src = os.path.join(ntfs_dir, "ntfs-c4096.img")
    entries = oracle.by_path(oracle.fls(src))
    olddir, sub = entries["OldDir"].record, entries["OldDir/Sub"].record

    # The deleted folder OldDir loses its record: its subfolder has no parent left.
    img = os.path.join(tmp, "orphan.img")
    subprocess.run(["cp", "--sparse=always", src, img], check=True)
    zero_records(img, [olddir])
    rows, _, _ = scan(img)
    lines = {(r[0], r[1], r[3], r[4]) for r in rows}
    check(("D", True, sub, "Lost/Sub") in lines, "an orphaned folder is put under Lost")
    check(("F", True, entries["OldDir/Sub/old3.txt"].record, "Lost/Sub/old3.txt") in lines,
          "its file follows it under Lost")
    check(("F", True, entries["OldDir/old1.txt"].record, "Lost/old1.txt") in lines,
          "a file whose folder record is gone goes under Lost")
    check(not any(r[4] == "OldDir" for r in rows), "the zeroed folder record gives nothing")

    # The MFT's first records zeroed: nothing to walk, the scan hands over with its notice to the
    # signature scan, which still finds the records that are left.
    img = os.path.join(tmp, "zeroed.img")
    subprocess.run(["cp", "--sparse=always", src, img], check=True)
    zero_records(img, range(0, 16))
    rows, counts, err = scan(img)
    check("notice: " + NOTICE in err.splitlines(), "zeroed MFT start: the hand-over notice")
    report = entries["Docs/Quarterly report.txt"]
    check(("F", False, 5000, report.record, "Docs/Quarterly report.txt") in rows,
          f"zeroed MFT start: the signature scan finds the files ({counts})")

if failures:
    print(f"{len(failures)} check(s) failed")
    sys.exit(1)
print("all checks passed")
