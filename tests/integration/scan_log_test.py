#!/usr/bin/env python3
"""Scan logs of real scans reload to the same lists.

For every fixture volume and mode, scan-dump scans the image and saves the scan log
(--save-log), then a second scan-dump restores the lists from that log alone (--load-log). Both
print the same sorted lines, so every folder and file must come back with its deleted state, size,
id and place in the tree. A combination whose scan does not exist yet (scan-dump exits 3) is
skipped; the test skips as a whole only when no combination could run.
"""
import os
import subprocess
import sys
import tempfile
from testkit import skip  # noqa: E402

TOOLS = os.environ.get("MERROWIND_TOOLS_DIR", "")
FIXTURES = os.environ.get("MERROWIND_FIXTURE_DIR", "")
DUMP = os.path.join(TOOLS, "scan-dump")


if not os.access(DUMP, os.X_OK):
    skip("scan-dump not built in " + TOOLS)

FAT = [("fat12.img", "FAT12"), ("fat16-s1.img", "FAT16"), ("fat16-s8.img", "FAT16"),
       ("fat16-s64.img", "FAT16"), ("fat32-s1.img", "FAT32"), ("fat32-s8.img", "FAT32"),
       ("fat32-s64.img", "FAT32")]
NTFS = [("ntfs-c512.img", "NTFS"), ("ntfs-c4096.img", "NTFS")]

CASES = []
for name, fs in FAT:
    for mode in ("deleted", "formatted"):
        CASES.append((os.path.join("fat", name), fs, mode, []))
for name, fs in NTFS:
    for mode in ("deleted", "formatted"):
        CASES.append((os.path.join("ntfs", name), fs, mode, []))
# Partition recovery over a whole partitioned disk: the log then carries the partition section.
for fs in ("FAT32", "NTFS"):
    CASES.append((os.path.join("disks", "mbr.img"), fs, "partition", []))
# Saved from the results page after the second pass (no found records in the log): the loaded
# lists must come through the second pass that follows Load Log unchanged.
for fs, chosen in (("FAT32", 1), ("FAT32", 2), ("NTFS", 1)):
    CASES.append((os.path.join("disks", "mbr.img"), fs, "partition",
                  ["--choose", str(chosen), "--save-results-log"]))

ran, skipped, failures = 0, [], []
with tempfile.TemporaryDirectory(prefix="merrowind-scanlog-") as tmp:
    for i, (rel, fs, mode, extra) in enumerate(CASES):
        label = "%s %s %s %s" % (rel, fs, mode, " ".join(extra))
        image = os.path.join(FIXTURES, rel)
        if not os.path.exists(image):
            skipped.append(label + ": fixture missing")
            continue
        log = os.path.join(tmp, "scan%d.kvsl" % i)
        save = extra[2:] if extra[2:] else ["--save-log"]
        scan = subprocess.run([DUMP, "--image", image, "--fs", fs, "--mode", mode] + extra[:2] +
                              save + [log], capture_output=True, text=True)
        if scan.returncode == 3:
            skipped.append(label + ": " + (scan.stderr.strip().splitlines() or [""])[-1])
            continue
        if not os.path.exists(log):
            failures.append(label + ": no log saved (exit %d): %s" % (scan.returncode, scan.stderr))
            continue
        load = subprocess.run([DUMP, "--load-log", log], capture_output=True, text=True)
        ran += 1
        if load.returncode != 0:
            failures.append(label + ": load failed (exit %d): %s" % (load.returncode, load.stderr))
        elif load.stdout != scan.stdout:
            a, b = scan.stdout.splitlines(), load.stdout.splitlines()
            only_scan = sorted(set(a) - set(b))[:10]
            only_log = sorted(set(b) - set(a))[:10]
            failures.append("%s: lists differ\n  only in the scan: %s\n  only in the log: %s"
                            % (label, only_scan, only_log))

for s in skipped:
    print("skipped:", s)
for f in failures:
    print("FAIL:", f)
if failures:
    sys.exit(1)
if ran == 0:
    skip("no scan could run: " + "; ".join(skipped[:3]))
print("%d scans reloaded from their logs to identical lists" % ran)
