#!/usr/bin/env python3
"""Every include of the program's code reaches only its own library and the libraries that one
links, as CMake builds them, and wx-free code includes no wx header and nothing under a wx/ folder.
Prints each offending file and line and fails when there is one.

    include_direction_test.py [SOURCE_ROOT]

CMake is asked for its code model in a scratch folder: CMAKE_COMMAND in the environment names the
cmake to run, CMAKE_GENERATOR the generator it uses."""
import os
import sys

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import include_rules  # noqa: E402


def main(argv):
    root = os.path.abspath(argv[0] if argv else os.path.join(os.path.dirname(__file__), "..", ".."))
    # The layers are those of the full program, toolkit included, whatever this build leaves out.
    options = ["-DMERROWIND_GUI=ON", "-DMERROWIND_FUZZ=OFF", "-DMERROWIND_BENCH=OFF"]
    try:
        graph = include_rules.configure(root, options)
    except include_rules.CMakeError as e:
        print(e)
        return 1
    found = include_rules.problems(root, graph)
    for problem in found:
        print(problem)
    print(f"{len(include_rules.layered_files(root, graph))} files checked, "
          f"{len(found)} include(s) against the libraries' links")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
