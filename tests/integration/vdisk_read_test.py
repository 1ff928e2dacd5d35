#!/usr/bin/env python3
"""Virtual disks read through the sector path against qemu-img.

- Every sector `vdisk-cat` reads from each conversion of the raw fixture disk (and from the
  variants with zeroed ranges, whose unwritten clusters carry zero marks) equals
  `qemu-img convert -O raw` of the same file.
- Files the readers must refuse (qcow2 version 3, encryption, internal snapshots, backing files)
  are refused with the virtual-path dialog's message.
- Differencing VHD chains (written by vhdgen.py, since qemu-img cannot make them) over a base
  disk that qemu-img made read each sector from the nearest disk that wrote it, and a chain whose
  parent is missing or is another disk is refused.
- The FAT deleted scan of the partition on a QCOW disk finds what the scan of the raw disk finds,
  and the NTFS deleted scan of the NTFS fixture as VHDX and as VMDK what the scan of the image finds.
- Split VMDK disks past their first 2 GiB extent read every sector as qemu-img does.
"""

import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = Path(os.environ.get("MERROWIND_SOURCE_DIR", HERE.parent.parent))
sys.path.insert(0, str(HERE))
import vhdgen  # noqa: E402
from testkit import check, failures, skip  # noqa: E402

FIX = Path(os.environ.get("MERROWIND_FIXTURE_DIR", SOURCE / "build" / "fixtures"))
TOOLS = Path(os.environ.get("MERROWIND_TOOLS_DIR", SOURCE / "build" / "release" / "tests" / "tools"))
VDISK_CAT = TOOLS / "vdisk-cat"
SCAN_DUMP = TOOLS / "scan-dump"

CORRUPTED = "This virtual file is highly corrupted. Cannot recover data."
NOT_VALID = "Please select valid file."
CHOOSE_CORRECT = "Please choose correct virtual file."
NEEDS_PARENT = ("This virtual file is a delta disk that needs its parent virtual file, which is not "
                "read. Please choose the parent virtual file.")
NEEDS_BACKING = ("This virtual file depends on another file (its backing file) for part of its "
                 "data. Cannot recover data from it alone.")
PARENT_NOT_FOUND = "Parent virtual file not found. Plz. keep that file in the same child path."

# file under the fixture folder, qemu-img format[, the file qemu-img reads as the oracle]
READABLE = [
    ("vdisks/qcow1/disk.qcow", "qcow"),
    ("vdisks/qcow2-v2/disk.qcow2", "qcow2"),
    ("vdisks/qed/disk.qed", "qed"),
    ("vdisks/vpc-dynamic/disk.vhd", "vpc"),
    ("vdisks/vpc-fixed/disk.vhd", "vpc"),
    ("vdisk-variants/qcow2-v2-zero/disk.qcow2", "qcow2"),
    ("vdisk-variants/qed-zero/disk.qed", "qed"),
    ("vdisks/vdi-dynamic/disk.vdi", "vdi"),
    ("vdisks/vdi-static/disk.vdi", "vdi"),
    ("vdisks/vhdx/disk.vhdx", "vhdx"),
    ("vdisk-variants/vhdx-4k/disk.vhdx", "vhdx", "vdisks/vhdx/disk.vhdx"),
    ("vdisks/vmdk-monolithicSparse/disk.vmdk", "vmdk"),
    ("vdisks/vmdk-monolithicFlat/disk.vmdk", "vmdk"),
    ("vdisks/vmdk-twoGbMaxExtentSparse/disk.vmdk", "vmdk"),
    ("vdisks/vmdk-twoGbMaxExtentFlat/disk.vmdk", "vmdk"),
    ("vdisk-variants/vmdk-zeroed/disk.vmdk", "vmdk"),
    ("vdisk-variants/parallels-old/disk.hds", "parallels"),
]

# Split VMDK disks of 2 GiB + 4 MiB, compared piece by piece with the raw disk they were made from.
SPLIT = ["vdisk-variants/vmdk-big-twoGbMaxExtentSparse/disk.vmdk",
         "vdisk-variants/vmdk-big-twoGbMaxExtentFlat/disk.vmdk"]

