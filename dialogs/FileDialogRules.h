// The rules of the file dialog wrapper that need no window: its filter list, the length of the
// path buffer, and the pieces a chosen path splits into.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Flags the callers pass, with their old values.
inline constexpr long kOfnOverwritePrompt = 0x2;
inline constexpr long kOfnHideReadOnly = 0x4;
inline constexpr long kOfnAllowMultiSelect = 0x200;
inline constexpr long kOfnExtensionDifferent = 0x400;
inline constexpr long kOfnPathMustExist = 0x800;
inline constexpr long kOfnFileMustExist = 0x1000;
inline constexpr long kOfnExplorer = 0x80000;
inline constexpr long kOfnForceShowHidden = 0x10000000;
// What the wrapper adds to every caller's flags.
inline constexpr long kOfnAlwaysAdded =
    kOfnHideReadOnly | kOfnExtensionDifferent | kOfnExplorer | kOfnForceShowHidden;

// The chosen path must fit a buffer of 260 characters with its terminator.
inline constexpr size_t kFileBufferChars = 260;
bool FitsFileBuffer(std::string_view path);

struct FileFilter {
  std::string description;
  std::string pattern;  // one or more patterns joined by ";"
};
// The toolkit's wildcard text: "description|pattern|..." ("" for no filters).
std::string WildcardFromFilters(const std::vector<FileFilter>& filters);

struct FilePathParts {
  std::string drive;  // always empty here: paths have no drive letter
  std::string dir;    // with its trailing "/"
  std::string name;   // without the extension
  std::string ext;    // with its dot, "" when there is none
};
// Splits at the last "/" and at the last "." of the name ("." leading a name is no extension).
FilePathParts SplitFilePath(std::string_view path);

// Walks a selection: returns the whole path at the start and ends the walk (pos becomes npos),
// since the dialogs select one file.
std::string NextPathName(std::string_view selection, size_t& pos);
