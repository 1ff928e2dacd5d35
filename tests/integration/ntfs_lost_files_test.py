#!/usr/bin/env python3
"""Files of a deleted folder whose record was reused come back (ntfs/ntfs-reused.img).

The fixture deletes a folder of files with ntfs-3g and then writes new files, the first of which
takes the folder's FILE record. The Sleuth Kit lists the deleted files it can still name under
$OrphanFiles. In the deleted-file and the formatted scans every one of them:
- is listed under "Lost" (not under a parent the tree cannot reach);
- is written by the extraction (scan-dump --extract) with exactly the bytes `icat -r` gives;
- is written by the copy the results page's Save runs, which says it is complete.
"""
import os
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = Path(os.environ.get("MERROWIND_SOURCE_DIR", HERE.parent.parent))
sys.path.insert(0, str(SOURCE / "tests" / "fixtures"))
import oracle as o  # noqa: E402
from testkit import check, failures, skip  # noqa: E402

FIX = Path(os.environ.get("MERROWIND_FIXTURE_DIR", SOURCE / "build" / "fixtures"))
TOOLS = Path(os.environ.get("MERROWIND_TOOLS_DIR", SOURCE / "build" / "release" / "tests" / "tools"))
SCAN_DUMP = TOOLS / "scan-dump"
IMAGE = FIX / "ntfs" / "ntfs-reused.img"


def scan(mode, *extra):
    args = [str(SCAN_DUMP), "--image", str(IMAGE), "--fs", "NTFS", "--mode", mode, *extra]
    p = subprocess.run(args, capture_output=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
    rows = {}
    for line in p.stdout.decode("utf-8").splitlines():
        if line.startswith("folders "):
            continue
        kind, deleted, size, ident, path = line.split("\t", 4)
        if kind == "F":
            rows.setdefault(int(ident), path)
    return p.returncode, rows, p.stderr.decode("utf-8", errors="replace")


def main():
    if not IMAGE.exists():
        reason = (FIX / "ntfs" / "SKIPPED-reused")
        skip(reason.read_text().strip() if reason.exists() else f"{IMAGE} was not built")
    orphans = [e for e in o.fls(str(IMAGE))
               if e.path.startswith("$OrphanFiles/") and not o.is_system(e) and e.kind == "r"]
    check(len(orphans) >= 3, f"the fixture holds named orphans: {[e.path for e in orphans]}")
    for mode in ("deleted", "formatted"):
        with tempfile.TemporaryDirectory() as work:
            out, save = Path(work) / "x", Path(work) / "s"
            code, rows, err = scan(mode, "--extract", str(out))
            check(code == 0, f"{mode}: scan-dump --extract exited {code}: {err.strip()}")
            for e in orphans:
                path = rows.get(e.record)
                check(path == "Lost/" + e.name, f"{mode}: record {e.record} {e.name} listed as {path}")
                if path is None:
                    continue
                want = o.icat(str(IMAGE), e.record, recover=True)
                got = (out / path).read_bytes() if (out / path).exists() else None
                check(got == want, f"{mode}: {path} differs from icat -r {e.record}")
            code, _, err = scan(mode, "--save", str(save))
            check(code == 0 and "Saving completed successfully." in err,
                  f"{mode}: --save: {code} {err.strip()}")
            for e in orphans:
                check((save / "Lost" / e.name).is_file(), f"{mode}: --save wrote no Lost/{e.name}")
    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print(f"{len(orphans)} orphaned files come back under Lost, equal to icat, in both scans")
    return 0


if __name__ == "__main__":
    sys.exit(main())
