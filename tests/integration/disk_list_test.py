#!/usr/bin/env python3
"""The physical disks as the source page lists them (disk-list), on made-up system roots: the
machine's own disks before loop devices whatever their number, at most ten, each with its node,
size and model, a loop device known by its backing file's name; and a real loop device this test
attaches (as root) listed as Disk0 of a root that holds only it."""
import os
import subprocess
import sys
import tempfile
from pathlib import Path

from testkit import check, failures, skip

TOOL = Path(os.environ.get("MERROWIND_TOOLS_DIR", "")) / "disk-list"
if not os.access(TOOL, os.X_OK):
    skip("disk-list is not built")


def listing(root):
    out = subprocess.run([str(TOOL), "--root", str(root)], check=True, capture_output=True,
                         text=True).stdout
    return [line.split("\t") for line in out.splitlines()]


def disk(root, name, units, model=None, backing=None):
    folder = root / "sys" / "block" / name
    folder.mkdir(parents=True)
    (folder / "size").write_text(f"{units}\n")
    if model:
        (folder / "device").mkdir()
        (folder / "device" / "model").write_text(model + "   \n")
    if backing:
        (folder / "loop").mkdir()
        (folder / "loop" / "backing_file").write_text(backing + "\n")
    (root / "dev").mkdir(exist_ok=True)
    (root / "dev" / name).write_bytes(b"")


with tempfile.TemporaryDirectory() as work:
    root = Path(work) / "desktop"
    for n in range(12):
        disk(root, f"loop{n}", 8 * (n + 1), backing=f"/var/lib/snapd/snaps/app{n}.snap")
    disk(root, "loop12", 8)  # a free slot: no backing file
    disk(root, "nvme0n1", 1000215216, model="Some NVMe Disk")
    disk(root, "sda", 62521344, model="USB Flash")
    rows = listing(root)
    check([r[1] for r in rows] == ["/dev/sda", "/dev/nvme0n1"] +
          [f"/dev/loop{n}" for n in range(8)], f"disks before loop devices, ten at most: {rows}")
    check(rows[0] == ["0", "/dev/sda", "Disk0", str(62521344 * 512), "USB Flash"],
          f"the first row: {rows[0]}")
    check(rows[2][3:] == [str(8 * 512), "app0.snap"], f"a loop device's model: {rows[2]}")
    check(listing(Path(work) / "empty") == [], "a root without disks lists none")

    if os.geteuid() == 0:
        image = Path(work) / "stick.img"
        with open(image, "wb") as f:
            f.truncate(4 << 20)
        attach = subprocess.run(["losetup", "-f", "--show", "-r", str(image)],
                                capture_output=True, text=True)
        if attach.returncode == 0:
            loop = attach.stdout.strip()
            try:
                only = Path(work) / "only"
                (only / "sys" / "block").mkdir(parents=True)
                (only / "dev").mkdir()
                name = os.path.basename(loop)
                os.symlink(f"/sys/block/{name}", only / "sys" / "block" / name)
                os.symlink(loop, only / "dev" / name)
                check(listing(only) == [["0", f"/dev/{name}", "Disk0", str(4 << 20), "stick.img"]],
                      f"the attached loop device: {listing(only)}")
            finally:
                subprocess.run(["losetup", "-d", loop], check=False)
        else:
            print("note: losetup could not attach a loop device:", attach.stderr.strip())
    else:
        print("note: not root, the real loop device is not tried")

for f in failures:
    print("FAIL", f)
sys.exit(1 if failures else 0)
