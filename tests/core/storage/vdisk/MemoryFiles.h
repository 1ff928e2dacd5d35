// Files of a virtual disk held in memory, for the readers' tests: each path names a memory disk,
// and the opener fails for a path that was not added, like a missing file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/FakeDevices.h"
#include "storage/vdisk/VirtualDiskFile.h"

namespace vdisk_test {

class MemoryFiles {
 public:
  // The bytes of path, created empty on first use.
  std::vector<std::byte>& operator[](const std::string& path) {
    auto& disk = m_Files[path];
    if (!disk) disk = std::make_shared<MemoryDisk>();
    return disk->bytes;
  }
  void Remove(const std::string& path) { m_Files.erase(path); }

  VirtualDiskOpener Opener() {
    return [this](const std::string& path) -> std::unique_ptr<RawDevice> {
      auto it = m_Files.find(path);
      if (it == m_Files.end()) return nullptr;
      return std::make_unique<MemoryDevice>(it->second);
    };
  }

 private:
  std::map<std::string, std::shared_ptr<MemoryDisk>> m_Files;
};

// Every byte of guest sector s holds (s * 7 + 1) & 0xFF, so a sector read from the wrong place
// shows.
inline std::byte GuestByte(uint64_t sector) {
  return std::byte((sector * 7 + 1) & 0xFF);
}

// Writes the pattern of guest sectors first.. (count of them) at byte offset of bytes, growing it.
inline void PutGuestSectors(std::vector<std::byte>& bytes, uint64_t offset, uint64_t first,
                            uint64_t count) {
  if (bytes.size() < offset + count * 512) bytes.resize(offset + count * 512);
  for (uint64_t i = 0; i < count; ++i)
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset + i * 512), 512,
                GuestByte(first + i));
}

inline bool HoldsGuestSector(std::span<const std::byte> buf, size_t index, uint64_t sector) {
  for (size_t b = 0; b < 512; ++b)
    if (buf[index * 512 + b] != GuestByte(sector)) return false;
  return true;
}

inline bool IsZero(std::span<const std::byte> buf) {
  for (std::byte b : buf)
    if (b != std::byte{0}) return false;
  return true;
}

template <typename T>
void Put(std::vector<std::byte>& bytes, size_t offset, T value) {
  if (bytes.size() < offset + sizeof(T)) bytes.resize(offset + sizeof(T));
  bo::StoreLe(std::span(bytes), offset, value);
}

inline void PutText(std::vector<std::byte>& bytes, size_t offset, std::string_view text) {
  if (bytes.size() < offset + text.size()) bytes.resize(offset + text.size());
  for (size_t i = 0; i < text.size(); ++i) bytes[offset + i] = std::byte(text[i]);
}

}  // namespace vdisk_test
