#include "storage/vdisk/VirtualDiskReader.h"

#include <array>
#include <atomic>

namespace {

constexpr std::array<char, 7> kLetters = {'C', 'Q', 'E', 'D', 'H', 'X', 'N'};

size_t SlotOf(char type) {
  for (size_t i = 0; i + 1 < kLetters.size(); ++i)
    if (kLetters[i] == type) return i;
  return kLetters.size() - 1;  // VMDK
}

std::array<std::atomic<VirtualDiskReader*>, kLetters.size()> g_Readers{};

}  // namespace

VirtualDiskAddressing AddressingOf(char type) {
  switch (type) {
    case 'C':
    case 'Q':
    case 'E':
    case 'D':
      return VirtualDiskAddressing::ByteOffsetPerSector;
    case 'H':
    case 'X':
      return VirtualDiskAddressing::SectorPerSector;
    default:
      return VirtualDiskAddressing::SectorWholeRun;
  }
}

void SetVirtualDiskReader(char type, VirtualDiskReader* reader) {
  g_Readers[SlotOf(type)] = reader;
}

VirtualDiskReader* VirtualDiskReaderFor(char type) {
  return g_Readers[SlotOf(type)];
}
