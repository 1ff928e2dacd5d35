// A device that holds a small window of bytes far out on a large disk and zeros everywhere else,
// so a volume can lie past sector 2^32 without the memory of a 2 TiB disk.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/DeviceNamespace.h"
#include "platform/RawDevice.h"

namespace storage_test {

class WindowDevice : public RawDevice {
 public:
  WindowDevice(uint64_t sizeBytes, uint64_t baseByte,
               std::shared_ptr<const std::vector<std::byte>> window)
      : m_Size(sizeBytes), m_Base(baseByte), m_Window(std::move(window)) {}
  int64_t ReadAt(uint64_t offset, std::span<std::byte> buffer) override {
    if (offset >= m_Size) return 0;
    const uint64_t n = std::min<uint64_t>(buffer.size(), m_Size - offset);
    for (uint64_t i = 0; i < n; ++i) {
      const uint64_t at = offset + i;
      buffer[i] =
          at >= m_Base && at - m_Base < m_Window->size() ? (*m_Window)[at - m_Base] : std::byte{0};
    }
    return static_cast<int64_t>(n);
  }
  int64_t WriteAt(uint64_t, std::span<const std::byte>) override { return -1; }
  std::optional<uint64_t> SizeBytes() override { return m_Size; }
  uint32_t LogicalSectorSize() override { return 0; }
  bool Sync() override { return true; }
  bool Close() override { return true; }

 private:
  uint64_t m_Size, m_Base;
  std::shared_ptr<const std::vector<std::byte>> m_Window;
};

// Serves `window` (512-byte sectors) at sector `baseSector` of a disk of `sectors` sectors.
inline void ServeWindow(const std::string& devicePath, uint64_t sectors, uint64_t baseSector,
                        std::vector<std::byte> window) {
  auto bytes = std::make_shared<const std::vector<std::byte>>(std::move(window));
  MapDeviceToFactory(devicePath, [=](DeviceAccess) -> std::unique_ptr<RawDevice> {
    return std::make_unique<WindowDevice>(sectors * 512, baseSector * 512, bytes);
  });
}

}  // namespace storage_test
