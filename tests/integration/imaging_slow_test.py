#!/usr/bin/env python3
"""The real 2 GiB split of a disk image (label slow; runs only with MERROWIND_SLOW=1).

A sparse source of 4,194,304 + 1,000 sectors of 512 bytes with marked sectors at both ends of the
first piece is imaged split: DiskImage0.dmg must hold exactly 2^31 bytes, DiskImage1.dmg the last
1,000 sectors, the marks must sit where they belong, and the image must read back through the
sector path across the piece end. Writes a little over 2 GiB.
"""
import os
import shutil
import subprocess
import sys
import tempfile
from testkit import skip  # noqa: E402

TOOL = os.path.join(os.environ.get("MERROWIND_TOOLS_DIR", ""), "image-dump")
PIECE = 4194304  # sectors of 512 bytes in a 2 GiB piece
EXTRA = 1000


if os.environ.get("MERROWIND_SLOW") != "1":
    skip("set MERROWIND_SLOW=1 to run the 2 GiB imaging test")
if not os.access(TOOL, os.X_OK):
    skip("image-dump is not built")
base = os.environ.get("MERROWIND_BUILD_DIR") or tempfile.gettempdir()
if shutil.disk_usage(base).free < 3 * 2**30:
    skip("needs 3 GiB free in " + base)

failures = []


def expect(what, got, want):
    if got != want:
        failures.append(f"{what}: got {got!r}, want {want!r}")
    else:
        print("ok  ", what)


marks = {0: b"A", PIECE - 1: b"B", PIECE: b"C", PIECE + EXTRA - 1: b"D"}
with tempfile.TemporaryDirectory(dir=base) as work:
    src = os.path.join(work, "sparse.img")
    with open(src, "wb") as f:
        f.truncate((PIECE + EXTRA) * 512)
        for sector, mark in marks.items():
            f.seek(sector * 512)
            f.write(mark * 512)
    out = os.path.join(work, "image")
    os.mkdir(out)
    lines = subprocess.run([TOOL, "--image", src, "--start", "0", "--end", str(PIECE + EXTRA),
                            "--to", out, "--multi", "--read-back"],
                           check=True, capture_output=True, text=True).stdout.splitlines()
    expect("success notice", lines[0] if lines else None,
           "notice: Disk Image created successfully.")
    expect("read back across the piece end", "read-back equal" in lines, True)
    expect("pieces", sorted(os.listdir(out)), ["DiskImage0.dmg", "DiskImage1.dmg"])
    expect("first piece is exactly 2 GiB", os.path.getsize(os.path.join(out, "DiskImage0.dmg")),
           2**31)
    expect("second piece holds the rest", os.path.getsize(os.path.join(out, "DiskImage1.dmg")),
           EXTRA * 512)
    for sector, mark in marks.items():
        name, at = ("DiskImage0.dmg", sector) if sector < PIECE else ("DiskImage1.dmg",
                                                                       sector - PIECE)
        with open(os.path.join(out, name), "rb") as f:
            f.seek(at * 512)
            expect(f"sector {sector} in {name}", f.read(512), mark * 512)

for f in failures:
    print("FAIL", f)
sys.exit(1 if failures else 0)
