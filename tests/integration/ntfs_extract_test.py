#!/usr/bin/env python3
"""NTFS file extraction (scan-dump --extract) against The Sleuth Kit's icat.

On the NTFS fixtures (512- and 4096-byte clusters, and the NTFS partition of the MBR disk at
sector 75776), every file the deleted-file scan finds is written out and compared by its MFT
record number:
- its bytes equal `icat` of the record's unnamed $DATA (`icat -r` for deleted records): empty,
  resident, non-resident, fragmented, sparse and deleted files, the system files included ($Boot,
  whose data starts at cluster 0, at the image's first sector);
- a record whose only data attributes are named streams comes out empty;
- its modification time is the one fls shows, and for the fixture's own files exactly the time the
  builder set (to the 100 ns: NTFS times are UTC on disk and must not move by a time-zone offset);
- `--only-deleted` writes exactly the deleted files, with the folders on their way;
- a file in hundreds of fragments, whose attribute list ntfs-3g moved out to clusters, comes out
  whole;
- the files of a compressed folder (4 KiB and 512-byte clusters), live and deleted, come out
  decompressed, equal to icat;
- after formatted recovery (records found by their signature, each read at its own sector) the
  fixture's files come out the same;
- the copy the results page's Save runs writes the same files as the extraction;
- into a target that fills up (a small tmpfs, root only), the failures are reported, nothing lands
  outside the target, and the files written whole are still right.
"""
import calendar
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

# image, start sector, sector count (None: the whole file), bytes per sector
VOLUMES = [
    ("ntfs/ntfs-c512.img", 0, None, 512),
    ("ntfs/ntfs-c4096.img", 0, None, 512),
    ("ntfs/ntfs-s4096.img", 0, None, 4096),
    ("disks/mbr.img", 75776, 16384, 512),
]

# The times the fixture builder set (UTC), in nanoseconds.
T_FILE = calendar.timegm((2021, 3, 4, 5, 6, 8)) * 10**9
T_DEEP = calendar.timegm((2020, 7, 15, 12, 34, 56)) * 10**9 + 123456700
FIXTURE_TIMES = {"Docs/Level2/Level3/deep.txt": T_DEEP}
# How TSK prints a file time of 0 (it converts through 32 bits): the record holds no time, and the
# written file keeps the time it was written at.
TSK_TIME_ZERO = "2076-11-29 08:54:34"


def env():
    e = dict(os.environ)
    e["TZ"] = "America/New_York"  # a zone far from UTC: NTFS times must not be shifted by it
    e["LC_ALL"] = "C.UTF-8"
    return e


def scan_extract(image, start, count, out, extra=(), mode="deleted", bps=512, log_args=None):
    """Runs scan-dump with --extract (or, with log_args, --load-log instead of a scan)."""
    if log_args is not None:
        args = [str(SCAN_DUMP), *log_args]
    else:
        args = [str(SCAN_DUMP), "--image", str(image), "--fs", "NTFS", "--mode", mode,
                "--bps", str(bps)]
        if start:
            args += ["--start", str(start), "--end", str(start + count)]
    p = subprocess.run(args + ["--extract", str(out), *extra], capture_output=True, env=env())
    rows = []
    for line in p.stdout.decode("utf-8").splitlines():
        if line.startswith("folders "):
            continue
        kind, deleted, size, ident, path = line.split("\t", 4)
        rows.append((kind, deleted == "y", int(size), int(ident), path))
    return p.returncode, rows, p.stderr.decode("utf-8", errors="replace")


def unnamed_data(tsk):
    """Record number -> fls entry of its unnamed $DATA (no ':' in the last path part)."""
    out = {}
    for e in tsk:
        if e.kind == "r" and ":" not in e.name and e.inode.count("-") == 2:
            out.setdefault(e.record, e)
    return out


def fls_seconds(text):
    return calendar.timegm(tuple(int(x) for x in text.replace("-", " ").replace(":", " ").split()))


