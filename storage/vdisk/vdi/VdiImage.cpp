#include "storage/vdisk/vdi/VdiImage.h"

#include <algorithm>
#include <array>

#include "storage/vdisk/Le32Table.h"

VdiImage::VdiImage(VirtualDiskOpener opener) : m_Opener(std::move(opener)) {}

int VdiImage::Open(const std::string& path, std::string* /*typeText*/) {
  std::lock_guard lock(m_Mutex);
  m_File.Close();
  m_BlockMap.clear();
  auto device = m_Opener(path);
  if (!device) return 3;
  VirtualDiskFile file(std::move(device));
  std::array<std::byte, kVdiPreHeaderBytes> pre{};
  if (!file.Read(0, pre)) return 0;
  const int version = ParseVdiPreHeader(pre);
  if (version != 1) return version;
  std::array<std::byte, kVdiLongHeaderBytes> header{};
  auto head = std::span(header).first(kVdiHeaderBytes);
  if (!file.Read(kVdiPreHeaderBytes, head)) return 2;
  if (VdiHeaderReadBytes(head) > kVdiHeaderBytes && !file.Read(kVdiPreHeaderBytes, header))
    return 2;
  if (ParseVdiHeader(header, file.Size(), m_Header) != 1) return 2;
  if (!ReadLe32Table(file, m_Header.blockMapOffset, m_Header.blockCount, m_BlockMap)) return 2;
  m_File = std::move(file);
  return 1;
}

int VdiImage::Read(uint64_t position, std::span<std::byte> destination) {
  std::lock_guard lock(m_Mutex);
  auto fail = [&] {
    std::fill(destination.begin(), destination.end(), std::byte{0});
    return 0;
  };
  const uint64_t guest = m_Header.guestBytes;
  if (!m_File.IsOpen() || destination.empty() || position > guest ||
      destination.size() > guest - position)
    return fail();
  const uint64_t blockSize = m_Header.blockSize;
  const uint64_t stride = blockSize + m_Header.blockExtra;
  uint64_t x = position;
  size_t done = 0;
  while (done < destination.size()) {
    const uint64_t block = x >> m_Header.blockShift;
    if (block >= m_BlockMap.size()) return fail();
    const uint64_t within = x & (blockSize - 1);
    const size_t n =
        static_cast<size_t>(std::min<uint64_t>(destination.size() - done, blockSize - within));
    auto part = destination.subspan(done, n);
    const uint32_t entry = m_BlockMap[block];
    if (entry == kVdiFreeBlock || entry == kVdiZeroBlock) {
      // Free and zero blocks both read as zeros, as the format defines.
      std::fill(part.begin(), part.end(), std::byte{0});
    } else if (!m_File.Read(
                   uint64_t{entry} * stride + m_Header.blockExtra + m_Header.dataOffset + within,
                   part)) {
      return fail();
    }
    x += n;
    done += n;
  }
  return 1;
}

void VdiImage::Close() {
  std::lock_guard lock(m_Mutex);
  m_File.Close();
  m_BlockMap.clear();
}
