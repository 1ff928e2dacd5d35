#include "storage/FileSystemKind.h"

#include <array>
#include <string>
#include <utility>

namespace {

constexpr std::array<std::pair<FileSystemKind, std::string_view>, 5> kTexts{{
    {FileSystemKind::Ntfs, "NTFS"},
    {FileSystemKind::Fat12, "FAT12"},
    {FileSystemKind::Fat16, "FAT16"},
    {FileSystemKind::Fat32, "FAT32"},
    {FileSystemKind::Unknown, "UNKNOWN"},
}};

}  // namespace

std::string_view FileSystemKindText(FileSystemKind kind) {
  for (const auto& [k, text] : kTexts)
    if (k == kind) return text;
  return {};
}

FileSystemKind ParseFileSystemKind(std::string_view text) {
  if (text.empty()) return FileSystemKind::None;
  for (const auto& [k, t] : kTexts)
    if (t == text) return k;
  return FileSystemKind::Unknown;
}

FileSystemKind ParseFileSystemKind(std::u16string_view text) {
  std::string narrow;
  for (char16_t c : text) {
    if (c > 0x7F) return FileSystemKind::Unknown;
    narrow.push_back(static_cast<char>(c));
  }
  return ParseFileSystemKind(narrow);
}