def compare_volume(label, image, start, count, bps=512):
    offset = start or None
    tsk = o.fls(image, offset)
    data = unnamed_data(tsk)
    with tempfile.TemporaryDirectory() as out:
        rc, rows, err = scan_extract(image, start, count, out, bps=bps)
        check(rc == 0, f"{label}: scan-dump --extract exit {rc}: {err.strip()}")
        files = [(d, s, i, p) for k, d, s, i, p in rows if k == "F"]
        kinds = set()
        for deleted, size, ident, path in files:
            target = Path(out) / path
            if not target.is_file():
                check(False, f"{label}: {path} was not written")
                continue
            got = target.read_bytes()
            e = data.get(ident)
            if e is None:
                check(got == b"", f"{label}: {path} has no unnamed $DATA but {len(got)} bytes")
                continue
            want = o.icat(image, e.inode, offset, recover=deleted)
            check(got == want, f"{label}: {path}: {len(got)} bytes differ from icat"
                               f"{' -r' if deleted else ''} ({len(want)} bytes)")
            check(len(got) == size, f"{label}: {path}: {len(got)} bytes, the record says {size}")
            mtime_ns = target.stat().st_mtime_ns
            if e.mtime == TSK_TIME_ZERO:
                check(mtime_ns // 10**9 != fls_seconds(e.mtime),
                      f"{label}: {path}: a time of 0 was set as {e.mtime}")
            elif e.mtime:
                check(mtime_ns // 10**9 == fls_seconds(e.mtime),
                      f"{label}: {path}: time {mtime_ns} is not fls's {e.mtime}")
            if not path.startswith("$") and image.parent.name == "ntfs":
                want_ns = FIXTURE_TIMES.get(path, T_FILE)
                check(mtime_ns == want_ns, f"{label}: {path}: time {mtime_ns} != {want_ns}")
            if path == "$Boot":
                # $Boot's data starts at cluster 0: at the image's first sector when the volume
                # starts there, which a sparse run must not be taken for.
                kinds.add("boot")
                check(got[3:11] == b"NTFS    ", f"{label}: $Boot does not hold the boot sector")
            if size == 0:
                kinds.add("empty")
            elif o.resident(image, e.inode, offset):
                kinds.add("resident")
            else:
                runs = o.runs(image, e.inode, offset)
                kinds.add("fragmented" if len([r for r in runs if r.start is not None]) > 1
                          else "non-resident")
                if any(r.start is None for r in runs):
                    kinds.add("sparse")
            if deleted:
                kinds.add("deleted")
        if image.name == "ntfs-s4096.img":
            # 4 KiB records on 4 KiB sectors and 8 KiB clusters (0xF4 in the boot sector).
            want_kinds = {"empty", "resident", "non-resident", "sparse", "deleted", "boot"}
            check(want_kinds <= kinds, f"{label}: kinds covered {sorted(kinds)}")
        elif image.parent.name == "ntfs":
            want_kinds = {"empty", "resident", "non-resident", "fragmented", "sparse", "deleted",
                          "boot"}
            check(want_kinds <= kinds, f"{label}: kinds covered {sorted(kinds)}")
        else:
            check(len(files) >= 2, f"{label}: only {len(files)} files extracted")

    with tempfile.TemporaryDirectory() as out:
        rc, rows, err = scan_extract(image, start, count, out, ["--only-deleted"], bps=bps)
        written = sorted(str(p.relative_to(out)) for p in Path(out).rglob("*") if p.is_file())
        wanted = sorted(p for k, d, _, _, p in rows if k == "F" and d)
        check(rc == 0 and written == wanted,
              f"{label}: --only-deleted wrote {written}, expected {wanted} (exit {rc})")


def compare_formatted(label, image, start, count, bps=512, scanned=None):
    """Formatted recovery finds FILE records by their signature and the copy reads each at its own
    sector: the fixture's files come out as icat gives them, with their times. scanned is the
    image scan-dump reads when it is not the one icat reads (boot sectors damaged)."""
    offset = start or None
    with tempfile.TemporaryDirectory() as out:
        _, rows, err = scan_extract(scanned or image, start, count, out, mode="formatted", bps=bps)
        check("notice:" not in err, f"{label} formatted: a notice was shown: {err!r}")
        folders = {p for k, _, _, _, p in rows if k == "D"}
        files = [(d, s, i, p) for k, d, s, i, p in rows
                 if k == "F" and not p.startswith("$") and p not in folders]
        check(len(files) >= 2, f"{label} formatted: only {len(files)} files found")
        for deleted, size, ident, path in files:
            target = Path(out) / path
            if not target.is_file():
                check(False, f"{label} formatted: {path} was not written")
                continue
            want = o.icat(image, ident, offset, recover=deleted)
            check(target.read_bytes() == want,
                  f"{label} formatted: {path} differs from icat{' -r' if deleted else ''}")
            if image.parent.name == "ntfs":
                want_ns = FIXTURE_TIMES.get(path, T_FILE)
                check(target.stat().st_mtime_ns == want_ns,
                      f"{label} formatted: {path}: time {target.stat().st_mtime_ns} != {want_ns}")


