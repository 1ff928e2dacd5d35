// Reader of VHDX files without a parent, addressed by 512-byte sector. Sectors are translated by
// byte offset, so disks with 4096-byte logical sectors read the same way. The log is not replayed
// and the checksums are not verified.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "storage/vdisk/VirtualDiskFile.h"
#include "storage/vdisk/VirtualDiskReader.h"
#include "storage/vdisk/vhdx/VhdxStructures.h"

class VhdxImage final : public VirtualDiskReader {
 public:
  explicit VhdxImage(VirtualDiskOpener opener = OpenVirtualDiskFile);

  int Open(const std::string& path, std::string* typeText) override;
  int Read(uint64_t position, std::span<std::byte> destination) override;
  void Close() override;
  uint64_t DiskSizeBytes() const override { return m_Geometry.virtualSize; }

 private:
  bool OpenStructures(VirtualDiskFile& file);
  bool ReadMetadataValues(VirtualDiskFile& file, const VhdxRegions& regions,
                          const VhdxMetadataTable& table);
  bool ReadBat(VirtualDiskFile& file, const VhdxRegions& regions, const VhdxRange& log);

  VirtualDiskOpener m_Opener;
  std::mutex m_Mutex;
  VirtualDiskFile m_File;
  VhdxGeometry m_Geometry;
  std::vector<uint64_t> m_Bat;
};
