#!/usr/bin/env python3
"""The include checker on a small tree laid out like the program: each wrong include planted into
it is reported at its line, and each right one passes. CMake is configured once, as for the real
tree; the includes are planted one at a time."""
import os
import shutil
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import include_rules  # noqa: E402

CMAKE_LISTS = """\
cmake_minimum_required(VERSION 3.25)
project(LayeredTree LANGUAGES CXX)
function(layer dir)
  string(REPLACE "/" "_" name "${dir}")
  set(deps ${ARGN})
  list(TRANSFORM deps REPLACE "/" "_")
  file(GLOB sources "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC ${deps})
endfunction()
layer(platform)
layer(storage platform)
layer(storage/ntfs storage)
layer(storage/fat storage)
layer(storage/vdisk platform)
layer(storage/vdisk/qcow storage/vdisk)
layer(storage/vdisk/qed storage/vdisk/qcow)
layer(storage/vdisk/vhd storage/vdisk)
layer(engine/worker platform)
layer(engine storage/ntfs storage/fat engine/worker)
layer(widgets platform)
layer(widgets/wx widgets)
layer(pages/copy widgets engine)
layer(pages/copy/wx pages/copy widgets/wx)
layer(pages/results engine)
layer(pages/results/wx pages/results widgets/wx)
add_executable(app app/wx/main/Main.cpp)
target_link_libraries(app PRIVATE pages_copy_wx pages_results_wx)
add_subdirectory(res)
add_subdirectory(tests)
"""

# Each library folder holds Name.cpp and Name.h; the executables' files are listed on their own.
LIBRARY_FILES = [
    "platform/Clock", "storage/Sectors", "storage/ntfs/Mft", "storage/fat/Chain",
    "storage/vdisk/Reader", "storage/vdisk/qcow/Qcow", "storage/vdisk/qed/Qed",
    "storage/vdisk/vhd/Vhd", "engine/worker/Job", "engine/Scan", "widgets/Label",
    "widgets/wx/LabelCtrl", "pages/copy/CopyTexts", "pages/copy/wx/CopyPage",
    "pages/results/ResultRows", "pages/results/wx/ResultsPage",
]
OTHER_FILES = {
    "app/wx/main/Main.cpp": "",
    "res/CMakeLists.txt": "add_executable(generator Generator.cpp)\n",
    "res/Generator.cpp": "",
    "tests/CMakeLists.txt": "add_executable(unit Unit.cpp)\n"
                            "target_link_libraries(unit PRIVATE pages_copy_wx pages_results_wx)\n",
    "tests/Unit.cpp": "",
    "tests/Helper.h": "",
    "notes/Sketch.h": "",
}

# (file, include line, why it is wrong)
WRONG = [
    ("storage/Sectors.cpp", '#include "engine/Scan.h"', "a library includes one above it"),
    ("storage/ntfs/Mft.h", '#include "engine/Scan.h"', "a header includes one above it"),
    ("storage/Sectors.cpp", "#include <engine/Scan.h>", "angle brackets around a project header"),
    ("storage/ntfs/Mft.cpp", '#include "../../engine/Scan.h"', "a relative path up the layers"),
    ("storage/ntfs/Mft.cpp", '#include "../fat/Chain.h"', "a relative path to a sibling"),
    ("storage/fat/Chain.cpp", '#include "storage/ntfs/Mft.h"', "a sibling that is not linked"),
    ("engine/worker/Job.cpp", '#include "storage/Sectors.h"', "a lower library that is not linked"),
    ("pages/copy/CopyTexts.cpp", '#include "pages/results/ResultRows.h"', "one page into another"),
    ("pages/copy/wx/CopyPage.cpp", '#include "pages/results/wx/ResultsPage.h"',
     "one page's window into another's"),
    ("pages/copy/CopyTexts.cpp", '#include "wx/CopyPage.h"', "a page's logic into its window"),
    ("pages/copy/CopyTexts.cpp", "#include <pages/copy/wx/CopyPage.h>",
     "a page's logic into its window, in angle brackets"),
    ("widgets/Label.cpp", '#include "widgets/wx/LabelCtrl.h"', "a control's maths into its window"),
    ("engine/Scan.cpp", "#include <wx/string.h>", "wx-free code includes the toolkit"),
    ("engine/Scan.h", '#  include "wx/window.h"', "wx-free code includes the toolkit, quoted"),
    ("storage/vdisk/Reader.cpp", '#include "storage/vdisk/qcow/Qcow.h"',
     "the virtual-disk base includes one format"),
    ("storage/vdisk/vhd/Vhd.cpp", '#include "storage/vdisk/qcow/Qcow.h"',
     "one virtual-disk format includes another it does not link"),
    ("res/Generator.cpp", '#include "widgets/Label.h"', "the bitmap tool includes a library"),
    ("app/wx/main/Main.cpp", '#include "tests/Helper.h"', "program code includes test code"),
    ("engine/Scan.cpp", '#include "notes/Sketch.h"', "a header no library holds"),
]

