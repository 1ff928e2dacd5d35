#!/usr/bin/env python3
"""Proves the fixture images hold what tests/fixtures/README.md says, by asking independent tools
(The Sleuth Kit, mtools, qemu-img). Later tests trust these images; a builder that silently
produced something else would make them pass or fail for the wrong reason."""

import os
import random
import shutil
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = Path(os.environ.get("MERROWIND_SOURCE_DIR", HERE.parent.parent))
sys.path.insert(0, str(SOURCE / "tests" / "fixtures"))
import oracle as o  # noqa: E402

FIX = Path(os.environ.get("MERROWIND_FIXTURE_DIR", SOURCE / "build" / "fixtures"))

failures = []
skipped = []
checked = 0


def check(cond, what):
    global checked
    checked += 1
    if not cond:
        failures.append(what)
        print(f"FAIL: {what}")


def case(name, fn, *args):
    """Runs one group of checks; a tool error counts as a failure of that group, not a crash."""
    try:
        fn(*args)
    except (o.OracleError, KeyError, AssertionError, OSError) as e:
        failures.append(f"{name}: {type(e).__name__}: {e}")
        print(f"FAIL: {name}: {type(e).__name__}: {e}")


# ---------------------------------------------------------------------------------------------
# FAT volumes

T_FILE = "2021-03-04 05:06:08"
LONG255 = "Long_" + "x" * 246 + ".txt"

# image, FAT type, sectors per cluster
FAT_IMAGES = [
    ("fat12", "FAT12", 1),
    ("fat16-s1", "FAT16", 1),
    ("fat16-s8", "FAT16", 8),
    ("fat16-s64", "FAT16", 64),
    ("fat32-s1", "FAT32", 1),
    ("fat32-s8", "FAT32", 8),
    ("fat32-s64", "FAT32", 64),
]

# path as TSK prints it, deleted, kind, size (c = cluster bytes), content tag (None: no check),
# modification time
FAT_ENTRIES = [
    ("README.TXT", False, "r", "100", "readme", "2019-12-31 23:59:58"),
    ("EMPTY.TXT", False, "r", "0", "empty", T_FILE),
    ("ONECLUS.BIN", False, "r", "c", "onecl", T_FILE),
    ("MANY.BIN", False, "r", "10*c+123", "many", T_FILE),
    ("Docs", False, "d", None, None, None),
    ("Docs/Level2/Level3/Level4", False, "d", None, None, None),
    ("Docs/Level2/Level3/Level4/deep.txt", False, "r", "300", "deep", "2020-07-15 12:34:56"),
    ("Docs/Quarterly report.txt", False, "r", "5000", "report", T_FILE),
    ("Names/Thirteen_.txt", False, "r", "13", "n13", T_FILE),
    ("Names/Fourteen__.txt", False, "r", "14", "n14", T_FILE),
    ("Names/Twenty_six_char_name_1.txt", False, "r", "26", "n26", T_FILE),
    ("Names/Überraschung.txt", False, "r", "40", "uml", T_FILE),
    ("Names/日本語のファイル.txt", False, "r", "50", "cjk", T_FILE),
    ("Names/caf^.txt", False, "r", "60", "cafe", T_FILE),
    ("Names/SHORT.TXT", False, "r", "70", "short", T_FILE),
    ("Frag/PART_A.BIN", False, "r", "3*c", "parta", T_FILE),
    ("Frag/PART_C.BIN", False, "r", "3*c", "partc", T_FILE),
    ("Frag/FRAGMENT.BIN", False, "r", "6*c+7", "frag", T_FILE),
    ("D/C/G/g1.txt", False, "r", "100", "g1", T_FILE),
    ("D/C/G/G2.BIN", False, "r", "2*c", "g2", T_FILE),
    # Deleted: recoverable through icat -r, since nothing was written after them.
    ("_ILL.BIN", True, "r", "2*c", None, T_FILE),
    ("Docs/_ONE.TXT", True, "r", "200", "gone", T_FILE),
    ("Docs/A long deleted name.txt", True, "r", "300", "longdel", T_FILE),
    ("OldDir", True, "d", None, None, None),
    ("OldDir/Sub", True, "d", None, None, None),
    ("OldDir/_LD1.TXT", True, "r", "400", "old1", T_FILE),
    ("OldDir/Old file two.bin", True, "r", "3*c", "old2", T_FILE),
    ("OldDir/Sub/_LD3.TXT", True, "r", "500", "old3", T_FILE),
]


