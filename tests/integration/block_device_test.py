#!/usr/bin/env python3
"""The sector path on a real block device: a loop device over a small file.

Checks that the kernel's size and sector size are read, that ReadSectors reads the device and
zeroes what lies past its end, and that WriteSectors is refused while another program holds the
disk exclusively (as a mount does) and succeeds once it is released. Needs root and loop devices.
"""
import os
import subprocess
import sys
import tempfile
from testkit import skip  # noqa: E402

TOOL = os.path.join(os.environ.get("MERROWIND_TOOLS_DIR", ""), "sector-io")


if os.geteuid() != 0:
    skip("needs root for a loop device")
if not os.access(TOOL, os.X_OK):
    skip("sector-io is not built")


def tool(*args):
    out = subprocess.run([TOOL, *map(str, args)], check=True, capture_output=True, text=True)
    return out.stdout.split("\n")


failures = []


def expect(what, got, want):
    if got != want:
        failures.append(f"{what}: got {got!r}, want {want!r}")
    else:
        print("ok  ", what)


with tempfile.TemporaryDirectory(dir=os.environ.get("MERROWIND_BUILD_DIR")) as work:
    image = os.path.join(work, "disk.img")
    with open(image, "wb") as f:
        for s in range(2048):
            f.write(bytes([s & 0xFF]) * 512)
    attach = subprocess.run(["losetup", "-f", "--show", image], capture_output=True, text=True)
    if attach.returncode != 0:
        skip("losetup failed: " + attach.stderr.strip())
    loop = attach.stdout.strip()
    try:
        info = tool("info", loop)
        expect("size from the kernel", info[0], "size 1048576")
        expect("sector size from the kernel", info[1], "sector-size 512")

        out = tool("read", loop, 2046, 4)
        expect("read past the end reports failure", out[0], "result 0")
        expect("sectors before the end are read", out[1:3], ["fe", "ff"])
        expect("sectors past the end are zero", out[3:5], ["00", "00"])

        holder = os.open(loop, os.O_RDONLY | os.O_EXCL)
        try:
            expect("write refused while the disk is held", tool("write", loop, 10, 2, 0xAB)[0],
                   "result 0")
        finally:
            os.close(holder)
        expect("write accepted once released", tool("write", loop, 10, 2, 0xAB)[0], "result 1")
        out = tool("read", loop, 9, 4)
        expect("written sectors read back", out[1:5], ["09", "ab", "ab", "0c"])
    finally:
        subprocess.run(["losetup", "-d", loop], check=False)

for f in failures:
    print("FAIL", f)
sys.exit(1 if failures else 0)
