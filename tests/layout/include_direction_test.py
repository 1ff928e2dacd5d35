#!/usr/bin/env python3
"""Every quoted include in the program's folders points down the layer order, never up it, never
from one page into another, and never from wx-free code into a wx folder. Prints each offending
file and line and fails when there is one."""
import os
import re
import sys

# Lowest first. A path belongs to the longest folder of this list that holds it; a file may
# include files of its own entry and of entries before it.
ORDER = [
    "platform",
    "prompts",
    "storage/vdisk",
    "storage/vdisk/parallels",
    "storage/vdisk/vdi",
    "storage/vdisk/vhdx",
    "storage/vdisk/vmdk",
    "storage",
    "storage/partitions",
    "storage/ntfs",
    "storage/fat",
    "engine/records",
    "engine/worker",
    "engine/scanlog",
    "engine/scans",
    "engine",
    "saving/extract",
    "saving/imaging",
    "saving/settings",
    "saving/copywalk",
    "saving",
    "results",
    "widgets",
    "widgets/unreferenced",
    "dialogs",
    "pages",
    "app",
]
RANK = {folder: i for i, folder in enumerate(ORDER)}
TOPS = {folder.split("/")[0] for folder in ORDER}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')


def entry(path):
    """The ORDER entry a source path (or include) belongs to, with wx/ folders removed."""
    parts = [p for p in os.path.dirname(path).split("/") if p and p != "wx"]
    for n in range(len(parts), 0, -1):
        folder = "/".join(parts[:n])
        if folder in RANK:
            return folder
    return None


def page_of(path):
    """The page folder (pages/<page>) a path lies in, or None for the pages' shared files."""
    parts = path.split("/")
    if len(parts) > 2 and parts[0] == "pages" and parts[1] != "wx":
        return parts[1]
    return None


def is_wx(path):
    return "/wx/" in "/" + path


def problems(root):
    for top in sorted(TOPS):
        for dirpath, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(dirpath, name), root)
                own = entry(path)
                if own is None:
                    yield path, 0, "lies in a folder the layer order does not name"
                    continue
                with open(os.path.join(root, path), encoding="utf-8") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        kind, target = m.groups()
                        if kind == "<":
                            if target.startswith("wx/") and not is_wx(path):
                                yield path, number, f"wx-free code includes <{target}>"
                            continue
                        target_entry = entry(target)
                        if target_entry is None:
                            continue  # a header beside the file or outside the program's folders
                        if is_wx(target) and not is_wx(path):
                            yield path, number, f"wx-free code includes {target}"
                        if RANK[target_entry] > RANK[own]:
                            yield path, number, f"{own} includes {target}, which lies above it"
                        elif (RANK[target_entry] == RANK[own] and own == "pages"
                              and page_of(target) and page_of(target) != page_of(path)):
                            yield path, number, f"one page includes another: {target}"


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    found = list(problems(os.path.abspath(root)))
    for path, number, what in found:
        print(f"{path}:{number}: {what}")
    print(f"{len(found)} include(s) against the layer order")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
