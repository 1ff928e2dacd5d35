#!/usr/bin/env python3
"""The partitions the source tree lists for a disk, compared with mmls and fsstat.

`partition-dump --image DISK` runs the enumeration as the source page does. For every fixture disk
the expected listing is built from The Sleuth Kit alone: each partition mmls finds, in table order
(primaries, then the extended chain's logicals), whose file system fsstat names FAT16, FAT32 or
NTFS, and FAT12 only inside the extended chain, where its type byte 1 counts as FAT16. The end is
one past the last sector: the table's length, for MBR and GPT partitions alike (a GPT entry's
own last LBA, which holds an NTFS volume's backup boot sector too). Disks:
- mbr.img: two primaries and two logicals behind an EBR chain;
- mbr-lost.img: the MBR wiped, so nothing is listed and the run reports no boot signature;
- gpt.img: FAT16 and FAT12 (not listed) with an unused entry between them;
- gpt-gap.img: NTFS, an unused entry, an unformatted Linux partition, then a FAT16 whose total
  sits in the 16-bit field: both are listed, as numbers 1 and 2;
- mbr4k.img: 4096-byte sectors, read as a disk image folder whose bps.dmg says 4096.
"""
import os
import re
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
DUMP = TOOLS / "partition-dump"
DISKS = Path(os.environ.get("MERROWIND_FIXTURE_DIR", SOURCE / "build" / "fixtures")) / "disks"

if not os.access(DUMP, os.X_OK):
    skip(f"partition-dump not built in {TOOLS}")
for name in ("mbr.img", "mbr-lost.img", "gpt.img", "gpt-gap.img", "mbr4k.img"):
    if not (DISKS / name).exists():
        skip(f"fixture {name} missing: run tests/fixtures/build-all.sh")


def dump(image, bps=None):
    args = [str(DUMP), "--image", str(image)] + (["--bps", str(bps)] if bps else [])
    p = subprocess.run(args, capture_output=True, text=True)
    rows = [tuple(line.split("\t")) for line in p.stdout.splitlines() if "\t" in line]
    count = re.search(r"^count (\d+)$", p.stdout, re.M)
    return p.returncode, rows, int(count[1]) if count else None


def table_type(image, bps):
    args = ["mmls"] + (["-b", str(bps)] if bps != 512 else []) + [str(image)]
    return o.run(args).splitlines()[0].strip()


def expected(image, bps=512):
    rows = []
    gpt = table_type(image, bps).startswith("GUID")
    slots = o.partitions(image, bps if bps != 512 else None)
    # mmls sorts by start; the walk takes primaries first, then the extended chain's logicals.
    def in_chain(s):
        return not gpt and s.slot.split(":")[0] != "000"
    for s in sorted(slots, key=lambda s: (in_chain(s), s.start)):
        if "Extended" in s.description or "Unallocated" in s.description:
            continue
        try:
            kind = o.fsstat(image, s.start, bps if bps != 512 else None)["type"]
        except o.OracleError:
            continue  # no file system there
        if kind == "FAT12" and in_chain(s):
            kind = "FAT16"
        if kind not in ("FAT16", "FAT32", "NTFS"):
            continue
        end = s.start + s.length
        rows.append((str(len(rows) + 1), kind, str(s.start), str(end)))
    return rows


for name, want_count in (("mbr.img", 4), ("gpt.img", 1), ("gpt-gap.img", 2)):
    image = DISKS / name
    rc, rows, count = dump(image)
    want = expected(image)
    check(rc == 0, f"{name}: exit {rc}")
    check(rows == want, f"{name}: listed {rows}, mmls and fsstat give {want}")
    check(count == len(want) == want_count, f"{name}: count {count}, expected {want_count}")

rc, rows, count = dump(DISKS / "mbr-lost.img")
check(rc == 3 and rows == [] and count == 0, f"mbr-lost.img: exit {rc}, rows {rows}, count {count}")

with tempfile.TemporaryDirectory() as folder:
    os.symlink(DISKS / "mbr4k.img", Path(folder) / "DiskImage0.dmg")
    (Path(folder) / "bps.dmg").write_bytes((4096).to_bytes(4, "little"))
    rc, rows, count = dump(folder)
    want = expected(DISKS / "mbr4k.img", 4096)
    check(rc == 0 and rows == want and count == 2,
          f"mbr4k.img as a disk image: exit {rc}, listed {rows}, expected {want}")
    # The same disk read with 512-byte sectors finds no volume where the table points.
    rc, rows, count = dump(DISKS / "mbr4k.img", 512)
    check(rows != want, "mbr4k.img read with 512-byte sectors must not match the 4096-byte listing")

if failures:
    sys.exit(1)
print("partition enumeration matches mmls and fsstat on every fixture disk")