def fat_volume(name, fat_type, spc):
    img = FIX / "fat" / f"{name}.img"
    c = spc * 512
    st = o.fsstat(img)
    check(st["type"] == fat_type, f"{name}: fsstat type {st['type']!r}, want {fat_type}")
    check(st["cluster_size"] == c, f"{name}: cluster size {st['cluster_size']}, want {c}")

    rows = o.fls(img)
    entries = o.by_path(rows)
    for path, deleted, kind, size, tag, mtime in FAT_ENTRIES:
        e = entries.get(path)
        check(e is not None, f"{name}: {path} missing from fls")
        if e is None:
            continue
        check(e.deleted == deleted and e.kind == kind,
              f"{name}: {path} is deleted={e.deleted} kind={e.kind}, want {deleted} {kind}")
        if size is not None:
            want = eval(size, {}, {"c": c})
            check(e.size == want, f"{name}: {path} size {e.size}, want {want}")
            if tag:
                data = o.icat(img, e.inode, recover=deleted)
                check(data == o.expected_content(tag, want), f"{name}: {path} contents differ")
        if mtime:
            check(e.mtime == mtime, f"{name}: {path} mtime {e.mtime}, want {mtime}")

    # TSK cuts long names at 247 characters; mtools shows the whole 255-character name.
    check(any(p.startswith("Names/Long_xxxx") for p in entries), f"{name}: 255-name missing")
    listing = o.run(["mdir", "-i", img, "::/Names"])
    check(LONG255 in listing, f"{name}: mdir does not show the 255-character name")

    deleted = {e.path for e in o.user_entries(o.fls(img, deleted_only=True), orphans=False)}
    want_deleted = {p for p, d, *_ in FAT_ENTRIES if d}
    check(deleted == want_deleted, f"{name}: fls -d gives {sorted(deleted)}")

    frag = o.runs(img, entries["Frag/FRAGMENT.BIN"].inode)
    check(len(frag) > 1, f"{name}: FRAGMENT.BIN has runs {frag}, want more than one")

    chain = o.fat_chain(img, "/Frag/FRAGMENT.BIN")
    check(len(chain) > 1, f"{name}: mshowfat gives FRAGMENT.BIN chain {chain}")

    # The same order seen twice: TSK's first sector and mtools' first cluster.
    first = {p: o.runs(img, entries[p].inode)[0].start for p in ("D", "D/C", "D/C/G")}
    check(first["D/C"] < first["D"] and first["D/C/G"] < first["D"],
          f"{name}: folder sectors {first}, want D/C and D/C/G below D")
    clusters = {p: o.fat_chain(img, "/" + p)[0][0] for p in ("D", "D/C", "D/C/G")}
    check(clusters["D/C"] < clusters["D"] and clusters["D/C/G"] < clusters["D"],
          f"{name}: folder clusters {clusters}, want D/C and D/C/G below D")


# ---------------------------------------------------------------------------------------------
# NTFS volumes

NTFS_IMAGES = [("ntfs-c512", 512), ("ntfs-c4096", 4096)]

