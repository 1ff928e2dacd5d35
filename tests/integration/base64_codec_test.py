#!/usr/bin/env python3
"""The program's Base64 file coder against coreutils base64 on the same bytes: our encoding, with
its CR LF line ends as LF, is what `base64 -w 76` prints; we decode what coreutils wrote at line
widths that break groups (61) or put everything on one line; coreutils decodes what we wrote."""
import os
import random
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from testkit import check, failures, skip  # noqa: E402

TOOL = os.path.join(os.environ.get("MERROWIND_TOOLS_DIR", ""), "base64-file")
if not shutil.which("base64"):
    skip("coreutils base64 is not installed")
if not os.access(TOOL, os.X_OK):
    skip("base64-file not built")


def coder(mode, source, target):
    return subprocess.run([TOOL, mode, source, target], capture_output=True).returncode


def coreutils(*args, data):
    return subprocess.run(["base64", *args], input=data, capture_output=True, check=True).stdout


rng = random.Random(4648)
SIZES = [0, 1, 2, 3, 56, 57, 58, 114, 1000, 70001]

with tempfile.TemporaryDirectory() as tmp:
    plain_path = os.path.join(tmp, "plain")
    text_path = os.path.join(tmp, "text")
    out_path = os.path.join(tmp, "out")
    for size in SIZES:
        plain = bytes(rng.randrange(256) for _ in range(size))
        with open(plain_path, "wb") as f:
            f.write(plain)

        check(coder("encode", plain_path, text_path) == 0, f"{size}: encode")
        with open(text_path, "rb") as f:
            ours = f.read()
        theirs = coreutils("-w", "76", data=plain)
        # coreutils ends every text with a line end; ours ends one only after a full line.
        check(ours.replace(b"\r\n", b"\n").rstrip(b"\n") == theirs.rstrip(b"\n"),
              f"{size}: encoding differs from base64 -w 76")
        check(coreutils("-d", "-i", data=ours) == plain, f"{size}: base64 -d of ours")

        for width in ("76", "61", "0"):
            with open(text_path, "wb") as f:
                f.write(coreutils("-w", width, data=plain))
            check(coder("decode", text_path, out_path) == 0, f"{size}: decode -w {width}")
            with open(out_path, "rb") as f:
                check(f.read() == plain, f"{size}: decoding base64 -w {width} output")

    missing = os.path.join(tmp, "missing")
    check(coder("encode", missing, out_path) == 3, "a missing source is a failure")
    check(coder("decode", missing, out_path) == 3, "a missing source is a failure")
    check(coder("encode", plain_path, os.path.join(missing, "x")) == 1,
          "a target that cannot be created is a failure")

if failures:
    sys.exit(1)
print("ok")
