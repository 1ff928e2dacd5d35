// The file systems the program knows. Inside the program a file system is this enum; its text
// ("NTFS", "FAT32", ...) exists only where a page shows it or the scan log stores it, and is
// converted here and nowhere else.
#pragma once

#include <cstdint>
#include <string_view>

enum class FileSystemKind : uint8_t {
  None,     // no source chosen yet
  Ntfs,
  Fat12,
  Fat16,
  Fat32,
  Unknown,  // a volume the program does not recognise
};

// "NTFS", "FAT12", "FAT16", "FAT32", "UNKNOWN", or "" for None.
std::string_view FileSystemKindText(FileSystemKind kind);

// The kind a text names, exactly as FileSystemKindText writes it; "" is None and any other
// text Unknown.
FileSystemKind ParseFileSystemKind(std::string_view text);
FileSystemKind ParseFileSystemKind(std::u16string_view text);

inline bool IsFatKind(FileSystemKind kind) {
  return kind == FileSystemKind::Fat12 || kind == FileSystemKind::Fat16 ||
         kind == FileSystemKind::Fat32;
}
