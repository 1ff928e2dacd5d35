#include "storage/vdisk/vhd/VhdImage.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/ByteOrder.h"
#include "platform/TextCodec.h"

namespace {

constexpr size_t kFooterBytes = 512;
constexpr size_t kDynamicHeaderBytes = 1024;
constexpr uint64_t kSector = 512;

bool HasCookie(std::span<const std::byte> bytes, const char (&cookie)[9]) {
  return bytes.size() >= 8 && std::memcmp(bytes.data(), cookie, 8) == 0;
}

Uuid UuidAt(std::span<const std::byte> bytes, size_t offset) {
  Uuid id{};
  if (bo::Fits(bytes, offset, id.size()))
    std::copy_n(bytes.begin() + offset, id.size(), id.begin());
  return id;
}

// The parent's name: up to 256 UTF-16 big-endian code units, ending at the first zero.
std::string ParentNameAt(std::span<const std::byte> header) {
  std::u16string name;
  for (size_t i = 0; i < 256; ++i) {
    const char16_t unit = bo::LoadBe16(header, 64 + 2 * i);
    if (unit == 0) break;
    name.push_back(unit);
  }
  return Utf16ToUtf8(name);
}

}  // namespace

VhdImage::VhdImage(VirtualDiskOpener opener) : m_Opener(std::move(opener)) {}

void VhdImage::Close() {
  std::lock_guard lock(m_Mutex);
  m_File.Close();
  m_Type = VhdDiskType::None;
  m_DiskBytes = 0;
  m_UniqueId = {};
  m_ParentUniqueId = {};
  m_ParentName.clear();
  m_Table.clear();
  m_Table.shrink_to_fit();
  m_Bitmap.clear();
  m_BitmapBlock = kUnallocated;
  m_Parent = nullptr;
}

uint64_t VhdImage::DiskSizeBytes() const {
  std::lock_guard lock(m_Mutex);
  return m_DiskBytes;
}

int VhdImage::Open(const std::string& path, std::string* /*typeText*/) {
  Close();
  std::unique_ptr<RawDevice> device = m_Opener ? m_Opener(path) : nullptr;
  if (!device) return 3;
  std::lock_guard lock(m_Mutex);
  m_File = VirtualDiskFile(std::move(device));
  const int result = OpenStructures();
  if (result != 1) {
    m_File.Close();
    m_Type = VhdDiskType::None;
    m_Table.clear();
  }
  return result;
}

int VhdImage::OpenStructures() {
  const uint64_t fileBytes = m_File.Size();
  if (fileBytes < kFooterBytes) return 0;
  std::array<std::byte, kFooterBytes> footer{};
  // Dynamic disks keep a copy of the footer at the start, which still opens one whose end was cut.
  bool footerAtEnd = m_File.Read(fileBytes - kFooterBytes, footer) && HasCookie(footer, "conectix");
  if (!footerAtEnd && !(m_File.Read(0, footer) && HasCookie(footer, "conectix"))) return 0;

  const uint32_t type = bo::LoadBe32(footer, 60);
  m_DiskBytes = bo::LoadBe64(footer, 48);
  m_UniqueId = UuidAt(footer, 68);
  if (m_DiskBytes % kSector != 0) return 2;
  switch (type) {
    case static_cast<uint32_t>(VhdDiskType::Fixed):
      // The data runs up to the footer; a footer found only at the start leaves no data.
      if (!footerAtEnd || m_DiskBytes > fileBytes - kFooterBytes) return 2;
      m_Type = VhdDiskType::Fixed;
      return 1;
    case static_cast<uint32_t>(VhdDiskType::Dynamic):
    case static_cast<uint32_t>(VhdDiskType::Differencing):
      m_Type = static_cast<VhdDiskType>(type);
      return OpenDynamicHeader(bo::LoadBe64(footer, 16));
    default:
      return 2;
  }
}

