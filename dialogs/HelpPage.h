// The help command and the install folder on PATH. Help is a web page of the maker: the program
// has no local help file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Appends the install folder (the "FilePath" value of the program's own key) to PATH, for the
// programs the help command and the source tree start. Only an absolute folder is appended,
// after ":", and only when PATH is set and shorter than 2048 characters: an empty entry would put
// the current folder on PATH.
void AppendInstallFolderToPath();

// The new PATH for an old one and a folder, or nothing when it stays as it is.
std::optional<std::string> PathWithInstallFolder(std::string_view oldPath, std::string_view folder);

// Appends the install folder to PATH, then opens the maker's help page; false when the desktop
// could not open it (nothing is shown then).
bool OpenHelpWebPage();
