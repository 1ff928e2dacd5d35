// QedImage: QED images (little-endian header, L1 and L2 tables of 64-bit file offsets). An image
// with a backing file, or with feature bits this reader does not know, is refused as
// unsupported (2), since part of its data would read as zeros.
#pragma once

#include <string>

#include "storage/vdisk/qcow/ClusteredImage.h"

class QedImage final : public ClusteredImage {
 public:
  static constexpr uint32_t kMagic = 0x00444551;  // "QED" and a zero byte, little-endian

  explicit QedImage(VirtualDiskOpener opener = OpenVirtualDiskFile);

  // 0 not QED (or a disk size that is not whole sectors), 1 opened, 2 damaged or unsupported,
  // 3 the file cannot be opened.
  int Open(const std::string& path, std::string* typeText) override;

 protected:
  Cluster DecodeL2Entry(std::span<const std::byte> table, size_t index) const override;

 private:
  int OpenHeader();
};
