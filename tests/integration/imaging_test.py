#!/usr/bin/env python3
"""Disk images written by the image worker, checked against dd on real files.

With small pieces (the test-only piece size), the pieces of an image concatenated in order must
equal dd's copy of the same sector range, in one file and split, for 512- and 4096-byte sectors;
"bps.dmg" is written only for 4096; pieces of an older, longer image are removed; the image reads
back through the sector path. An unreadable source sector is imaged as zeros; the run reaches the
end and says the image was created, its note counting the sectors imaged as zeros; a write that fails (file-size limit, failing target sectors) asks the copy-error
question, and Abort stops at once. A file standing in for a target disk receives the exact range.
"""
import os
import resource
import signal
import subprocess
import sys
import tempfile

TOOL = os.path.join(os.environ.get("MERROWIND_TOOLS_DIR", ""), "image-dump")
CREATED = "notice: Disk Image created successfully."
ABORTED = "notice: Disk Image creation aborted."
PIECE_BYTES = 1 << 20

if not os.access(TOOL, os.X_OK):
    print("SKIP: image-dump is not built")
    sys.exit(77)

failures = []


def expect(what, got, want):
    if got != want:
        failures.append(f"{what}: got {got!r}, want {want!r}")
    else:
        print("ok  ", what)


def run(*args, file_limit=None):
    def limit():
        if file_limit is not None:
            # The write past the limit fails with EFBIG instead of killing the tool.
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (file_limit, file_limit))

    out = subprocess.run([TOOL, *map(str, args)], capture_output=True, text=True,
                         preexec_fn=limit)
    if out.returncode != 0:
        failures.append(f"image-dump {' '.join(map(str, args))} exited {out.returncode}: "
                        f"{out.stderr.strip()}")
    return out.stdout.splitlines()


def result_of(lines):
    for line in lines:
        if line.startswith("result "):
            return dict(kv.split("=") for kv in line.split()[1:])
    return {}


def dd_range(path, bps, start, end):
    return subprocess.run(["dd", f"if={path}", f"bs={bps}", f"skip={start}",
                           f"count={end - start}", "status=none"],
                          check=True, capture_output=True).stdout


def pieces(folder):
    names = sorted((n for n in os.listdir(folder) if n.startswith("DiskImage")),
                   key=lambda n: int(n[len("DiskImage"):-4]))
    return names


def make_source(path, sectors, bps):
    with open(path, "wb") as f:
        f.write(os.urandom(sectors * bps))


