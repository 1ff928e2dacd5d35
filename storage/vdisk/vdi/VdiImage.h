// Reader of VirtualBox VDI images of header version 1.x, addressed by byte offset into the guest
// disk.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "storage/vdisk/VirtualDiskFile.h"
#include "storage/vdisk/VirtualDiskReader.h"
#include "storage/vdisk/vdi/VdiHeader.h"

class VdiImage final : public VirtualDiskReader {
 public:
  explicit VdiImage(VirtualDiskOpener opener = OpenVirtualDiskFile);

  int Open(const std::string& path, std::string* typeText) override;
  int Read(uint64_t position, std::span<std::byte> destination) override;
  void Close() override;
  uint64_t DiskSizeBytes() const override { return m_File.IsOpen() ? m_Header.guestBytes : 0; }

 private:
  VirtualDiskOpener m_Opener;
  std::mutex m_Mutex;
  VirtualDiskFile m_File;
  VdiHeader m_Header;
  std::vector<uint32_t> m_BlockMap;
};
