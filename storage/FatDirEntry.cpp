#include "storage/FatDirEntry.h"

std::string FatDirEntry::ShortName() const {
  std::string name;
  name.reserve(12);
  for (size_t i = 0; i < 8; ++i) {
    uint8_t c = bo::Load8(e_, i);
    if (i == 0 && c == kDeletedMark) c = '_';
    if (i == 0 && c == 0x05) c = kDeletedMark;
    if (c != ' ') name.push_back(static_cast<char>(c));
  }
  if (bo::Load8(e_, 8) != ' ') {
    name.push_back('.');
    for (size_t i = 8; i < 11; ++i) {
      const uint8_t c = bo::Load8(e_, i);
      if (c != ' ') name.push_back(static_cast<char>(c));
    }
  }
  return name;
}

bool StartsWithDotEntries(std::span<const std::byte> s) {
  return bo::Load8(s, 0) == '.' && bo::Load8(s, 1) == ' ' && bo::Load8(s, 32) == '.' &&
         bo::Load8(s, 33) == '.' && bo::Load8(s, 34) == ' ';
}
