#include "storage/fat/FatLongName.h"

#include <vector>

#include "platform/ByteOrder.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

namespace {

constexpr uint8_t kLongNameAttribute = 0x0F;
constexpr uint8_t kDeletedMark = 0xE5;
constexpr size_t kCharOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

}  // namespace

uint8_t FatShortNameChecksum(std::span<const std::byte> name) {
  uint8_t sum = 0;
  for (size_t i = 0; i < 11 && i < name.size(); ++i)
    sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + std::to_integer<uint8_t>(name[i]));
  return sum;
}

int AssembleFatLongName(std::span<const std::byte> block, size_t entryOffset,
                        const PreviousDirectoryBlock& previous, std::u16string& nameOut) {
  nameOut.clear();
  if (entryOffset + kFatEntryBytes > block.size()) return 1;
  const auto shortEntry = block.subspan(entryOffset, kFatEntryBytes);
  const bool checkSum = bo::Load8(shortEntry, 0) != kDeletedMark;
  const uint8_t sum = FatShortNameChecksum(shortEntry.first(11));

  std::u16string name;
  size_t fragments = 0;
  size_t at = entryOffset - entryOffset % kFatEntryBytes;
  auto finish = [&](bool found) {
    if (!found || name.empty()) return 1;
    if (name.size() > kFatLongNameMax) name.resize(kFatLongNameMax);
    nameOut = std::move(name);
    return 0;
  };
  for (;;) {
    // Step back one entry, into the block before when this one is used up.
    while (at < kFatEntryBytes) {
      std::span<const std::byte> before;
      if (!previous || !previous(before)) return finish(fragments > 0);
      block = before;
      at = block.size() - block.size() % kFatEntryBytes;
    }
    at -= kFatEntryBytes;
    const auto e = block.subspan(at, kFatEntryBytes);
    if (bo::Load8(e, 11) != kLongNameAttribute) return finish(fragments > 0);
    if (checkSum && bo::Load8(e, 13) != sum) return finish(fragments > 0);
    for (size_t off : kCharOffsets) {
      const char16_t c = bo::LoadLe16(e, off);
      if (c == 0) return finish(true);
      name.push_back(c);
    }
    ++fragments;
    if (bo::Load8(e, 0) == 0x40 + fragments) return finish(true);
    if (name.size() > kFatLongNameMax) return finish(true);
  }
}

int AssembleFatLongName(std::span<const std::byte> sector, std::u16string& nameOut,
                        size_t entryOffset, uint64_t sectorNumber) {
  const uint64_t bytes = ReadSizeBytes(1);
  std::vector<std::byte> copy(bytes ? bytes : 512);
  uint64_t current = sectorNumber;
  PreviousDirectoryBlock previous = [&](std::span<const std::byte>& block) {
    if (current == 0) return false;
    --current;
    std::fill(copy.begin(), copy.end(), std::byte{0});
    ReadSectors(CurrentDevicePath(), static_cast<int64_t>(current), 1, copy);
    block = copy;
    return true;
  };
  return AssembleFatLongName(sector, entryOffset, previous, nameOut);
}

namespace {

template <class Char>
int IsValidName(std::basic_string_view<Char> name) {
  for (Char c : name) {
    const auto v = static_cast<uint32_t>(static_cast<std::make_unsigned_t<Char>>(c));
    if (v <= 31) return 0;
    switch (v) {
      case '"':
      case '\\':
      case '/':
      case '?':
      case '*':
      case '<':
      case '>':
      case '|':
        return 0;
      default:
        break;
    }
  }
  return 1;
}

}  // namespace

int IsValidFileName(std::string_view name) {
  return IsValidName(name);
}
int IsValidFileName(std::u16string_view name) {
  return IsValidName(name);
}
