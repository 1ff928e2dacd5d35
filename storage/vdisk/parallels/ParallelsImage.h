// Reader of Parallels disk images ("WithoutFreeSpace", files ".hdd" and ".hds"), addressed by byte
// offset into the guest disk. An empty file stands for an image bundle: the first ".hds" file in
// its folder is the disk.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "storage/vdisk/VirtualDiskFile.h"
#include "storage/vdisk/VirtualDiskReader.h"
#include "storage/vdisk/parallels/ParallelsHeader.h"

class ParallelsImage final : public VirtualDiskReader {
 public:
  explicit ParallelsImage(VirtualDiskOpener opener = OpenVirtualDiskFile);

  int Open(const std::string& path, std::string* typeText) override;
  int Read(uint64_t position, std::span<std::byte> destination) override;
  void Close() override;
  uint64_t DiskSizeBytes() const override { return m_File.IsOpen() ? m_Header.guestBytes : 0; }

  // Path of the first file in folder whose name ends in ".hds" (any case), by name order; empty
  // when there is none.
  static std::string FindHdsFile(const std::string& folder);

  // The sector shift the alignment probe chose (0 or 1), for tests.
  uint32_t SectorShift() const { return m_SectorShift; }

 private:
  int OpenFile(const std::string& path, bool mayBeBundle);
  bool ReadAllocated(uint32_t entry, uint64_t sector, uint64_t within, std::span<std::byte> out);
  bool ProbeAlignment(uint32_t entry, std::span<std::byte> out);

  VirtualDiskOpener m_Opener;
  std::mutex m_Mutex;
  VirtualDiskFile m_File;
  ParallelsHeader m_Header;
  bool m_IsHds = false;
  std::vector<uint32_t> m_Table;
  uint32_t m_SectorShift = 0;
};
