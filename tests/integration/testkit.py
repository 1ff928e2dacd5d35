"""What every integration script shares: skipping with a visible reason, and collecting failed
checks so that one run reports all of them."""
import sys

failures = []


def skip(reason):
    """Ends the script as skipped (ctest's SKIP_RETURN_CODE) and says why."""
    print("SKIP:", reason)
    sys.exit(77)


def check(ok, what):
    """Records a failed check and goes on, so one run shows every failure."""
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def compare_save_with_extract(scan_dump, volume_args, label, env=None):
    """The copy the results page's Save runs (scan-dump --save: the results tree's snapshot, the
    saving settings and the copy walk) writes every file exactly as the bare extraction
    (--extract) does, bytes and modification time, and calls itself complete. The extraction is
    compared with icat elsewhere in the same script, so the copy is too."""
    import os
    import subprocess
    import tempfile
    from pathlib import Path

    import time

    # The file system stamps files from a coarse clock that can lag time.time() by a tick, so a
    # file written now may read a second earlier: a second of margin keeps it a write time.
    started = int(time.time()) - 1
    with tempfile.TemporaryDirectory() as work:
        extract, save = Path(work) / "extract", Path(work) / "save"
        e = subprocess.run([str(scan_dump), *volume_args, "--extract", str(extract)],
                           capture_output=True, text=True, env=env)
        s = subprocess.run([str(scan_dump), *volume_args, "--save", str(save)],
                           capture_output=True, text=True, env=env)
        check(s.returncode == 0 and "Saving completed successfully." in s.stderr,
              f"{label}: --save exit {s.returncode}: {s.stderr.strip()[-300:]}")

        def files(top):
            out = {}
            for p in top.rglob("*"):
                if p.is_file():
                    mtime = int(os.stat(p).st_mtime)
                    # A record without a time of its own ($MFT's is zero) keeps the time it was
                    # written at, which differs between the two runs.
                    out[str(p.relative_to(top))] = (p.read_bytes(), mtime if mtime < started else None)
            return out

        want = files(extract) if e.returncode == 0 else None
        got = files(save)
        check(want is not None and len(want) > 0, f"{label}: --extract exit {e.returncode}")
        if want:
            differing = sorted(k for k in set(want) | set(got) if want.get(k) != got.get(k))
            check(not differing, f"{label}: the copy differs from the extraction: {differing[:5]}")