with tempfile.TemporaryDirectory(dir=os.environ.get("MERROWIND_BUILD_DIR")) as work:
    # --- pieces equal dd's range, single and multi-file, 512 and 4096-byte sectors ---------------
    for bps, multi, start, end in [(512, False, 63, 5063), (512, True, 63, 5063),
                                   (4096, False, 1, 601), (4096, True, 1, 601)]:
        tag = f"{bps}-byte sectors, {'split' if multi else 'one file'}"
        src = os.path.join(work, f"src{bps}.img")
        make_source(src, end + 10, bps)
        out = os.path.join(work, f"out-{bps}-{int(multi)}")
        os.mkdir(out)
        for n in range(9):  # an older, longer image
            with open(os.path.join(out, f"DiskImage{n}.dmg"), "wb") as f:
                f.write(b"old")
        with open(os.path.join(out, "bps.dmg"), "wb") as f:
            f.write((2048).to_bytes(4, "little"))
        args = ["--image", src, "--start", start, "--end", end, "--to", out, "--bps", bps,
                "--piece-bytes", PIECE_BYTES, "--read-back"]
        lines = run(*args, *(["--multi"] if multi else []))
        expect(f"{tag}: success notice", lines[0] if lines else None, CREATED)
        expect(f"{tag}: read back through the sector path", "read-back equal" in lines, True)
        names = pieces(out)
        per_piece = PIECE_BYTES // bps
        count = -(-(end - start) // per_piece) if multi else 1
        expect(f"{tag}: pieces", names, [f"DiskImage{n}.dmg" for n in range(count)])
        data = b"".join(open(os.path.join(out, n), "rb").read() for n in names)
        expect(f"{tag}: pieces concatenated equal dd's range", data == dd_range(src, bps, start, end),
               True)
        if multi:
            sizes = [os.path.getsize(os.path.join(out, n)) for n in names[:-1]]
            expect(f"{tag}: every piece but the last is whole", set(sizes), {PIECE_BYTES})
        bps_file = os.path.join(out, "bps.dmg")
        if bps > 512:
            expect(f"{tag}: bps.dmg", open(bps_file, "rb").read(), (bps).to_bytes(4, "little"))
        else:
            expect(f"{tag}: no bps.dmg", os.path.exists(bps_file), False)

    src = os.path.join(work, "src.img")
    make_source(src, 3000, 512)

    # --- an unreadable source sector answered Skip is imaged as zeros ----------------------------
    out = os.path.join(work, "bad-read")
    os.mkdir(out)
    start, end, bad = 10, 2010, 777
    lines = run("--image", src, "--start", start, "--end", end, "--to", out,
                "--bad-sectors", bad, "--bad-answer", "skip")
    expect("unreadable sector: created notice", CREATED in lines, True)
    expect("unreadable sector: note counts it",
           any(l.startswith("note: 40 sectors could not be read") for l in lines), True)
    expect("unreadable sector: one bad-sector question", lines.count("bad-sector question"), 1)
    image = open(os.path.join(out, "DiskImage0.dmg"), "rb").read()
    want = bytearray(dd_range(src, 512, start, end))
    # Skip zeroes the 40-sector device run that holds the bad sector; runs start at each block.
    block_start = start + (bad - start) // 400 * 400
    run_start = block_start + (bad - block_start) // 40 * 40
    want[(run_start - start) * 512:(run_start - start + 40) * 512] = bytes(40 * 512)
    expect("unreadable sector: zeros there, the source elsewhere", image == bytes(want), True)
    expect("unreadable sector: counted", result_of(lines).get("unread"), "40")
    expect("unreadable sector: the run says so",
           any(l.startswith("note: 40 sectors could not be read") for l in lines), True)

    # --- writes that fail: the copy-error question --------------------------------------------------
    limit = 300 * 1024  # the second block of 200 KiB passes it
    for answer, questions, position in [("abort", 1, "400"), ("skipall", 1, "2000"),
                                         ("skip", 4, "2000")]:
        out = os.path.join(work, f"full-{answer}")
        os.mkdir(out)
        lines = run("--image", src, "--start", 0, "--end", 2000, "--to", out, "--answer", answer,
                    file_limit=limit)
        r = result_of(lines)
        expect(f"write failure, {answer}: aborted notice", ABORTED in lines, True)
        expect(f"write failure, {answer}: questions", lines.count("copy-error question"), questions)
        expect(f"write failure, {answer}: ended at", r.get("position"), position)
        image = open(os.path.join(out, "DiskImage0.dmg"), "rb").read()
        expect(f"write failure, {answer}: what was written is the source",
               image == dd_range(src, 512, 0, len(image) // 512), True)

    # --- onto another disk: a file stands in for the target -----------------------------------
    target = os.path.join(work, "target.img")
    with open(target, "wb") as f:
        f.write(b"\xaa" * (2500 * 512))
    lines = run("--image", src, "--start", 300, "--end", 2345, "--to-disk", target)
    expect("to disk: success notice", lines[0] if lines else None, CREATED)
    written = open(target, "rb").read()
    expect("to disk: the exact range from sector 0",
           written[:2045 * 512] == dd_range(src, 512, 300, 2345), True)
    expect("to disk: nothing past the range", written[2045 * 512:] == b"\xaa" * (455 * 512), True)

    with open(target, "wb") as f:
        f.write(b"\xaa" * (2500 * 512))
    lines = run("--image", src, "--start", 0, "--end", 2000, "--to-disk", target,
                "--bad-target-sectors", 900, "--answer", "abort")
    expect("to disk, failing target sector: one question", lines.count("copy-error question"), 1)
    expect("to disk, failing target sector: stops at once", result_of(lines).get("position"), "800")
    written = open(target, "rb").read()
    expect("to disk, failing target sector: nothing written after the block",
           written[1200 * 512:] == b"\xaa" * (1300 * 512), True)

    before = open(src, "rb").read()
    lines = run("--image", src, "--start", 0, "--end", 2000, "--to-disk", src)
    expect("to disk: the source itself is refused", ABORTED in lines, True)
    expect("to disk: the source is unchanged", open(src, "rb").read() == before, True)

for f in failures:
    print("FAIL", f)
sys.exit(1 if failures else 0)
