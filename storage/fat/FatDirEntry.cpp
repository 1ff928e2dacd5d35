#include "storage/fat/FatDirEntry.h"

namespace {

// Lower case of a code page 437 letter; other bytes stay as they are.
uint8_t LowerCp437(uint8_t c) {
  if (c >= 'A' && c <= 'Z') return static_cast<uint8_t>(c + ('a' - 'A'));
  switch (c) {
    case 0x80:
      return 0x87;  // Ç
    case 0x8E:
      return 0x84;  // Ä
    case 0x8F:
      return 0x86;  // Å
    case 0x90:
      return 0x82;  // É
    case 0x92:
      return 0x91;  // Æ
    case 0x99:
      return 0x94;  // Ö
    case 0x9A:
      return 0x81;  // Ü
    case 0xA5:
      return 0xA4;  // Ñ
    default:
      return c;
  }
}

}  // namespace

std::string FatDirEntry::ShortName() const {
  std::string name;
  name.reserve(12);
  // Names written as lower case by later systems keep only these two flags.
  const uint8_t caseFlags = bo::Load8(m_E, 12);
  const bool lowerBase = (caseFlags & 0x08) != 0;
  const bool lowerExtension = (caseFlags & 0x10) != 0;
  for (size_t i = 0; i < 8; ++i) {
    uint8_t c = bo::Load8(m_E, i);
    if (i == 0 && c == kDeletedMark) c = '_';
    if (i == 0 && c == 0x05) c = kDeletedMark;
    if (c != ' ') name.push_back(static_cast<char>(lowerBase ? LowerCp437(c) : c));
  }
  if (bo::Load8(m_E, 8) != ' ') {
    name.push_back('.');
    for (size_t i = 8; i < 11; ++i) {
      const uint8_t c = bo::Load8(m_E, i);
      if (c != ' ') name.push_back(static_cast<char>(lowerExtension ? LowerCp437(c) : c));
    }
  }
  return name;
}

bool StartsWithDotEntries(std::span<const std::byte> s) {
  return bo::Load8(s, 0) == '.' && bo::Load8(s, 1) == ' ' && bo::Load8(s, 32) == '.' &&
         bo::Load8(s, 33) == '.' && bo::Load8(s, 34) == ' ';
}
