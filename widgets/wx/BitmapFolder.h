// Where the program's bitmaps are: the build tree's data folder when the program runs from its
// build tree, else the installed data folder (<prefix>/share/softdovrane/merrowind). Start-up
// puts the answer into g_BitmapFolder.
#pragma once

#include <string>

std::string DefaultBitmapFolder();