def compare_attrlist(image):
    """A file in hundreds of fragments, whose name and later data pieces lie in extension records
    that only its non-resident attribute list names, comes out whole, with its time."""
    e = o.by_path(o.fls(image))["frag.bin"]
    with tempfile.TemporaryDirectory() as out:
        rc, rows, err = scan_extract(image, 0, None, out)
        check(rc == 0, f"{image.name}: scan-dump --extract exit {rc}: {err.strip()}")
        target = Path(out) / "frag.bin"
        check(target.is_file() and target.read_bytes() == o.icat(image, e.inode),
              f"{image.name}: frag.bin is not what icat gives")
        check(target.is_file() and target.stat().st_mtime_ns == T_FILE,
              f"{image.name}: frag.bin does not have its time")


def compare_compressed(image):
    """A folder with the compressed attribute: every file in it, live or deleted, comes out as icat
    gives it (icat decompresses): the small file's resident data, plain though flagged compressed;
    compressed units; stored units of an incompressible middle; sparse units; deleted files from
    their old runs."""
    tsk = [e for e in o.fls(image) if e.path.startswith("Packed/") and e.kind == "r"]
    check(len(tsk) == 6, f"{image.name}: {len(tsk)} files in Packed, 6 expected")
    with tempfile.TemporaryDirectory() as out:
        rc, rows, err = scan_extract(image, 0, None, out)
        check(rc == 0, f"{image.name}: scan-dump --extract exit {rc}: {err.strip()}")
        written = {ident: path for k, _, _, ident, path in rows if k == "F"}
        for e in tsk:
            path = written.get(e.record)
            target = Path(out) / path if path else None
            check(target is not None and target.is_file() and
                  target.read_bytes() == o.icat(image, e.inode, recover=e.deleted),
                  f"{image.name}: {e.path} is not what icat gives")


def damaged_boot_sectors(image):
    """Both boot sectors of a volume with their $MFT and $MFTMirr clusters destroyed: the geometry
    cannot be detected, but formatted recovery takes the one of the file system the search found
    and the files come out as icat gives them from the intact volume. With both boot sectors gone
    entirely no layout is known: the user is told so once, not once per file."""
    last = image.stat().st_size // 512 - 1
    with tempfile.TemporaryDirectory() as work:
        damaged = Path(work) / image.name
        shutil.copyfile(image, damaged)
        with open(damaged, "r+b") as f:
            for sector in (0, last):
                f.seek(sector * 512 + 48)
                f.write((0x7FFFFFF0).to_bytes(8, "little") * 2)
        compare_formatted(f"{image.name} boot sectors damaged", image, 0, None, scanned=damaged)
        with open(damaged, "r+b") as f:
            for sector in (0, last):
                f.seek(sector * 512)
                f.write(bytes(512))
        with tempfile.TemporaryDirectory() as out:
            rc, rows, err = scan_extract(damaged, 0, None, out, mode="formatted")
            files = [p for k, _, size, _, p in rows if k == "F" and size > 0]
            notices = [line for line in err.splitlines() if line.startswith("notice:")]
            check(len(files) > 2 and rc == 4 and len(notices) == 1,
                  f"{image.name} no boot sector: {len(files)} files, exit {rc}, notices {notices}")


def reload_and_extract(image):
    """After Load Log the files of a deleted-file scan are read by their record numbers through an
    $MFT map built from the log's geometry on the log's source: they come out as the scan's own
    extraction wrote them (which compare_volume checks against icat)."""
    with tempfile.TemporaryDirectory() as work:
        log = Path(work) / "scan.kvsl"
        direct, loaded = Path(work) / "direct", Path(work) / "loaded"
        rc, rows, err = scan_extract(image, 0, None, direct, ["--save-log", str(log)])
        check(rc == 0 and log.is_file(), f"{image.name}: scan with --save-log exit {rc}: {err}")
        rc2, rows2, err2 = scan_extract(None, 0, None, loaded,
                                        log_args=["--load-log", str(log), "--image", str(image)])
        check(rc2 == 0 and rows2 == rows, f"{image.name}: --load-log --extract exit {rc2}: {err2}")
        want = {p.relative_to(direct): p.read_bytes() for p in direct.rglob("*") if p.is_file()}
        got = {p.relative_to(loaded): p.read_bytes() for p in loaded.rglob("*") if p.is_file()}
        nonempty = sum(1 for b in want.values() if b)
        check(nonempty > 5 and got == want,
              f"{image.name}: after Load Log {len(got)} files, {nonempty} non-empty expected; "
              f"differing: {sorted(str(k) for k in set(want) | set(got) if want.get(k) != got.get(k))[:5]}")


