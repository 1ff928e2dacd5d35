// The texts every dialog's look reads: the caption and the folder of the interface bitmaps. The
// program's start-up fills them (the title "Software Dovrane Merrowind" and the installed or
// build-tree bitmap folder); pages that add a mode suffix rewrite g_AppTitle.
#pragma once

#include <string>
#include <string_view>

// Caption of every page and box (UTF-8).
extern std::string g_AppTitle;
// Folder of every button strip and picture, without a trailing slash.
extern std::string g_BitmapFolder;

// Back to the values before start-up (empty texts); tests call it.
void ResetLookGlobals();

// The path of one bitmap: the folder joined with a name written as the pages write it, with its
// leading backslash ("\ok.bmp"). Backslashes become slashes so the name works on this system.
std::string BitmapPath(std::string_view folder, std::string_view name);
