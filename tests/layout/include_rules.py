"""What an include may reach, as CMake builds the program.

CMake itself says which library holds which source file and which libraries each one links: the
checker configures the tree once into a scratch folder with a code-model query (no build) and reads
the reply. A header belongs to the library whose sources share its folder.

Every include is resolved to a real file the way the compiler finds it: the including file's folder
first, then the repository root. An include that resolves to neither is a system header. A resolved
file must belong to the includer's own library or to one it links, directly or through another; a
file outside every wx/ folder must not include a wx header nor any file under a wx/ folder.

Standard library only.
"""

from __future__ import annotations

import json
import os
import re
import subprocess
import tempfile
from dataclasses import dataclass, field

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c", ".inc")
# Folders of test drivers and benchmarks: they link everything and are not layered.
UNLAYERED_TOPS = ("tests", "bench")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')


class CMakeError(RuntimeError):
    pass


@dataclass
class BuildGraph:
    """Which targets compile which files and which targets each one reaches through its links."""

    sources: dict[str, set[str]] = field(default_factory=dict)  # file -> targets compiling it
    folders: dict[str, set[str]] = field(default_factory=dict)  # folder -> targets with sources there
    links: dict[str, set[str]] = field(default_factory=dict)  # target -> every target it reaches
    layered: set[str] = field(default_factory=set)  # targets outside tests/ and bench/

    def add_target(self, name: str, files: list[str], depends: list[str], layered: bool) -> None:
        self.links.setdefault(name, set()).update(depends)
        if layered:
            self.layered.add(name)
        for path in files:
            self.sources.setdefault(path, set()).add(name)
            self.folders.setdefault(os.path.dirname(path), set()).add(name)

    def close_links(self) -> None:
        """Follows links through links, so each target names everything it can reach."""
        done: dict[str, set[str]] = {}

        def reach(name: str, path: tuple[str, ...]) -> set[str]:
            if name in done:
                return done[name]
            found: set[str] = set()
            for dep in self.links.get(name, ()):
                found.add(dep)
                if dep not in path:
                    found |= reach(dep, path + (dep,))
            done[name] = found
            return found

        for name in list(self.links):
            reach(name, (name,))
        self.links = done

    def owners(self, path: str) -> set[str]:
        """The targets a repository file belongs to: those compiling it, else those compiling a
        file in its folder."""
        return self.sources.get(path) or self.folders.get(os.path.dirname(path), set())

    def scanned_tops(self) -> list[str]:
        """The top-level folders holding a layered target's source."""
        tops = {path.split("/")[0] for path, names in self.sources.items()
                if "/" in path and names & self.layered}
        return sorted(tops)


def read_code_model(reply_dir: str, source_root: str) -> BuildGraph:
    """Reads CMake's code-model reply (cmake-file-api, codemodel v2) into a BuildGraph."""
    indexes = sorted(n for n in os.listdir(reply_dir) if n.startswith("index-"))
    if not indexes:
        raise CMakeError(f"no code-model reply in {reply_dir}")
    with open(os.path.join(reply_dir, indexes[-1]), encoding="utf-8") as f:
        index = json.load(f)
    codemodel = next(o for o in index["objects"] if o["kind"] == "codemodel")
    with open(os.path.join(reply_dir, codemodel["jsonFile"]), encoding="utf-8") as f:
        model = json.load(f)
    config = model["configurations"][0]
    graph = BuildGraph()
    root = os.path.realpath(source_root)
    names = {t["id"]: t["name"] for t in config["targets"]}
    for entry in config["targets"]:
        with open(os.path.join(reply_dir, entry["jsonFile"]), encoding="utf-8") as f:
            target = json.load(f)
        files = []
        for source in target.get("sources", []):
            if source.get("isGenerated"):
                continue
            path = source["path"]
            if os.path.isabs(path):
                path = os.path.relpath(os.path.realpath(path), root)
            if not path.startswith(".."):
                files.append(path)
        defined_in = config["directories"][entry["directoryIndex"]]["source"]
        layered = defined_in.split("/")[0] not in UNLAYERED_TOPS
        depends = [names[d["id"]] for d in target.get("dependencies", []) if d["id"] in names]
        graph.add_target(target["name"], files, depends, layered)
    graph.close_links()
    return graph


def configure(source_root: str, options: list[str] | None = None) -> BuildGraph:
    """Configures source_root into a scratch folder with a code-model query and reads the reply.
    Runs the cmake CMAKE_COMMAND names in the environment, else the one on the path."""
    cmake = os.environ.get("CMAKE_COMMAND", "cmake")
    with tempfile.TemporaryDirectory(prefix="include-rules-") as build:
        query = os.path.join(build, ".cmake", "api", "v1", "query")
        os.makedirs(query)
        open(os.path.join(query, "codemodel-v2"), "w").close()
        run = subprocess.run([cmake, "-S", source_root, "-B", build, *(options or [])],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if run.returncode != 0:
            raise CMakeError(f"cmake could not configure {source_root}:\n{run.stdout}")
        return read_code_model(os.path.join(build, ".cmake", "api", "v1", "reply"), source_root)


def is_wx_file(path: str) -> bool:
    return "wx" in path.split("/")[:-1]


def resolve(root: str, includer: str, target: str) -> str | None:
    """The repository file an include names (relative to root), or None for a system header."""
    for base in (os.path.dirname(includer), ""):
        candidate = os.path.normpath(os.path.join(base, target))
        if candidate.startswith("..") or os.path.isabs(candidate):
            continue
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


@dataclass(frozen=True)
class Problem:
    path: str
    line: int
    what: str

    def __str__(self) -> str:
        return f"{self.path}:{self.line}: {self.what}"


def names(targets: set[str]) -> str:
    return ", ".join(sorted(targets))


def check_file(root: str, graph: BuildGraph, path: str) -> list[Problem]:
    """The wrong includes of one repository file."""
    own = graph.owners(path)
    if not own:
        return [Problem(path, 0, "lies in a folder no library compiles")]
    found = []
    with open(os.path.join(root, path), encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            written = m.group(2)
            target = resolve(root, path, written)
            if target is None:
                if written.startswith("wx/") and not is_wx_file(path):
                    found.append(Problem(path, number, f"wx-free code includes <{written}>"))
                continue
            shown = target if target == written else f"{written} ({target})"
            if is_wx_file(target) and not is_wx_file(path):
                found.append(Problem(path, number, f"wx-free code includes {shown}"))
            theirs = graph.owners(target)
            if not theirs:
                found.append(Problem(path, number, f"includes {shown}, which no library holds"))
                continue
            for mine in sorted(own):
                if mine not in theirs and not theirs & graph.links.get(mine, set()):
                    found.append(Problem(path, number, f"{mine} includes {shown} of "
                                         f"{names(theirs)}, which it does not link"))
    return found


def layered_files(root: str, graph: BuildGraph) -> list[str]:
    """Every source and header under the top-level folders of the layered targets."""
    files = []
    for top in graph.scanned_tops():
        for dirpath, dirnames, filenames in os.walk(os.path.join(root, top)):
            dirnames.sort()
            for name in sorted(filenames):
                if name.endswith(SOURCE_SUFFIXES):
                    files.append(os.path.relpath(os.path.join(dirpath, name), root))
    return files


def problems(root: str, graph: BuildGraph) -> list[Problem]:
    root = os.path.realpath(root)
    found = []
    for path in layered_files(root, graph):
        found.extend(check_file(root, graph, path))
    return found