def full_target(image):
    """Extraction into a 256 KiB tmpfs: the large files cannot fit."""
    if os.geteuid() != 0:
        print("note: the full-target case needs root (a tmpfs mount); left out")
        return
    with tempfile.TemporaryDirectory() as top:
        mnt = Path(top) / "small"
        mnt.mkdir()
        m = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", str(mnt)],
                           capture_output=True, text=True)
        if m.returncode != 0:
            print("note: tmpfs mount refused, full-target case left out:", m.stderr.strip())
            return
        try:
            target = mnt / "out"
            rc, rows, err = scan_extract(image, 0, None, target)
            check(rc == 4, f"full target: exit {rc}, expected 4")
            failed = {line.split(" for ", 1)[1] for line in err.splitlines()
                      if line.startswith("extract: result ")}
            check("$LogFile" in failed, f"full target: $LogFile (2 MiB) not reported: {err!r}")
            check(err.count("copy error: skip") >= len(failed) > 0,
                  f"full target: not every failure asked the copy-error question: {err!r}")
            outside = [p.name for p in Path(top).iterdir() if p.name != "small"]
            check(outside == [], f"full target: files outside the target: {outside}")
            tsk = unnamed_data(o.fls(image))
            whole = 0
            for k, d, size, ident, path in rows:
                f = target / path
                e = tsk.get(ident)
                if k != "F" or e is None or path.split("/")[-1] in failed:
                    continue
                # Every file not reported is whole: a failure never passes for a success.
                check(f.is_file() and f.read_bytes() == o.icat(image, e.inode, recover=d),
                      f"full target: {path} was not reported but differs from icat")
                whole += 1
            check(whole > 0, "full target: no file was written whole")
        finally:
            subprocess.run(["umount", str(mnt)], check=False)


def main():
    if not SCAN_DUMP.exists():
        skip(f"scan-dump not built in {TOOLS}")
    for tool in ("fls", "icat", "istat"):
        if not shutil.which(tool):
            skip(f"{tool} (The Sleuth Kit) is not installed")
    skipped = FIX / "ntfs" / "SKIPPED"
    if skipped.exists():
        skip("NTFS fixtures were not built: " + skipped.read_text().strip())
    for rel in [v[0] for v in VOLUMES] + ["ntfs/ntfs-attrlist.img", "ntfs/ntfs-compressed.img",
                                          "ntfs/ntfs-compressed-c512.img"]:
        if not (FIX / rel).exists():
            skip(f"{FIX / rel} missing (run tests/fixtures/build-all.sh)")
    for rel, start, count, bps in VOLUMES:
        image = FIX / rel
        label = f"{image.name}@{start}"
        try:
            compare_volume(label, image, start, count, bps)
            compare_formatted(label, image, start, count, bps)
            args = ["--image", str(image), "--fs", "NTFS", "--mode", "deleted", "--bps", str(bps)]
            if start:
                args += ["--start", str(start), "--end", str(start + count)]
            compare_save_with_extract(SCAN_DUMP, args, label, env())
        except (o.OracleError, subprocess.CalledProcessError, ValueError) as e:
            check(False, f"{label}: {type(e).__name__}: {e}")
    for case, rel in ((compare_compressed, "ntfs/ntfs-compressed.img"),
                      (compare_compressed, "ntfs/ntfs-compressed-c512.img"),
                      (damaged_boot_sectors, "ntfs/ntfs-c4096.img"),
                      (reload_and_extract, "ntfs/ntfs-c512.img")):
        try:
            case(FIX / rel)
        except (o.OracleError, subprocess.CalledProcessError, ValueError, KeyError, OSError) as e:
            check(False, f"{case.__name__} {rel}: {type(e).__name__}: {e}")
    try:
        compare_attrlist(FIX / "ntfs" / "ntfs-attrlist.img")
    except (o.OracleError, subprocess.CalledProcessError, ValueError, KeyError) as e:
        check(False, f"ntfs-attrlist.img: {type(e).__name__}: {e}")
    try:
        full_target(FIX / "ntfs" / "ntfs-c4096.img")
    except (o.OracleError, subprocess.CalledProcessError, OSError) as e:
        check(False, f"full target: {type(e).__name__}: {e}")
    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("every extracted NTFS file equals icat, with its time")
    return 0


if __name__ == "__main__":
    sys.exit(main())
