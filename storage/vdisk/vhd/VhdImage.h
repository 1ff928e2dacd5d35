// VhdImage: VHD and AVHD files: fixed disks (the data, then a 512-byte footer), dynamic disks (a
// dynamic header and a block allocation table; each block starts with its sector bitmap) and
// differencing disks, whose unwritten sectors come from a parent disk. A differencing disk reads
// through the parent object linked to it with SetParent (the probe finds and opens the parent,
// see VhdParents.h). All fields are big-endian.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "storage/vdisk/Uuid.h"
#include "storage/vdisk/VirtualDiskFile.h"
#include "storage/vdisk/VirtualDiskReader.h"

enum class VhdDiskType : uint32_t { None = 0, Fixed = 2, Dynamic = 3, Differencing = 4 };

class VhdImage final : public VirtualDiskReader {
 public:
  static constexpr uint32_t kUnallocated = 0xFFFFFFFF;

  explicit VhdImage(VirtualDiskOpener opener = OpenVirtualDiskFile);

  // 0 no VHD footer at the end or the start of the file, 1 opened, 2 damaged or of a disk type
  // this reader does not know, 3 the file cannot be opened.
  int Open(const std::string& path, std::string* typeText) override;

  // position is a 512-byte sector number. A block the disk never wrote reads as zeros on a
  // dynamic disk and from the parent on a differencing disk; 0 (destination zeroed) outside the
  // disk, for a length that is not whole sectors, or where the file or a parent fails.
  int Read(uint64_t position, std::span<std::byte> destination) override;
  void Close() override;
  uint64_t DiskSizeBytes() const override;

  // The disk a differencing disk reads its unwritten sectors from; nullptr unlinks it. The
  // caller keeps the parent alive while this object may read.
  void SetParent(VhdImage* parent) { m_Parent = parent; }

  VhdDiskType DiskType() const { return m_Type; }
  // The footer's identity of this disk, and the identity and name a differencing disk records
  // of its parent (the name as stored: often a Windows path).
  const Uuid& UniqueId() const { return m_UniqueId; }
  const Uuid& ParentUniqueId() const { return m_ParentUniqueId; }
  const std::string& ParentName() const { return m_ParentName; }

 private:
  int OpenStructures();
  int OpenDynamicHeader(uint64_t headerOffset);
  // Reads sectors [s, s + n) of one block (they lie in one block) into destination.
  bool ReadInBlock(uint64_t s, std::span<std::byte> destination);
  bool LoadBitmap(uint32_t block, uint32_t entry);

  VirtualDiskOpener m_Opener;
  mutable std::mutex m_Mutex;
  VirtualDiskFile m_File;
  VhdDiskType m_Type = VhdDiskType::None;
  uint64_t m_DiskBytes = 0;
  Uuid m_UniqueId{};
  Uuid m_ParentUniqueId{};
  std::string m_ParentName;
  uint32_t m_SectorsPerBlock = 0;
  uint32_t m_BitmapBytes = 0;
  uint32_t m_BitmapSectors = 0;
  std::vector<uint32_t> m_Table;
  std::vector<std::byte> m_Bitmap;
  uint32_t m_BitmapBlock = kUnallocated;  // block whose bitmap m_Bitmap holds
  VhdImage* m_Parent = nullptr;
};
