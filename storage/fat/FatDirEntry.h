// One 32-byte FAT directory entry, read field by field from the directory bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/ByteOrder.h"

class FatDirEntry {
 public:
  static constexpr uint8_t kDirectory = 0x10;
  static constexpr uint8_t kLongName = 0x0F;
  static constexpr uint8_t kDeletedMark = 0xE5;

  // entry must hold 32 bytes; fields past a shorter span read as 0.
  explicit FatDirEntry(std::span<const std::byte> entry) : m_E(entry) {}

  uint8_t FirstByte() const { return bo::Load8(m_E, 0); }
  uint8_t Attributes() const { return bo::Load8(m_E, 11); }
  bool IsEndMark() const { return FirstByte() == 0; }
  bool IsDeleted() const { return FirstByte() == kDeletedMark; }
  bool IsLongName() const { return Attributes() == kLongName; }
  bool IsDirectory() const { return (Attributes() & kDirectory) != 0; }
  // "." or ".." (first byte '.', fourth byte blank).
  bool IsDotEntry() const { return FirstByte() == '.' && bo::Load8(m_E, 3) == ' '; }

  // The 8.3 name as stored: name bytes that are not blanks, then "." and the extension's bytes
  // that are not blanks when the extension's first byte is not blank. A deleted entry's first
  // byte becomes '_'; a leading 0x05 (a name that really starts with 0xE5) becomes 0xE5. The
  // case flags of byte 12 (0x08 name, 0x10 extension in lower case) are applied, so a name saved
  // as "deep.txt" without a long name comes back as "deep.txt".
  std::string ShortName() const;

  // The first cluster: the low word alone on FAT12/16, with the high word on FAT32.
  uint32_t Cluster(int fatBits) const {
    const uint32_t low = bo::LoadLe16(m_E, 26);
    return fatBits == 32 ? (uint32_t{bo::LoadLe16(m_E, 20)} << 16) | low : low;
  }
  uint32_t Size() const { return bo::LoadLe32(m_E, 28); }
  uint16_t CreationTime() const { return bo::LoadLe16(m_E, 14); }
  uint16_t CreationDate() const { return bo::LoadLe16(m_E, 16); }
  uint16_t AccessDate() const { return bo::LoadLe16(m_E, 18); }
  uint16_t WriteTime() const { return bo::LoadLe16(m_E, 22); }
  uint16_t WriteDate() const { return bo::LoadLe16(m_E, 24); }

 private:
  std::span<const std::byte> m_E;
};

// True when a directory's first cluster starts with its "." entry and a ".." entry follows:
// bytes 0, 1 are '.', ' ' and bytes 32, 33, 34 are '.', '.', ' '.
bool StartsWithDotEntries(std::span<const std::byte> firstSector);
