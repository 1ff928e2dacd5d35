#!/usr/bin/env python3
"""The FAT deleted-file scan and FAT file extraction against The Sleuth Kit and mtools.

On every FAT16 and FAT32 fixture (1, 8 and 64 sectors per cluster, and the two FAT volumes of the
MBR disk at their partition offsets):
- `scan-dump --mode deleted` finds the same (path, deleted, size) as `fls -r -p`;
- each found file written out with `--extract` equals `icat` (`icat -r` for deleted files), and
  its modification time is the one fls shows;
- the cluster chains the program follows equal `mshowfat`'s.
"""

import datetime
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = Path(os.environ.get("MERROWIND_SOURCE_DIR", HERE.parent.parent))
sys.path.insert(0, str(SOURCE / "tests" / "fixtures"))
import oracle as o  # noqa: E402
from testkit import check, compare_save_with_extract, failures, skip  # noqa: E402

FIX = Path(os.environ.get("MERROWIND_FIXTURE_DIR", SOURCE / "build" / "fixtures"))
TOOLS = Path(os.environ.get("MERROWIND_TOOLS_DIR", SOURCE / "build" / "release" / "tests" / "tools"))
SCAN_DUMP = TOOLS / "scan-dump"
FAT_CHAIN = TOOLS / "fat-chain"

# image, file system, start sector, sector count (None: the whole file)
VOLUMES = [
    ("fat/fat16-s1.img", "FAT16", 0, None),
    ("fat/fat16-s8.img", "FAT16", 0, None),
    ("fat/fat16-s64.img", "FAT16", 0, None),
    ("fat/fat32-s1.img", "FAT32", 0, None),
    ("fat/fat32-s8.img", "FAT32", 0, None),
    ("fat/fat32-s64.img", "FAT32", 0, None),
    ("disks/mbr.img", "FAT16", 94208, 8192),
    ("disks/mbr.img", "FAT32", 2048, 73728),
]

TSK_NAME_LIMIT = 247  # TSK cuts FAT long names here


def env():
    e = dict(os.environ)
    e["TZ"] = "UTC"  # the fixtures were written in UTC; FAT times are local time
    e["LC_ALL"] = "C.UTF-8"
    return e


BPS = {}  # image path -> sector size, for volumes whose sectors are not 512 bytes


def volume_args(image, fs, start, count):
    args = ["--image", str(image), "--fs", fs, "--start", str(start)]
    if str(image) in BPS:
        args += ["--bps", str(BPS[str(image)])]
    if count is not None:
        args += ["--end", str(start + count)]
    return args


def scan(image, fs, start, count, extra=()):
    out = subprocess.run([str(SCAN_DUMP), *volume_args(image, fs, start, count), "--mode",
                          "deleted", *extra], capture_output=True, env=env(), check=True)
    rows = []
    for line in out.stdout.decode("utf-8").splitlines():
        if line.startswith("folders "):
            continue
        kind, deleted, size, ident, path = line.split("\t", 4)
        rows.append((kind, deleted == "y", int(size), int(ident), path))
    return rows


def comparable(path):
    """A path as TSK would print it: long names cut at 247 characters, and any character TSK
    cannot show in a short name as '^' (checked exactly elsewhere)."""
    parts = [p[:TSK_NAME_LIMIT] for p in path.split("/")]
    return "/".join("".join(c if ord(c) < 128 else "^" for c in p) for p in parts)


def tsk_rows(image, start):
    offset = start or None
    rows = [e for e in o.user_entries(o.fls(image, offset), orphans=False)]
    # Entries without a first cluster (empty files) hold nothing to recover; the scan leaves them out.
    return [e for e in rows if not (e.kind == "r" and e.size == 0)]


def compare_scan(label, image, fs, start, count):
    ours = scan(image, fs, start, count)
    tsk = tsk_rows(image, start)
    want = {(comparable(e.path), e.deleted, e.size if e.kind == "r" else None) for e in tsk}
    got = {(comparable(p), d, s if k == "F" else None) for k, d, s, _, p in ours}
    check(got == want, f"{label}: scan differs from fls:\n  only scan: {sorted(got - want)}\n"
                       f"  only fls: {sorted(want - got)}")
    if image.parent.name == "fat":  # the common tree of the FAT fixtures
        names = {p for *_, p in ours}
        for exact in ("Names/Überraschung.txt", "Names/日本語のファイル.txt", "Names/café.txt",
                      "Names/Long_" + "x" * 246 + ".txt", "D/C/G/g1.txt",
                      "Docs/Level2/Level3/Level4/deep.txt"):
            check(exact in names, f"{label}: {exact} not found with its full name")
    return ours, tsk


def compare_chains(label, image, fs, start, count, ours):
    present = [(k, i, p) for k, d, s, i, p in ours if not d and (k == "D" or s > 0)]
    out = subprocess.run([str(FAT_CHAIN), *volume_args(image, fs, start, count),
                          *[str(i) for _, i, _ in present]], capture_output=True, text=True,
                         env=env(), check=True).stdout
    chains = {int(a): [int(x) for x in b.split()] for a, b in
              (line.split("\t") for line in out.splitlines())}
    for kind, ident, path in present:
        ranges = o.fat_chain(image, "/" + path, start or None)
        expected = [c for a, b in ranges for c in range(a, b + 1)]
        check(chains.get(ident) == expected, f"{label}: chain of {path}: {chains.get(ident)} "
                                             f"!= mshowfat {expected}")