# (file, include line, why it is right)
RIGHT = [
    ("storage/ntfs/Mft.cpp", '#include "storage/Sectors.h"', "a linked library"),
    ("engine/Scan.cpp", '#include "platform/Clock.h"', "a library linked through another"),
    ("storage/ntfs/Mft.cpp", "#include <storage/Sectors.h>", "a linked library in angle brackets"),
    ("storage/ntfs/Mft.cpp", '#include "Mft.h"', "the header beside it"),
    ("storage/vdisk/qed/Qed.cpp", '#include "storage/vdisk/qcow/Qcow.h"', "a format it links"),
    ("storage/vdisk/qed/Qed.cpp", '#include "../qcow/Qcow.h"', "a format it links, relative"),
    ("pages/copy/wx/CopyPage.cpp", '#include "pages/copy/CopyTexts.h"', "a window its logic"),
    ("pages/copy/wx/CopyPage.cpp", '#include "widgets/wx/LabelCtrl.h"', "a window a control"),
    ("pages/copy/wx/CopyPage.cpp", "#include <wx/frame.h>", "a window the toolkit"),
    ("app/wx/main/Main.cpp", '#include "pages/results/wx/ResultsPage.h"', "main a page"),
    ("engine/Scan.cpp", "#include <vector>", "a standard header"),
    ("res/Generator.cpp", '#include "ft2build.h"', "a system header in quotes"),
    ("engine/Scan.cpp", '// #include "pages/copy/CopyTexts.h"', "an include commented out"),
]


class IncludeRulesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="layered-tree-")
        files = dict(OTHER_FILES, **{"CMakeLists.txt": CMAKE_LISTS})
        for stem in LIBRARY_FILES:
            files[stem + ".cpp"] = f'#include "{stem}.h"\n'
            files[stem + ".h"] = "#pragma once\n"
        for path, text in files.items():
            os.makedirs(os.path.join(cls.root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(cls.root, path), "w", encoding="utf-8") as f:
                f.write(text)
        cls.graph = include_rules.configure(cls.root)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root)

    def problems_with(self, path, line):
        """The checker's findings on the tree with one line added at the end of path."""
        full = os.path.join(self.root, path)
        with open(full, encoding="utf-8") as f:
            before = f.read()
        try:
            with open(full, "w", encoding="utf-8") as f:
                f.write(before + line + "\n")
            return include_rules.problems(self.root, self.graph), before.count("\n") + 1
        finally:
            with open(full, "w", encoding="utf-8") as f:
                f.write(before)

    def test_untouched_tree_passes(self):
        self.assertEqual(include_rules.problems(self.root, self.graph), [])

    def test_wrong_includes_are_reported_at_their_line(self):
        for path, line, why in WRONG:
            with self.subTest(why, line=line):
                found, number = self.problems_with(path, line)
                self.assertTrue(found, "nothing reported")
                self.assertEqual({(p.path, p.line) for p in found}, {(path, number)},
                                 "\n".join(map(str, found)))

    def test_right_includes_pass(self):
        for path, line, why in RIGHT:
            with self.subTest(why, line=line):
                found, _ = self.problems_with(path, line)
                self.assertEqual(found, [], "\n".join(map(str, found)))

    def test_file_in_a_folder_no_library_compiles_is_reported(self):
        stray = os.path.join(self.root, "storage", "spare", "Spare.h")
        os.makedirs(os.path.dirname(stray))
        try:
            open(stray, "w").close()
            found = include_rules.problems(self.root, self.graph)
        finally:
            shutil.rmtree(os.path.dirname(stray))
        self.assertEqual([(p.path, p.line) for p in found], [("storage/spare/Spare.h", 0)])


if __name__ == "__main__":
    unittest.main()