# path, deleted, kind, size, content tag
NTFS_ENTRIES = [
    ("resident.txt", False, "r", "500", "resid"),
    ("nonresident.bin", False, "r", "20000", "nonres"),
    ("empty.txt", False, "r", "0", "empty"),
    ("Docs/Level2/Level3/deep.txt", False, "r", "3000", "deep"),
    ("Docs/Quarterly report.txt", False, "r", "5000", "report"),
    ("Docs/Names/Überraschung.txt", False, "r", "40", "uml"),
    ("Docs/Names/日本語のファイル.txt", False, "r", "50", "cjk"),
    (f"Docs/Names/{LONG255}", False, "r", "255", "n255"),
    ("fragmented.bin", False, "r", "12*c+100", None),
    ("sparse.bin", False, "r", "1048576", None),
    ("Docs/gone.txt", True, "r", "3000", "gone"),
    ("Docs/gone-small.txt", True, "r", "300", "gonesm"),
    ("OldDir", True, "d", None, None),
    ("OldDir/Sub", True, "d", None, None),
    ("OldDir/old1.txt", True, "r", "400", "old1"),
    ("OldDir/old2.bin", True, "r", "9000", "old2"),
    ("OldDir/Sub/old3.txt", True, "r", "500", "old3"),
    ("$OrphanFiles/Lost/orphan.txt", True, "r", "6000", "orph"),
    ("$OrphanFiles/Lost/orphan-small.txt", True, "r", "200", "orphsm"),
]


def ntfs_4k_sectors():
    img = FIX / "ntfs" / "ntfs-s4096.img"
    st = o.fsstat(img)
    check(st["type"] == "NTFS" and st["cluster_size"] == 8192,
          f"ntfs-s4096: fsstat type {st['type']!r}, cluster size {st['cluster_size']}")
    with open(img, "rb") as f:
        boot = f.read(512)
    check(int.from_bytes(boot[11:13], "little") == 4096 and boot[0x40] == 0xF4,
          f"ntfs-s4096: sector size {int.from_bytes(boot[11:13], 'little')}, "
          f"record field {boot[0x40]:#x}")
    entries = o.by_path(o.fls(img))
    for path in ("resident.txt", "nonresident.bin", "Docs/gone.txt", "sparse.bin"):
        check(path in entries, f"ntfs-s4096: {path} missing from fls")
    e = entries.get("nonresident.bin")
    if e:
        check(o.icat(img, e.inode) == o.expected_content("nonres", 20000),
              "ntfs-s4096: nonresident.bin contents differ")


def ntfs_compressed(name):
    img = FIX / "ntfs" / f"{name}.img"
    entries = o.by_path(o.fls(img))
    random_middle = random.Random(7).randbytes(65536)
    holes = bytearray(512 * 1024)
    holes[:5000] = o.expected_content("holes", 5000)
    holes[300 * 1024:300 * 1024 + 5000] = o.expected_content("holes", 5000)
    for path, want, resident, deleted in (
            ("Packed/small.txt", o.expected_content("packs", 300), True, False),
            ("Packed/large.txt", o.expected_content("packl", 40000), False, False),
            ("Packed/mixed.bin", o.expected_content("mixa", 70000) + random_middle +
             o.expected_content("mixc", 66000), False, False),
            ("Packed/holes.bin", bytes(holes), False, False),
            ("Packed/gone1.txt", o.expected_content("gone1", 30000), False, True),
            ("Packed/gone2.bin", o.expected_content("gone2", 90000), False, True)):
        e = entries.get(path)
        check(e is not None, f"{name}: {path} missing from fls")
        if e is None:
            continue
        check(e.deleted == deleted, f"{name}: {path} deleted is not {deleted}")
        check(o.icat(img, e.inode, recover=deleted) == want, f"{name}: {path} contents differ")
        check(o.resident(img, e.inode) == resident,
              f"{name}: {path} resident is not {resident}")
        if not resident:
            check("Compressed" in o.istat(img, e.inode), f"{name}: {path} is not compressed")
    # The incompressible middle is stored as it is: some unit of 16 real clusters.
    runs = o.runs(img, entries["Packed/mixed.bin"].inode)
    check(any(r.start is not None and r.length >= 16 for r in runs),
          f"{name}: mixed.bin has no stored unit: {runs}")
    check(any(r.start is None for r in o.runs(img, entries["Packed/holes.bin"].inode)),
          f"{name}: holes.bin has no sparse unit")