int VhdImage::OpenDynamicHeader(uint64_t headerOffset) {
  std::vector<std::byte> header(kDynamicHeaderBytes);
  if (!m_File.Read(headerOffset, header) || !HasCookie(header, "cxsparse")) return 2;
  const uint64_t tableOffset = bo::LoadBe64(header, 16);
  const uint32_t entries = bo::LoadBe32(header, 28);
  const uint32_t blockBytes = bo::LoadBe32(header, 32);
  if (!std::has_single_bit(blockBytes) || blockBytes < kSector) return 2;
  m_SectorsPerBlock = blockBytes / kSector;
  m_BitmapBytes = (m_SectorsPerBlock + 7) / 8;
  m_BitmapSectors = static_cast<uint32_t>((m_BitmapBytes + kSector - 1) / kSector);
  // The table must cover the whole disk and lie in the file.
  if (uint64_t{entries} * blockBytes < m_DiskBytes) return 2;
  if (uint64_t{entries} * 4 > m_File.Size()) return 2;
  std::vector<std::byte> raw(size_t{entries} * 4);
  if (!m_File.Read(tableOffset, raw)) return 2;
  m_Table.resize(entries);
  for (size_t i = 0; i < m_Table.size(); ++i) m_Table[i] = bo::LoadBe32(raw, i * 4);
  if (m_Type == VhdDiskType::Differencing) {
    m_ParentUniqueId = UuidAt(header, 40);
    m_ParentName = ParentNameAt(header);
  }
  return 1;
}

int VhdImage::Read(uint64_t position, std::span<std::byte> destination) {
  std::lock_guard lock(m_Mutex);
  const uint64_t length = destination.size();
  bool ok = m_Type != VhdDiskType::None && length != 0 && length % kSector == 0 &&
            position <= m_DiskBytes / kSector && length <= m_DiskBytes - position * kSector;
  if (ok && m_Type == VhdDiskType::Fixed) {
    ok = m_File.Read(position * kSector, destination);
  } else {
    for (uint64_t done = 0; ok && done < length / kSector;) {
      const uint64_t s = position + done;
      const uint64_t n =
          std::min<uint64_t>(length / kSector - done, m_SectorsPerBlock - s % m_SectorsPerBlock);
      ok = ReadInBlock(s, destination.subspan(done * kSector, n * kSector));
      done += n;
    }
  }
  if (!ok) std::fill(destination.begin(), destination.end(), std::byte{0});
  return ok ? 1 : 0;
}

bool VhdImage::LoadBitmap(uint32_t block, uint32_t entry) {
  if (m_BitmapBlock == block) return true;
  m_Bitmap.resize(m_BitmapBytes);
  m_BitmapBlock = kUnallocated;
  if (!m_File.Read(uint64_t{entry} * kSector, m_Bitmap)) return false;
  m_BitmapBlock = block;
  return true;
}

bool VhdImage::ReadInBlock(uint64_t s, std::span<std::byte> destination) {
  const uint64_t block = s / m_SectorsPerBlock;
  const uint64_t k = s % m_SectorsPerBlock;
  if (block >= m_Table.size()) return false;
  const uint32_t entry = m_Table[block];
  if (entry == kUnallocated) {
    if (m_Type == VhdDiskType::Dynamic) {
      std::fill(destination.begin(), destination.end(), std::byte{0});
      return true;
    }
    return m_Parent && m_Parent->Read(s, destination) == 1;
  }
  const uint64_t dataSector = uint64_t{entry} + m_BitmapSectors + k;
  if (m_Type == VhdDiskType::Dynamic) return m_File.Read(dataSector * kSector, destination);

  // Differencing: each sector comes from this file when its bitmap bit is set, else from the
  // parent; runs of equal bits are read in one piece.
  if (!LoadBitmap(static_cast<uint32_t>(block), entry)) return false;
  auto bit = [this](uint64_t i) {
    return (std::to_integer<uint8_t>(m_Bitmap[i / 8]) >> (7 - i % 8)) & 1;
  };
  const uint64_t n = destination.size() / kSector;
  for (uint64_t i = 0; i < n;) {
    const int here = bit(k + i);
    uint64_t run = 1;
    while (i + run < n && bit(k + i + run) == here) ++run;
    auto part = destination.subspan(i * kSector, run * kSector);
    const bool read = here ? m_File.Read((dataSector + i) * kSector, part)
                           : m_Parent && m_Parent->Read(s + i, part) == 1;
    if (!read) return false;
    i += run;
  }
  return true;
}
