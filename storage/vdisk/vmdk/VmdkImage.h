// Reader of VMware VMDK disks, addressed by 512-byte sector and called once per run: a descriptor
// file with flat or sparse extents, a monolithic sparse file with its embedded descriptor, or a
// bare flat ".vmdk" file. Grain directories are kept in memory and grain tables cached, so a
// sequential read costs a table read per grain table, not per sector.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "storage/vdisk/VirtualDiskFile.h"
#include "storage/vdisk/VirtualDiskReader.h"
#include "storage/vdisk/vmdk/VmdkDescriptor.h"
#include "storage/vdisk/vmdk/VmdkSparseHeader.h"

// The type text of a delta disk (its descriptor names a parent).
inline constexpr const char* kVmdkNeedsParentType = "NeedsParent";

class VmdkImage final : public VirtualDiskReader {
 public:
  explicit VmdkImage(VirtualDiskOpener opener = OpenVirtualDiskFile);

  // typeText receives the create type, "flat" for a bare flat file, "Damaged" for a sparse disk
  // without a usable grain directory, "Used" when the file cannot be opened, kVmdkNeedsParentType
  // (with 2) for a delta disk, whose unwritten grains live in its parent, which is not read. A
  // stream-optimized sparse file opens (1) as "streamOptimized" and is never read.
  int Open(const std::string& path, std::string* typeText) override;
  int Read(uint64_t position, std::span<std::byte> destination) override;
  void Close() override;

  uint64_t DiskSizeBytes() const override { return m_DiskSectors * 512; }
  const VmdkDescriptor& Descriptor() const { return m_Descriptor; }

 private:
  struct Extent {
    std::string path;
    uint64_t start = 0;  // first disk sector
    uint64_t sectors = 0;
    uint64_t fileOffset = 0;  // flat: first sector in the file
    bool sparse = false;
    VirtualDiskFile file;
    bool loaded = false;  // sparse: header and directory looked at
    bool usable = false;  // sparse: a grain directory was found and read
    VmdkSparseHeader header;
    std::vector<uint32_t> directory;
    std::unordered_map<uint32_t, std::vector<uint32_t>> tables;  // by grain table sector
  };

  int OpenLocked(const std::string& path, std::string& typeText);
  // Reads the descriptor text of length bytes at start of file into the descriptor and extents.
  bool ParseDescriptor(VirtualDiskFile& file, uint64_t start, uint64_t length);
  bool BuildExtents(const std::string& folder, bool sparse);
  bool OpenExtentFile(Extent& extent);
  bool LoadSparse(Extent& extent);
  bool ReadExtent(Extent& extent, uint64_t sector, std::span<std::byte> out);
  bool ReadSparse(Extent& extent, uint64_t sector, std::span<std::byte> out);
  const std::vector<uint32_t>* GrainTable(Extent& extent, uint32_t tableSector);

  VirtualDiskOpener m_Opener;
  std::mutex m_Mutex;
  VmdkDescriptor m_Descriptor;
  std::vector<Extent> m_Extents;
  uint64_t m_DiskSectors = 0;
  size_t m_OpenFiles = 0;
  size_t m_CachedTableBytes = 0;
};
