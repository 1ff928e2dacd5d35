#include "storage/partitions/PartitionEnum.h"

#include <algorithm>
#include <cstddef>
#include <set>
#include <span>
#include <vector>

#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/partitions/DiskPartitions.h"
#include "storage/partitions/GptTable.h"
#include "storage/partitions/MbrSlot.h"
#include "storage/partitions/PartitionBootSector.h"

namespace {

// A chain longer than this is a loop the visited set did not catch, or garbage.
constexpr int kMaxExtendedRecords = 128;

class PartitionWalk {
 public:
  PartitionWalk(int disk, bool addNodes, PartitionNodeSink* sink, uint64_t deviceSectors)
      : m_Block(g_DiskPartitions[static_cast<size_t>(disk)]),
        m_Path(DevicePathAt(disk)),
        m_Sink(addNodes ? sink : nullptr),
        m_DeviceSectors(deviceSectors),
        m_SectorBytes(static_cast<size_t>(ReadSizeBytes(1))) {}

  int Run(uint64_t first) {
    m_Block.count = 0;
    m_Block.names.fill(FileSystemKind::None);
    if (m_SectorBytes == 0) return 0;

    std::vector<std::byte> mbr;
    if (!Read(first, mbr) || !HasBootSignature(mbr)) return 0;

    if (const auto volume = TestWholeVolume(mbr)) {
      List(volume->kind, 0, VolumeEnd(*volume, 0), g_SourceDriveLetter == 0);
      return 1;
    }
    uint64_t extendedStart = 0;
    bool haveExtended = false;
    for (int s = 0; s < kMbrSlotCount; ++s) {
      const MbrSlot slot = MbrSlotAt(mbr, s);
      if (slot.type == 0) continue;
      if (slot.type == kGptProtectiveType) {
        WalkGpt(slot.firstSector);
      } else if (IsExtendedType(slot.type)) {
        extendedStart = slot.firstSector;
        haveExtended = true;
      } else {
        ListSlot(slot, 0, false);
      }
    }
    if (haveExtended) WalkExtendedChain(extendedStart);
    return 1;
  }

 private:
  bool PastEnd(uint64_t sector) const { return m_DeviceSectors != 0 && sector >= m_DeviceSectors; }

  // One past the last sector of a volume that starts at `start`. An NTFS boot sector counts the
  // sectors before its backup copy, which lies in the sector after them: the end takes it in where
  // the device holds it, so an image of the volume keeps it.
  uint64_t VolumeEnd(const WholeVolume& volume, uint64_t start) const {
    const uint64_t end = start + volume.sectors;
    if (volume.kind != FileSystemKind::Ntfs || end < start || end == UINT64_MAX || PastEnd(end))
      return end;
    return end + 1;
  }

  // One sector into buffer; false (and nothing read) for a sector past the disk's end. A sector
  // that could not be read arrives as zeros and is classified as such.
  bool Read(uint64_t sector, std::vector<std::byte>& buffer) const {
    buffer.assign(m_SectorBytes, std::byte{0});
    if (PastEnd(sector) || sector > static_cast<uint64_t>(INT64_MAX)) return false;
    ReadSectors(m_Path, static_cast<int64_t>(sector), 1, buffer);
    return true;
  }

  bool Full() const { return m_Block.count >= kMaxListedPartitions; }

  void List(FileSystemKind kind, uint64_t start, uint64_t end, bool node) {
    if (Full()) return;
    const int k = m_Block.count;
    m_Block.names[static_cast<size_t>(k)] = kind;
    m_Block.count = k + 1;
    PartitionEntry& entry = m_Block.entries[static_cast<size_t>(k)];
    entry.startSector = start;
    entry.endSector = end;
    if (node && m_Sink) entry.treeItem = m_Sink->AddPartitionNode(PartitionNodeText(k + 1, kind));
  }

