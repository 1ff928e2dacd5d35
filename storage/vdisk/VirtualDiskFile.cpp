#include "storage/vdisk/VirtualDiskFile.h"

#include <algorithm>
#include <cstring>

std::unique_ptr<RawDevice> OpenVirtualDiskFile(const std::string& path) {
  return OpenFileDevice(path, DeviceAccess::Read);
}

VirtualDiskFile::VirtualDiskFile(std::unique_ptr<RawDevice> device) : m_Device(std::move(device)) {
  if (m_Device) m_Size = m_Device->SizeBytes().value_or(0);
}

void VirtualDiskFile::Close() {
  if (m_Device) m_Device->Close();
  m_Device.reset();
  m_Size = 0;
  m_Window.clear();
  m_Window.shrink_to_fit();
  m_WindowBytes = 0;
}

bool VirtualDiskFile::ReadDirect(uint64_t offset, std::span<std::byte> destination) {
  if (m_Device->ReadAt(offset, destination) == static_cast<int64_t>(destination.size()))
    return true;
  std::fill(destination.begin(), destination.end(), std::byte{0});
  return false;
}

bool VirtualDiskFile::Read(uint64_t offset, std::span<std::byte> destination) {
  const uint64_t length = destination.size();
  if (!m_Device || offset > m_Size || length > m_Size - offset) {
    std::fill(destination.begin(), destination.end(), std::byte{0});
    return false;
  }
  if (length == 0) return true;
  // Tables and long runs gain nothing from the window.
  if (length > kWindowBytes / 2) return ReadDirect(offset, destination);

  const bool inWindow = m_WindowBytes != 0 && offset >= m_WindowStart &&
                        offset + length <= m_WindowStart + m_WindowBytes;
  if (!inWindow) {
    uint64_t start = offset & ~uint64_t{kWindowBytes - 1};
    if (offset + length > start + kWindowBytes) start = offset;
    const size_t bytes = static_cast<size_t>(std::min<uint64_t>(kWindowBytes, m_Size - start));
    if (m_Window.size() < kWindowBytes) m_Window.resize(kWindowBytes);
    m_WindowBytes = 0;
    // A window that cannot be read whole (a bad area of the host disk) must not cost the bytes
    // asked for, which may lie outside the bad area.
    if (m_Device->ReadAt(start, std::span(m_Window).first(bytes)) != static_cast<int64_t>(bytes))
      return ReadDirect(offset, destination);
    m_WindowStart = start;
    m_WindowBytes = bytes;
  }
  std::memcpy(destination.data(), m_Window.data() + (offset - m_WindowStart), length);
  return true;
}