# file under the fixture folder, the message that refuses it
REFUSED = [
    ("vdisks/qcow2-v3/disk.qcow2", NOT_VALID),
    ("vdisk-variants/qcow2-v2-encrypted/disk.qcow2", CORRUPTED),
    ("vdisk-variants/qcow1-encrypted/disk.qcow", CORRUPTED),
    ("vdisk-variants/qcow2-v2-snapshot/disk.qcow2", CORRUPTED),
    # Sound files that depend on another: said so, not called corrupted or invalid.
    ("vdisk-variants/qcow2-v2-backing/disk.qcow2", NEEDS_BACKING),
    ("vdisk-variants/qcow1-backing/disk.qcow", NEEDS_BACKING),
    ("vdisk-variants/qed-backing/disk.qed", NEEDS_BACKING),
    ("vdisk-variants/vmdk-stream/disk.vmdk", CHOOSE_CORRECT),
    ("vdisk-variants/vmdk-child/disk.vmdk", NEEDS_PARENT),
    # The newer Parallels signature, which no reader claims.
    ("vdisks/parallels/disk.hds", NOT_VALID),
]


def cat(path):
    return subprocess.run([str(VDISK_CAT), str(path)], capture_output=True)


def first_difference(a, b):
    if len(a) != len(b):
        return f"sizes {len(a)} and {len(b)}"
    for s in range(0, len(a), 512):
        if a[s:s + 512] != b[s:s + 512]:
            return f"sector {s // 512}"
    return None


def check_readable(tmp):
    for name, fmt, *source in READABLE:
        path = FIX / name
        oracle = tmp / "oracle.raw"
        subprocess.run(["qemu-img", "convert", "-f", fmt, "-O", "raw",
                        str(FIX / source[0]) if source else str(path), str(oracle)], check=True)
        got = cat(path)
        check(got.returncode == 0, f"{name}: vdisk-cat exited {got.returncode}: "
                                   f"{got.stderr.decode().strip()}")
        diff = first_difference(got.stdout, oracle.read_bytes())
        check(diff is None, f"{name}: differs from qemu-img at {diff}")
        print("ok  ", name)


def check_split():
    piece = 8 << 20
    raw_path = FIX / "vdisk-variants" / "big.raw"
    for name in SPLIT:
        diff = None
        with subprocess.Popen([str(VDISK_CAT), str(FIX / name)], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE) as p, open(raw_path, "rb") as raw:
            at = 0
            while diff is None:
                got, want = p.stdout.read(piece), raw.read(piece)
                if not got and not want:
                    break
                d = first_difference(got, want)
                if d is not None:
                    diff = f"{d} of the piece at byte {at}"
                at += piece
            p.stdout.close()
            err = p.stderr.read().decode().strip()
        check(p.returncode == 0, f"{name}: vdisk-cat exited {p.returncode}: {err}")
        check(diff is None, f"{name}: differs from the raw disk at {diff}")
        print("ok  ", name)


def check_refused():
    for name, message in REFUSED:
        got = cat(FIX / name)
        check(got.returncode == 1 and got.stderr.decode().strip() == message,
              f"{name}: exit {got.returncode}, {got.stderr.decode().strip()!r}, want {message!r}")
        print("ok  ", name, "refused")