  // A primary slot (base 0) or a logical one (base: its EBR's sector).
  void ListSlot(const MbrSlot& slot, uint64_t base, bool inExtendedChain) {
    const uint64_t start = base + slot.firstSector;
    std::vector<std::byte> boot;
    if (Full() || !Read(start, boot)) return;
    const FileSystemKind kind = ClassifyPartition(boot, slot.type, inExtendedChain);
    if (kind != FileSystemKind::None) List(kind, start, start + slot.sectorCount, true);
  }

  void WalkGpt(uint64_t headerLba) {
    std::vector<std::byte> header;
    if (!Read(headerLba, header)) return;
    const auto layout = ParseGptHeader(header, headerLba, static_cast<uint32_t>(m_SectorBytes));
    if (!layout) return;

    // An entry may straddle two sectors when its size does not divide the sector size, so the
    // array is read through a window of the (at most) two sectors that hold the current entry.
    std::vector<std::byte> window(2 * m_SectorBytes);
    uint64_t loaded[2] = {UINT64_MAX, UINT64_MAX};
    std::vector<std::byte> sector;
    auto load = [&](size_t half, uint64_t index) {
      if (loaded[half] == index) return;
      Read(layout->entryLba + index, sector);
      std::copy(sector.begin(), sector.end(), window.begin() + half * m_SectorBytes);
      loaded[half] = index;
    };
    for (uint32_t j = 0; j < layout->entryCount && !Full(); ++j) {
      const uint64_t offset = uint64_t{j} * layout->entrySize;
      const uint64_t first = offset / m_SectorBytes;
      load(0, first);
      if (offset % m_SectorBytes + layout->entrySize > m_SectorBytes) load(1, first + 1);
      const size_t within = offset % m_SectorBytes;
      const GptEntry entry = ParseGptEntry(std::span(window).subspan(within, layout->entrySize));
      // An unused entry does not end the table: a partition after it is still one to recover.
      if (entry.empty) continue;

      std::vector<std::byte> boot;
      if (!Read(entry.firstLba, boot)) continue;
      const auto volume = TestWholeVolume(boot);
      if (!volume) continue;
      // The entry's own end holds the whole volume, the NTFS backup boot sector included.
      const uint64_t end =
          entry.lastLba >= entry.firstLba && !PastEnd(entry.lastLba) && entry.lastLba < UINT64_MAX
              ? entry.lastLba + 1
              : VolumeEnd(*volume, entry.firstLba);
      List(volume->kind, entry.firstLba, end, g_SourceDriveLetter == 0);
    }
  }

  void WalkExtendedChain(uint64_t extendedStart) {
    std::set<uint64_t> visited;
    uint64_t offset = 0;
    std::vector<std::byte> ebr;
    for (int records = 0; records < kMaxExtendedRecords && !Full(); ++records) {
      const uint64_t ebrSector = extendedStart + offset;
      if (!visited.insert(ebrSector).second) return;
      if (!Read(ebrSector, ebr) || !HasBootSignature(ebr)) return;
      uint64_t next = 0;
      for (int s = 0; s < kMbrSlotCount; ++s) {
        const MbrSlot slot = MbrSlotAt(ebr, s);
        if (slot.type == 0) continue;
        if (IsExtendedType(slot.type))
          next = slot.firstSector;
        else
          ListSlot(slot, ebrSector, true);
      }
      if (next == 0) return;
      offset = next;
    }
  }

  DiskPartitions& m_Block;
  std::string_view m_Path;
  PartitionNodeSink* m_Sink;
  uint64_t m_DeviceSectors;
  size_t m_SectorBytes;
};

}  // namespace

std::string PartitionNodeText(int number, FileSystemKind kind) {
  return "Partition - " + std::to_string(number) + " ( " + std::string(FileSystemKindText(kind)) +
         " )";
}

int EnumDiskPartitions(int disk, uint32_t sector, bool addNodes, PartitionNodeSink* sink,
                       uint64_t deviceSectors) {
  if (disk < 0 || disk >= kPartitionDiskCount) return 0;
  return PartitionWalk(disk, addNodes, sink, deviceSectors).Run(sector);
}