def ntfs_volume(name, c):
    img = FIX / "ntfs" / f"{name}.img"
    st = o.fsstat(img)
    check(st["type"] == "NTFS", f"{name}: fsstat type {st['type']!r}")
    check(st["cluster_size"] == c, f"{name}: cluster size {st['cluster_size']}, want {c}")

    entries = o.by_path(o.fls(img))
    for path, deleted, kind, size, tag in NTFS_ENTRIES:
        e = entries.get(path)
        check(e is not None, f"{name}: {path} missing from fls")
        if e is None:
            continue
        check(e.deleted == deleted and e.kind == kind,
              f"{name}: {path} is deleted={e.deleted} kind={e.kind}, want {deleted} {kind}")
        if size is not None:
            want = eval(size, {}, {"c": c})
            check(e.size == want, f"{name}: {path} size {e.size}, want {want}")
            if tag:
                check(o.icat(img, e.inode) == o.expected_content(tag, want),
                      f"{name}: {path} contents differ")
    check(entries["resident.txt"].mtime == T_FILE, f"{name}: resident.txt mtime")
    check(entries["Docs/Level2/Level3/deep.txt"].mtime == "2020-07-15 12:34:56",
          f"{name}: deep.txt mtime")

    check(o.resident(img, entries["resident.txt"].inode), f"{name}: resident.txt not resident")
    check(not o.resident(img, entries["nonresident.bin"].inode),
          f"{name}: nonresident.bin is resident")

    frag = entries["fragmented.bin"]
    check(len(o.runs(img, frag.inode)) > 1, f"{name}: fragmented.bin has a single run")
    want = b"".join(o.expected_content(t, n * c + extra)
                    for t, n, extra in (("frag1", 4, 0), ("frag2", 4, 0), ("frag3", 4, 100)))
    check(o.icat(img, frag.inode) == want, f"{name}: fragmented.bin contents differ")

    sparse = entries["sparse.bin"]
    check(any(r.start is None for r in o.runs(img, sparse.inode)), f"{name}: sparse.bin not sparse")
    data = o.icat(img, sparse.inode)
    part = o.expected_content("sparse", 2 * c)
    want = bytearray(1 << 20)
    want[0:len(part)] = part
    want[640 * 1024:640 * 1024 + len(part)] = part
    check(data == bytes(want), f"{name}: sparse.bin contents differ")

    # The orphans' own records are in use; only their folder's record is not.
    orphan = entries["$OrphanFiles/Lost/orphan.txt"]
    check(o.allocated(img, orphan.record), f"{name}: orphan.txt record not in use")
    check(not o.allocated(img, entries["$OrphanFiles/Lost"].record),
          f"{name}: folder Lost still in use")
    check(not o.allocated(img, entries["Docs/gone.txt"].record), f"{name}: gone.txt in use")


# ---------------------------------------------------------------------------------------------
# Partitioned disks

# image, [(start, length, description)], [(start sector, fs type, folder)]
DISKS = [
    ("mbr", [(2048, 73728, "Win95 FAT32 (0x0c)"), (75776, 16384, "NTFS / exFAT (0x07)"),
             (94208, 8192, "DOS FAT16 (0x06)"), (104448, 4096, "DOS FAT12 (0x01)")],
     [(2048, "FAT32", "P1", "mbrp1"), (75776, "NTFS", "", "mbrp2"), (94208, "FAT16", "L5", "mbrl5"),
      (104448, "FAT12", "L6", "mbrl6")]),
    ("gpt", [(2048, 8192, "Merrowind one"), (12288, 4096, "Merrowind three")],
     [(2048, "FAT16", "G1", "gptp1"), (12288, "FAT12", "G3", "gptp3")]),
]