def check_vhd_chains(tmp):
    base = tmp / "chain" / "base.vhd"
    base.parent.mkdir()
    raw = (FIX / "vdisks" / "raw.img").read_bytes()
    subprocess.run(["qemu-img", "convert", "-f", "raw", "-O", "vpc", "-o",
                    "subformat=dynamic,force_size=on", str(FIX / "vdisks" / "raw.img"), str(base)],
                   check=True)
    size, base_id, _ = vhdgen.footer_fields(base)
    # The middle disk rewrites sectors across block edges (2 MiB blocks: 4096 sectors) and some
    # that the base never wrote; the top one overwrites part of both.
    middle = {s: bytes([0xA0 + s % 16]) * 512 for s in [*range(4090, 4110), 12000, 12287]}
    top = {s: bytes([0xB0 + s % 16]) * 512 for s in [*range(4100, 4104), 0, 12286]}
    # Recorded as Windows paths of another machine: found in the child's folder by name.
    middle_id = vhdgen.write_vhd(tmp / "chain" / "middle.avhd", size, middle, block_bytes=2 << 20,
                                 parent=(base_id, "D:\\Hyper-V\\base.vhd"))
    vhdgen.write_vhd(tmp / "chain" / "top.avhd", size, top, block_bytes=1 << 20,
                     parent=(middle_id, "D:\\Hyper-V\\middle.avhd"))
    want = bytearray(raw)
    for layer in (middle, top):
        for s, data in layer.items():
            want[s * 512:(s + 1) * 512] = data
    got = cat(tmp / "chain" / "top.avhd")
    check(got.returncode == 0, f"VHD chain: vdisk-cat exited {got.returncode}")
    diff = first_difference(got.stdout, bytes(want))
    check(diff is None, f"VHD chain differs at {diff}")
    print("ok   differencing VHD with parent and grandparent")

    # The middle disk replaced by a disk of another identity, then removed.
    vhdgen.write_vhd(tmp / "chain" / "middle.avhd", size, middle, block_bytes=2 << 20,
                     parent=(base_id, "base.vhd"))
    for what in ("another disk", "missing"):
        got = cat(tmp / "chain" / "top.avhd")
        check(got.returncode == 1 and got.stderr.decode().strip() == PARENT_NOT_FOUND,
              f"VHD chain, parent {what}: {got.returncode} {got.stderr.decode().strip()!r}")
        (tmp / "chain" / "middle.avhd").unlink(missing_ok=True)
    print("ok   differencing VHD without its parent refused")


def check_scan():
    args = ["--fs", "FAT16", "--mode", "deleted", "--start", "2048", "--end", "12287"]
    raw = subprocess.run([str(SCAN_DUMP), "--image", str(FIX / "vdisks" / "raw.img"), *args],
                         capture_output=True, text=True)
    qcow = subprocess.run([str(SCAN_DUMP), "--vdisk", str(FIX / "vdisks" / "qcow2-v2" /
                                                          "disk.qcow2"), *args],
                          capture_output=True, text=True)
    check(raw.returncode == 0 and qcow.returncode == 0,
          f"scan-dump exited {raw.returncode} / {qcow.returncode}: {qcow.stderr.strip()}")
    check("Large file.bin" in raw.stdout, f"the raw scan found nothing: {raw.stdout}")
    check(raw.stdout == qcow.stdout, f"scans differ:\n{raw.stdout}\n---\n{qcow.stdout}")
    print("ok   FAT scan on a QCOW disk equals the scan of the raw disk")


def check_ntfs_scan():
    image = FIX / "ntfs" / "ntfs-c4096.img"
    if not (FIX / "vdisk-variants" / "ntfs" / "disk.vhdx").exists():
        print("skip NTFS scans on VHDX and VMDK: the NTFS fixtures were not built")
        return
    args = ["--fs", "NTFS", "--mode", "deleted"]
    raw = subprocess.run([str(SCAN_DUMP), "--image", str(image), *args], capture_output=True,
                         text=True)
    check(raw.returncode == 0 and "nonresident.bin" in raw.stdout,
          f"the NTFS scan of the image failed: {raw.stderr.strip()}")
    for name in ("disk.vhdx", "disk.vmdk"):
        got = subprocess.run([str(SCAN_DUMP), "--vdisk", str(FIX / "vdisk-variants" / "ntfs" / name),
                              *args], capture_output=True, text=True)
        check(got.returncode == 0 and got.stdout == raw.stdout,
              f"NTFS scan on {name} differs ({got.returncode}):\n{got.stdout}\n---\n{raw.stdout}")
        print("ok   NTFS scan on", name, "equals the scan of the image")


def main():
    if not os.access(VDISK_CAT, os.X_OK) or not os.access(SCAN_DUMP, os.X_OK):
        skip("vdisk-cat or scan-dump is not built")
    if not shutil.which("qemu-img"):
        skip("qemu-img is not installed")
    if not (FIX / "vdisk-variants").is_dir():
        skip(f"no fixtures in {FIX}/vdisk-variants")
    with tempfile.TemporaryDirectory() as t:
        tmp = Path(t)
        check_readable(tmp)
        check_split()
        check_refused()
        check_vhd_chains(tmp)
    check_scan()
    check_ntfs_scan()
    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("every virtual disk agrees with qemu-img")
    return 0


if __name__ == "__main__":
    sys.exit(main())
