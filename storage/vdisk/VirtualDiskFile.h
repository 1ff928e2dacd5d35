// The files a virtual-disk reader reads: how they are opened (a seam tests and fuzz targets fill
// with files held in memory) and a read-ahead window over each. The sector path asks a reader
// for one 512-byte sector at a time; without the window every sector would cost a system call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/RawDevice.h"

// Opens a file by path for reading; nullptr when it cannot be opened (missing, no permission).
using VirtualDiskOpener = std::function<std::unique_ptr<RawDevice>(const std::string& path)>;

// The opener of ordinary files, used unless a test gives another.
std::unique_ptr<RawDevice> OpenVirtualDiskFile(const std::string& path);

class VirtualDiskFile {
 public:
  static constexpr size_t kWindowBytes = 256 * 1024;

  VirtualDiskFile() = default;
  explicit VirtualDiskFile(std::unique_ptr<RawDevice> device);

  bool IsOpen() const { return m_Device != nullptr; }
  // The file's size in bytes when it was opened.
  uint64_t Size() const { return m_Size; }

  // Fills destination from offset. Returns false, with destination zeroed, when the file ends
  // before the last byte or the read failed.
  bool Read(uint64_t offset, std::span<std::byte> destination);

  void Close();

 private:
  bool ReadDirect(uint64_t offset, std::span<std::byte> destination);

  std::unique_ptr<RawDevice> m_Device;
  uint64_t m_Size = 0;
  std::vector<std::byte> m_Window;
  uint64_t m_WindowStart = 0;
  size_t m_WindowBytes = 0;
};