def disk(name, parts, volumes):
    img = FIX / "disks" / f"{name}.img"
    got = [(p.start, p.length, p.description) for p in o.partitions(img)]
    check(got == parts, f"{name}: mmls partitions {got}")
    for start, fs, folder, tag in volumes:
        check(o.fsstat(img, start)["type"] == fs, f"{name}@{start}: not {fs}")
        entries = o.by_path(o.fls(img, start))
        prefix = f"{folder}/" if folder else ""
        first = entries.get(prefix + "FIRST.TXT")
        check(first is not None, f"{name}@{start}: FIRST.TXT missing")
        if first:
            check(o.icat(img, first.inode, start) == o.expected_content(tag + "a", 1000),
                  f"{name}@{start}: FIRST.TXT contents differ")
        if fs.startswith("FAT"):
            gone = entries.get("_ELETED.TXT")
            check(gone is not None and gone.deleted, f"{name}@{start}: deleted file missing")


def gpt_gap():
    slots = o.mmls(FIX / "disks" / "gpt.img")
    gap = [s for s in slots if s.slot == "-------" and s.start == 10240]
    check(len(gap) == 1 and gap[0].length == 2048, "gpt: no 2048-sector gap at 10240")
    check([s.slot for s in slots if s.is_partition] == ["000", "002"],
          "gpt: want entries 1 and 3 used, entry 2 empty")


def lost_mbr():
    img = FIX / "disks" / "mbr-lost.img"
    with open(img, "rb") as f:
        check(f.read(512) == bytes(512), "mbr-lost: sector 0 not zero")
    try:
        o.partitions(img)
        check(False, "mbr-lost: mmls still finds a partition table")
    except o.OracleError:
        pass
    # The volumes themselves are intact where the table said.
    check(o.fsstat(img, 2048)["type"] == "FAT32", "mbr-lost: FAT32 gone at 2048")
    check(o.fsstat(img, 75776)["type"] == "NTFS", "mbr-lost: NTFS gone at 75776")


# ---------------------------------------------------------------------------------------------
# Virtual disks

# subfolder, file, qemu format, files the format writes
VDISKS = [
    ("qcow1", "disk.qcow", "qcow", 1),
    ("qcow2-v2", "disk.qcow2", "qcow2", 1),
    ("qcow2-v3", "disk.qcow2", "qcow2", 1),
    ("qed", "disk.qed", "qed", 1),
    ("vdi-dynamic", "disk.vdi", "vdi", 1),
    ("vdi-static", "disk.vdi", "vdi", 1),
    ("vpc-dynamic", "disk.vhd", "vpc", 1),
    ("vpc-fixed", "disk.vhd", "vpc", 1),
    ("vhdx", "disk.vhdx", "vhdx", 1),
    ("vmdk-monolithicSparse", "disk.vmdk", "vmdk", 1),
    ("vmdk-monolithicFlat", "disk.vmdk", "vmdk", 2),
    ("vmdk-twoGbMaxExtentSparse", "disk.vmdk", "vmdk", 2),
    ("vmdk-twoGbMaxExtentFlat", "disk.vmdk", "vmdk", 2),
    ("parallels", "disk.hds", "parallels", 1),
]

# What sets each variant apart, as qemu-img info reports it.
VDISK_INFO = {
    "qcow2-v2": "compat: 0.10",
    "qcow2-v3": "compat: 1.1",
    "vmdk-monolithicSparse": "create type: monolithicSparse",
    "vmdk-monolithicFlat": "create type: monolithicFlat",
    "vmdk-twoGbMaxExtentSparse": "create type: twoGbMaxExtentSparse",
    "vmdk-twoGbMaxExtentFlat": "create type: twoGbMaxExtentFlat",
}


