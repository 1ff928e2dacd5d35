#include "dialogs/FileDialogRules.h"

#include "platform/Utf16Length.h"

bool FitsFileBuffer(std::string_view path) {
  return Utf16Length(path) < kFileBufferChars;
}

std::string WildcardFromFilters(const std::vector<FileFilter>& filters) {
  std::string wildcard;
  for (const FileFilter& f : filters) {
    if (!wildcard.empty()) wildcard += '|';
    wildcard += f.description + '|' + f.pattern;
  }
  return wildcard;
}

FilePathParts SplitFilePath(std::string_view path) {
  FilePathParts parts;
  const size_t slash = path.rfind('/');
  std::string_view file = path;
  if (slash != std::string_view::npos) {
    parts.dir = std::string(path.substr(0, slash + 1));
    file = path.substr(slash + 1);
  }
  const size_t dot = file.rfind('.');
  if (dot != std::string_view::npos && dot > 0) {
    parts.name = std::string(file.substr(0, dot));
    parts.ext = std::string(file.substr(dot));
  } else {
    parts.name = std::string(file);
  }
  return parts;
}

std::string NextPathName(std::string_view selection, size_t& pos) {
  if (pos != 0) {
    pos = std::string::npos;
    return {};
  }
  pos = std::string::npos;
  return std::string(selection);
}
