// The start-up globals of the application: its texts and its own registry key. InitAppGlobals
// fills them once at start-up (with the caption in widgets/LookGlobals.h); pages read them.
#pragma once

#include <string>
#include <string_view>

// 'F' on the old consumer family of the first platform, 'N' otherwise: always 'N' here.
extern char g_OsFamily;
// Caption of the boxes shown before the program ends after a failed allocation.
extern std::string g_ProductCaption;
// A copy of g_AppTitle taken last at start-up; pages restore g_AppTitle from it before they add
// their mode suffix.
extern std::string g_AppTitleCopy;
// "Version 4.0", shown by the about box.
extern std::string g_VersionText;
// The program's own key below HKEY_CLASSES_ROOT; its "FilePath" value names the install folder.
extern std::string g_OwnRegistryKey;

inline constexpr std::string_view kProductTitle = "Software Dovrane Merrowind";

// Fills the globals above, g_BitmapFolder with bitmapFolder and g_AppTitle, in the order the
// program always did: bitmap folder, registry key, product caption, title, version, title copy.
void InitAppGlobals(std::string_view bitmapFolder);

// Back to the values before start-up (tests).
void ResetAppGlobals();
