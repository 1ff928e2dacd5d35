#include "storage/vdisk/VirtualDiskReader.h"

#include <array>
#include <atomic>

namespace {

constexpr std::array<VirtualDiskFormat, 7> kFormats = {
    VirtualDiskFormat::Qcow, VirtualDiskFormat::Qed,  VirtualDiskFormat::Parallels,
    VirtualDiskFormat::Vdi,  VirtualDiskFormat::Vhd,  VirtualDiskFormat::Vhdx,
    VirtualDiskFormat::Vmdk};

size_t SlotOf(VirtualDiskFormat format) {
  for (size_t i = 0; i < kFormats.size(); ++i)
    if (kFormats[i] == format) return i;
  return kFormats.size() - 1;
}

std::array<std::atomic<VirtualDiskReader*>, kFormats.size()> g_Readers{};

}  // namespace

VirtualDiskFormat VirtualDiskFormatFromLetter(char letter) {
  for (VirtualDiskFormat f : kFormats)
    if (static_cast<char>(f) == letter) return f;
  return VirtualDiskFormat::Vmdk;
}

VirtualDiskAddressing AddressingOf(VirtualDiskFormat format) {
  switch (format) {
    case VirtualDiskFormat::Qcow:
    case VirtualDiskFormat::Qed:
    case VirtualDiskFormat::Parallels:
    case VirtualDiskFormat::Vdi:
      return VirtualDiskAddressing::ByteOffsetPerSector;
    case VirtualDiskFormat::Vhd:
    case VirtualDiskFormat::Vhdx:
      return VirtualDiskAddressing::SectorPerSector;
    case VirtualDiskFormat::Vmdk:
      break;
  }
  return VirtualDiskAddressing::SectorWholeRun;
}

void SetVirtualDiskReader(VirtualDiskFormat format, VirtualDiskReader* reader) {
  g_Readers[SlotOf(format)] = reader;
}

VirtualDiskReader* VirtualDiskReaderFor(VirtualDiskFormat format) {
  return g_Readers[SlotOf(format)];
}
