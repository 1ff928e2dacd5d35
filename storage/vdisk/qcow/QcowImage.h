// QcowImage: QCOW images of versions 1 and 2 (big-endian header, L1 and L2 tables of 64-bit
// entries). Images that need more than this reader does are refused as unsupported (2): an
// encrypted image, one with internal snapshots, one whose data partly lives in a backing file.
// Version 3 and later are not claimed (0). Compressed clusters fail to read.
#pragma once

#include <string>

#include "storage/vdisk/qcow/ClusteredImage.h"

class QcowImage final : public ClusteredImage {
 public:
  static constexpr uint32_t kMagic = 0x514649FB;  // "QFI" and 0xFB

  explicit QcowImage(VirtualDiskOpener opener = OpenVirtualDiskFile);

  // 0 not QCOW 1 or 2, 1 opened, 2 damaged or unsupported, 3 the file cannot be opened.
  int Open(const std::string& path, std::string* typeText) override;

  uint32_t Version() const { return m_Version; }

 protected:
  Cluster DecodeL2Entry(std::span<const std::byte> table, size_t index) const override;

 private:
  int OpenHeader();

  uint32_t m_Version = 0;
};
