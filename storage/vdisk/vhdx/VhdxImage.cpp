#include "storage/vdisk/vhdx/VhdxImage.h"

#include <algorithm>
#include <array>
#include <new>

#include "platform/ByteOrder.h"

namespace {

constexpr uint64_t kOffsetMask = ~uint64_t{0xFFFFF};  // payload entries count in 1 MiB units

enum BlockState : uint32_t {
  kPartiallyPresentLow = 4,
  kFullyPresent = 6,
  kPartiallyPresent = 7,
};

}  // namespace

VhdxImage::VhdxImage(VirtualDiskOpener opener) : m_Opener(std::move(opener)) {}

int VhdxImage::Open(const std::string& path, std::string* /*typeText*/) {
  std::lock_guard lock(m_Mutex);
  m_File.Close();
  m_Bat.clear();
  m_Geometry = VhdxGeometry{};
  auto device = m_Opener(path);
  if (!device) return 3;
  VirtualDiskFile file(std::move(device));
  std::array<std::byte, 8> id{};
  if (!file.Read(0, id) || !IsVhdxFileIdentifier(id)) return 0;
  bool opened = false;
  try {
    opened = OpenStructures(file);
  } catch (const std::bad_alloc&) {
    opened = false;
  }
  if (!opened) {
    m_Bat.clear();
    m_Geometry = VhdxGeometry{};
    return 2;
  }
  m_File = std::move(file);
  return 1;
}

bool VhdxImage::OpenStructures(VirtualDiskFile& file) {
  std::vector<std::byte> header1(kVhdxHeaderReadBytes), header2(kVhdxHeaderReadBytes);
  const bool read1 = file.Read(kVhdxHeader1Offset, header1);
  const bool read2 = file.Read(kVhdxHeader2Offset, header2);
  const int chosen = ChooseVhdxHeader(read1 ? std::span(header1) : std::span<std::byte>(),
                                      read2 ? std::span(header2) : std::span<std::byte>());
  if (chosen < 0) return false;
  const VhdxRange log = VhdxLogRange(chosen == 0 ? header1 : header2);

  std::vector<std::byte> table(kVhdxTableBytes);
  if (!file.Read(kVhdxRegionTableOffset, table)) return false;
  VhdxRegions regions;
  if (!ParseVhdxRegionTable(table, log, regions)) return false;

  if (regions.metadataLength < kVhdxTableBytes || !file.Read(regions.metadataOffset, table))
    return false;
  VhdxMetadataTable metadata;
  if (!ParseVhdxMetadataTable(table, regions.metadataLength, metadata)) return false;
  if (!ReadMetadataValues(file, regions, metadata) || !DeriveVhdxGeometry(m_Geometry)) return false;
  return ReadBat(file, regions, log);
}

bool VhdxImage::ReadMetadataValues(VirtualDiskFile& file, const VhdxRegions& regions,
                                   const VhdxMetadataTable& table) {
  std::array<std::byte, 8> value{};
  auto read = [&](const VhdxItem& item, size_t width) {
    return item.length >= width &&
           file.Read(regions.metadataOffset + item.offset, std::span(value).first(width));
  };
  if (!read(table.fileParameters, 8)) return false;
  m_Geometry.blockSize = bo::LoadLe32(value, 0);
  m_Geometry.fileFlags = bo::LoadLe32(value, 4);
  if (!read(table.virtualDiskSize, 8)) return false;
  m_Geometry.virtualSize = bo::LoadLe64(value, 0);
  if (!read(table.logicalSectorSize, 4)) return false;
  m_Geometry.logicalSectorSize = bo::LoadLe32(value, 0);
  if (!read(table.physicalSectorSize, 4)) return false;
  m_Geometry.physicalSectorSize = bo::LoadLe32(value, 0);
  return true;
}

bool VhdxImage::ReadBat(VirtualDiskFile& file, const VhdxRegions& regions, const VhdxRange& log) {
  const VhdxGeometry& g = m_Geometry;
  if (regions.batLength / 8 < g.batEntries) return false;
  if (regions.batOffset > file.Size() || regions.batLength > file.Size() - regions.batOffset)
    return false;
  std::vector<std::byte> raw(regions.batLength);
  if (!file.Read(regions.batOffset, raw)) return false;
  m_Bat.resize(g.batEntries);
  for (size_t i = 0; i < m_Bat.size(); ++i) m_Bat[i] = bo::LoadLe64(raw, i * 8);
  // Every chunk of payload entries is followed by one sector-bitmap entry, which is skipped.
  for (uint64_t block = 0; block < g.dataBlocks; ++block) {
    const uint64_t entry = m_Bat[block + (block >> g.chunkShift)];
    if ((entry & 7) != kFullyPresent) continue;
    const uint64_t start = entry & kOffsetMask;
    if (start > UINT64_MAX - g.blockSize) return false;
    if (VhdxRange{start, start + g.blockSize}.Overlaps(log)) return false;
  }
  return true;
}

int VhdxImage::Read(uint64_t position, std::span<std::byte> destination) {
  std::lock_guard lock(m_Mutex);
  auto fail = [&] {
    std::fill(destination.begin(), destination.end(), std::byte{0});
    return 0;
  };
  const VhdxGeometry& g = m_Geometry;
  if (!m_File.IsOpen() || destination.empty() || position > g.virtualSize / 512) return fail();
  uint64_t x = position * 512;
  if (destination.size() > g.virtualSize - x) return fail();
  size_t done = 0;
  while (done < destination.size()) {
    const uint64_t block = x >> g.blockShift;
    const uint64_t within = x & (uint64_t{g.blockSize} - 1);
    const size_t n =
        static_cast<size_t>(std::min<uint64_t>(destination.size() - done, g.blockSize - within));
    auto part = destination.subspan(done, n);
    const uint64_t entry = m_Bat[block + (block >> g.chunkShift)];
    switch (entry & 7) {
      case kFullyPresent:
        if (!m_File.Read((entry & kOffsetMask) + within, part)) return fail();
        break;
      case kPartiallyPresentLow:
      case kPartiallyPresent:
        return fail();
      default:
        // Not present, undefined, zero, unmapped: the block reads as zeros.
        std::fill(part.begin(), part.end(), std::byte{0});
        break;
    }
    x += n;
    done += n;
  }
  return 1;
}

void VhdxImage::Close() {
  std::lock_guard lock(m_Mutex);
  m_File.Close();
  m_Bat.clear();
  m_Geometry = VhdxGeometry{};
}
