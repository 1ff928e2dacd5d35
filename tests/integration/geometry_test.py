#!/usr/bin/env python3
"""Volume geometry of real FAT16, FAT32 and NTFS volumes, compared with fsstat.

Each volume is made with mkfs.fat or mkntfs in its own file and placed at sector 0 or 2048 of a
sparse disk file. geometry-dump prints what the program finds; fsstat reads the same volume.
The backup boot sectors are checked by zeroing the first boot sector and detecting again.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

TOOLS = os.environ.get("MERROWIND_TOOLS_DIR", "")
DUMP = os.path.join(TOOLS, "geometry-dump")
MIB = 1024 * 1024


def skip(reason):
    print("SKIP:", reason)
    sys.exit(77)


for tool in ("mkfs.fat", "mkntfs", "fsstat"):
    if not shutil.which(tool) and not os.path.exists("/usr/sbin/" + tool):
        skip(tool + " is not installed")
if not os.access(DUMP, os.X_OK):
    skip("geometry-dump not built in " + TOOLS)


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def dump(disk, fs, start, end):
    out = run(DUMP, disk, fs, str(start), str(end))
    return {k: int(v) for k, v in (line.split("\t") for line in out.splitlines())}


def fsstat(disk, offset):
    return run("fsstat", "-o", str(offset), disk)


def rng(text, label):
    m = re.search(r"^\*+ " + re.escape(label) + r": (\d+) - (\d+)$", text, re.M)
    if not m:
        raise AssertionError("fsstat has no range for " + label)
    return int(m.group(1)), int(m.group(2))


def value(text, label):
    m = re.search(r"^" + re.escape(label) + r": (\d+)", text, re.M)
    if not m:
        raise AssertionError("fsstat has no value for " + label)
    return int(m.group(1))


def make_volume(path, kind, size, cluster):
    with open(path, "wb") as f:
        f.truncate(size)
    spc = cluster // 512
    if kind == "NTFS":
        run("mkntfs", "-F", "-Q", "-q", "-c", str(cluster), path)
    else:
        run("mkfs.fat", "-a", "-F", kind[3:], "-S", "512", "-s", str(spc), path)


def place(volume, disk, offset, size):
    with open(disk, "wb") as f:
        f.truncate(offset * 512 + size)
    run("dd", "if=" + volume, "of=" + disk, "bs=512", "seek=" + str(offset),
        "conv=notrunc,sparse", "status=none")


def zero_sector(disk, sector):
    with open(disk, "r+b") as f:
        f.seek(sector * 512)
        f.write(bytes(512))


def expected(kind, text, off):
    """The twelve values (those this file system sets) as fsstat describes the volume."""
    spc = value(text, "Cluster Size") // value(text, "Sector Size")
    if kind == "NTFS":
        rec = value(text, "Size of MFT Entries")
        idx = value(text, "Size of Index Records")
        return {
            "SectorsPerCluster": spc,
            "ClusterBaseSector": off,
            "MftStartSector": off + value(text, "First Cluster of MFT") * spc,
            "MftMirrorStartSector": off + value(text, "First Cluster of MFT Mirror") * spc,
            "SectorsPerMftRecord": rec // 512,
            "SectorsPerIndexRecord": idx // 512,
        }
    fat0, fat1 = rng(text, "FAT 0"), rng(text, "FAT 1")
    cluster_area = rng(text, "Cluster Area")
    want = {
        "SectorsPerCluster": spc,
        "ReservedSectors": rng(text, "Reserved")[1] + 1,
        "FatSizeSectors": fat0[1] - fat0[0] + 1,
        "Fat1StartSector": off + fat0[0],
        "Fat2StartSector": off + fat1[0],
        # cluster 2 is the first cluster of the cluster area
        "ClusterBaseSector": off + cluster_area[0] - 2 * spc,
    }
    root = rng(text, "Root Directory")
    if kind == "FAT16":
        want["RootDirectory"] = off + root[0]
        want["RootDirectorySectors"] = root[1] - root[0] + 1
    else:
        want["RootDirectorySectors"] = 0
        want["RootDirectory"] = (root[0] - cluster_area[0]) // spc + 2
    return want


def check(name, got, want):
    bad = [f"{k}: program {got.get(k)}, fsstat {v}" for k, v in want.items() if got.get(k) != v]
    if got.get("Result") != 1:
        bad.insert(0, "Result " + str(got.get("Result")))
    if bad:
        print("FAIL", name, "; ".join(bad))
        return False
    print("ok  ", name)
    return True


CASES = [
    ("FAT16", 20 * MIB, 512),
    ("FAT16", 64 * MIB, 4096),
    ("FAT32", 40 * MIB, 512),
    ("FAT32", 300 * MIB, 4096),
    ("NTFS", 20 * MIB, 512),
    ("NTFS", 20 * MIB, 4096),
]

ok = True
with tempfile.TemporaryDirectory(dir=os.environ.get("MERROWIND_BUILD_DIR")) as work:
    for kind, size, cluster in CASES:
        volume = os.path.join(work, "volume.img")
        make_volume(volume, kind, size, cluster)
        for off in (0, 2048):
            name = f"{kind} cluster {cluster} at {off}"
            disk = os.path.join(work, "disk.img")
            place(volume, disk, off, size)
            end = off + size // 512  # one past the volume, as the source page sets it
            want = expected(kind, fsstat(disk, off), off)
            ok &= check(name, dump(disk, kind, off, end), want)
            if kind in ("FAT32", "NTFS"):
                # The first boot sector destroyed: the backup must give the same geometry.
                zero_sector(disk, off)
                ok &= check(name + ", backup boot sector", dump(disk, kind, off, end), want)
            os.remove(disk)
        os.remove(volume)

    # A FAT12 volume is named but not detected: result 0, nothing filled.
    vol = os.path.join(work, "fat12.img")
    with open(vol, "wb") as f:
        f.truncate(2 * MIB)
    run("mkfs.fat", "-a", "-F", "12", vol)
    got = dump(vol, "FAT12", 0, 4096)
    if got["Result"] != 0 or any(v for k, v in got.items() if k != "Result"):
        print("FAIL FAT12 changed the geometry:", got)
        ok = False
    else:
        print("ok   FAT12 gives 0 and fills nothing")

sys.exit(0 if ok else 1)
