#include "storage/partitions/GptTable.h"

#include <algorithm>
#include <string_view>

#include "platform/ByteOrder.h"

namespace {

bool AllZero(std::span<const std::byte> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::byte b) { return b == std::byte{0}; });
}

}  // namespace

std::optional<GptLayout> ParseGptHeader(std::span<const std::byte> sector, uint64_t headerLba,
                                        uint32_t sectorBytes) {
  constexpr std::string_view kSignature = "EFI PART";
  if (!bo::Fits(sector, 0, 92)) return std::nullopt;
  for (size_t i = 0; i < kSignature.size(); ++i)
    if (std::to_integer<char>(sector[i]) != kSignature[i]) return std::nullopt;

  GptLayout layout;
  const uint64_t entryLba = bo::LoadLe64(sector, 72);
  layout.entryLba = entryLba >= 2 ? entryLba : headerLba + 1;
  layout.entryCount = std::min(bo::LoadLe32(sector, 80), kGptMaxEntries);
  const uint32_t size = bo::LoadLe32(sector, 84);
  const bool usable = size % 8 == 0 && size >= kGptDefaultEntrySize && size <= sectorBytes;
  layout.entrySize = usable ? size : kGptDefaultEntrySize;
  return layout;
}

GptEntry ParseGptEntry(std::span<const std::byte> entry) {
  if (!bo::Fits(entry, 0, 48)) return {};
  GptEntry e;
  e.firstLba = bo::LoadLe64(entry, 32);
  e.lastLba = bo::LoadLe64(entry, 40);
  e.empty = AllZero(entry.subspan(0, 8)) || AllZero(entry.subspan(8, 8)) || e.firstLba == 0;
  return e;
}