def parse_time(text):
    return datetime.datetime.strptime(text, "%Y-%m-%d %H:%M:%S").replace(
        tzinfo=datetime.timezone.utc).timestamp()


def compare_extraction(label, image, fs, start, count, tsk):
    by_path = {comparable(e.path): e for e in tsk}
    with tempfile.TemporaryDirectory() as out:
        ours = scan(image, fs, start, count, ["--extract", out])
        files = [(d, s, p) for k, d, s, _, p in ours if k == "F"]
        check(files, f"{label}: nothing extracted")
        for deleted, size, path in files:
            e = by_path.get(comparable(path))
            if e is None:
                continue  # already reported by the scan comparison
            target = Path(out) / path
            if not target.is_file():
                check(False, f"{label}: {path} was not written")
                continue
            data = target.read_bytes()
            want = o.icat(image, e.inode, start or None, recover=deleted)
            if deleted and len(want) < size:
                # TSK stops recovering at a cluster that is in use again (_ILL.BIN's clusters now
                # hold D/C and D/C/G); the program reads on from the consecutive clusters.
                check(len(data) == size and data.startswith(want),
                      f"{label}: {path}: {len(data)} bytes do not start with icat -r's {len(want)}")
            else:
                check(data == want, f"{label}: {path}: {len(data)} bytes differ from icat"
                                    f"{' -r' if deleted else ''} ({len(want)} bytes)")
            if e.mtime:
                check(target.stat().st_mtime == parse_time(e.mtime),
                      f"{label}: {path}: time {target.stat().st_mtime} != fls {e.mtime}")
    # Only the deleted files, into a fresh folder: the folders on their way are made too.
    with tempfile.TemporaryDirectory() as out:
        ours = scan(image, fs, start, count, ["--extract", out, "--only-deleted"])
        written = sorted(str(p.relative_to(out)) for p in Path(out).rglob("*") if p.is_file())
        wanted = sorted(p for k, d, _, _, p in ours if k == "F" and d)
        check(written == wanted, f"{label}: --only-deleted wrote {written}, expected {wanted}")


def make_4k_volume(folder):
    """A FAT16 volume with 4096-byte sectors and two sectors per cluster, made with mtools: long
    names, a fragmented file, a deleted file and a deleted folder."""
    image = Path(folder) / "fat16-4k.img"
    with open(image, "wb") as f:
        f.truncate(64 * 1024 * 1024)
    env = dict(os.environ, MTOOLS_SKIP_CHECK="1", TZ="UTC")
    run = lambda *a: subprocess.run(a, check=True, capture_output=True, env=env)  # noqa: E731
    run("mkfs.fat", "-a", "-F", "16", "-S", "4096", "-s", "2", str(image))
    src = Path(folder) / "src"
    src.mkdir()
    c = 8192

    def put(tag, size, dest):
        p = src / tag
        p.write_bytes(o.expected_content(tag, size))
        os.utime(p, (1614834368, 1614834368))  # 2021-03-04 05:06:08 UTC
        run("mcopy", "-m", "-i", str(image), str(p), "::" + dest)

    run("mmd", "-i", str(image), "::/Docs", "::/Old")
    for i in range(150):  # enough entries to cross a 4096-byte sector in one folder
        put(f"n{i}", 10 + i, f"/Docs/A rather long file name number {i:03d}.txt")
    put("parta", 3 * c, "/PART_A.BIN")
    put("partb", 3 * c, "/PART_B.BIN")
    put("partc", 3 * c, "/PART_C.BIN")
    run("mdel", "-i", str(image), "::/PART_B.BIN")
    put("frag", 6 * c + 7, "/FRAGMENT.BIN")
    put("gone", 5000, "/GONE.TXT")
    put("old1", 700, "/Old/OLD1.TXT")
    run("mdel", "-i", str(image), "::/GONE.TXT")
    run("mdeltree", "-i", str(image), "::/Old")
    BPS[str(image)] = 4096
    return image


def main():
    if not SCAN_DUMP.exists() or not FAT_CHAIN.exists():
        skip(f"test drivers not built in {TOOLS}")
    for tool in ("fls", "icat", "mshowfat"):
        if not shutil.which(tool):
            skip(f"{tool} is not installed")
    for rel, fs, start, count in VOLUMES:
        image = FIX / rel
        if not image.exists():
            skip(f"{image} missing (run tests/fixtures/build-all.sh)")
    work = tempfile.TemporaryDirectory()
    volumes = [(FIX / rel, fs, start, count) for rel, fs, start, count in VOLUMES]
    try:
        volumes.append((make_4k_volume(work.name), "FAT16", 0, None))
    except (subprocess.CalledProcessError, OSError) as e:
        check(False, f"could not make the 4096-byte-sector volume: {e}")
    for image, fs, start, count in volumes:
        label = f"{image.name}@{start}"
        try:
            ours, tsk = compare_scan(label, image, fs, start, count)
            compare_chains(label, image, fs, start, count, ours)
            compare_extraction(label, image, fs, start, count, tsk)
            compare_save_with_extract(
                SCAN_DUMP, [*volume_args(image, fs, start, count), "--mode", "deleted"], label, env())
        except (o.OracleError, subprocess.CalledProcessError, ValueError) as e:
            check(False, f"{label}: {type(e).__name__}: {e}")
    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("all FAT volumes agree with fls, icat and mshowfat")
    return 0


if __name__ == "__main__":
    sys.exit(main())