def vdisk(sub, file, fmt, nfiles, want_hash, tmp):
    folder = FIX / "vdisks" / sub
    check(len(list(folder.iterdir())) == nfiles, f"{sub}: {len(list(folder.iterdir()))} files")
    info = o.run(["qemu-img", "info", "-f", fmt, folder / file])
    check("virtual size: 6 MiB (6291456 bytes)" in info, f"{sub}: virtual size: {info}")
    if sub in VDISK_INFO:
        check(VDISK_INFO[sub] in info, f"{sub}: qemu-img info lacks {VDISK_INFO[sub]!r}")
    out = Path(tmp) / f"{sub}.raw"
    o.qemu_to_raw(folder / file, fmt, out)
    check(o.sha256_file(out) == want_hash, f"{sub}: converted back, differs from raw.img")
    out.unlink()


def fat32_folders():
    img = FIX / "fat" / "fat32-folders.img"
    entries = o.by_path(o.fls(img))
    for folder, name, tag, base, count in (("Big", "A long file name number", "b", 300, 400),
                                           ("Frag", "Fragmented folder file", "f", 200, 40)):
        for i in range(1, count + 1):
            e = entries.get(f"{folder}/{name} {i}.txt")
            size = base + (3 * i if folder == "Big" else i)
            check(e is not None and o.icat(img, e.inode) == o.expected_content(f"{tag}{i}", size),
                  f"fat32-folders: {folder}/{name} {i}.txt missing or differs")
    big = o.runs(img, entries["Big"].inode)
    check(len(big) == 1 and big[0].length == 101, f"fat32-folders: Big is not 101 sectors in a row: {big}")
    check(len(o.runs(img, entries["Frag"].inode)) > 1, "fat32-folders: Frag is not fragmented")


def vdisk_raw():
    raw = FIX / "vdisks" / "raw.img"
    entries = o.by_path(o.fls(raw, 2048))
    large = entries["Data/Large file.bin"]
    check(o.icat(raw, large.inode, 2048) == o.expected_content("vlarge", 1500000),
          "vdisks raw: Large file.bin contents differ")
    check(entries["_ONE.BIN"].deleted, "vdisks raw: deleted GONE.BIN missing")


def main():
    for tool in ("fls", "icat", "istat", "fsstat", "mmls", "mdir", "qemu-img"):
        if not shutil.which(tool):
            print(f"SKIP: {tool} is not installed")
            return 77
    if not (FIX / "fat").is_dir():
        print(f"FAIL: no fixtures in {FIX}; run tests/fixtures/build-all.sh {FIX}")
        return 1

    for name, fat_type, spc in FAT_IMAGES:
        case(name, fat_volume, name, fat_type, spc)
    for name, parts, volumes in DISKS:
        case(name, disk, name, parts, volumes)
    case("gpt gap", gpt_gap)
    case("fat32-folders", fat32_folders)
    case("mbr-lost", lost_mbr)

    skipped_ntfs = FIX / "ntfs" / "SKIPPED"
    if skipped_ntfs.exists():
        skipped.append(f"NTFS images: {skipped_ntfs.read_text().strip()}")
    else:
        for name, c in NTFS_IMAGES:
            case(name, ntfs_volume, name, c)
        case("ntfs-s4096", ntfs_4k_sectors)
        case("ntfs-compressed", lambda: ntfs_compressed("ntfs-compressed"))
        case("ntfs-compressed-c512", lambda: ntfs_compressed("ntfs-compressed-c512"))

    case("vdisks raw", vdisk_raw)
    want_hash = (FIX / "vdisks" / "raw.sha256").read_text().split()[0]
    with tempfile.TemporaryDirectory() as tmp:
        for sub, file, fmt, nfiles in VDISKS:
            case(sub, vdisk, sub, file, fmt, nfiles, want_hash, tmp)

    print(f"{checked} checks, {len(failures)} failed")
    if failures:
        return 1
    if skipped:
        for s in skipped:
            print(f"SKIP: {s}")
        return 77
    return 0


if __name__ == "__main__":
    sys.exit(main())
