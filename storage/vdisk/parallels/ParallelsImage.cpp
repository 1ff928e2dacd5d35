#include "storage/vdisk/parallels/ParallelsImage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

#include "storage/vdisk/Le32Table.h"

namespace {

constexpr uint64_t kSector = 512;

bool EndsWithHds(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".hds";
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

}  // namespace

ParallelsImage::ParallelsImage(VirtualDiskOpener opener) : m_Opener(std::move(opener)) {}

std::string ParallelsImage::FindHdsFile(const std::string& folder) {
  std::error_code ec;
  std::vector<std::string> names;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (EndsWithHds(name) && it->is_regular_file(ec)) names.push_back(it->path().string());
  }
  if (names.empty()) return {};
  return *std::min_element(names.begin(), names.end());
}

int ParallelsImage::Open(const std::string& path, std::string* /*typeText*/) {
  std::lock_guard lock(m_Mutex);
  return OpenFile(path, true);
}

int ParallelsImage::OpenFile(const std::string& path, bool mayBeBundle) {
  m_File.Close();
  m_Table.clear();
  m_SectorShift = 0;
  auto device = m_Opener(path);
  if (!device) return 3;
  VirtualDiskFile file(std::move(device));
  if (file.Size() == 0) {
    // The bundle's ".hdd" is empty; an empty ".hds" is not followed again, so a bundle of empty
    // files cannot send the lookup round in a circle.
    if (!mayBeBundle) return 0;
    const std::string hds = FindHdsFile(FolderOf(path));
    return hds.empty() ? 0 : OpenFile(hds, false);
  }
  std::array<std::byte, kParallelsHeaderBytes> header{};
  if (!file.Read(0, header)) return 0;
  const int parsed = ParseParallelsHeader(header, file.Size(), m_Header);
  if (parsed != 1) return parsed;
  if (!ReadLe32Table(file, kParallelsHeaderBytes, m_Header.tableEntries, m_Table)) return 2;
  m_IsHds = EndsWithHds(path);
  m_File = std::move(file);
  return 1;
}

int ParallelsImage::Read(uint64_t position, std::span<std::byte> destination) {
  std::lock_guard lock(m_Mutex);
  auto fail = [&] {
    std::fill(destination.begin(), destination.end(), std::byte{0});
    return 0;
  };
  const uint64_t guest = m_Header.guestBytes;
  if (!m_File.IsOpen() || destination.empty() || position > guest ||
      destination.size() > guest - position)
    return fail();
  const uint64_t spb = m_Header.sectorsPerBlock;
  uint64_t x = position;
  size_t done = 0;
  while (done < destination.size()) {
    const uint64_t sector = x / kSector;
    const uint64_t block = sector / spb;
    if (block >= m_Table.size()) return fail();
    const uint64_t blockEnd = (block + 1) * spb * kSector;
    const size_t n =
        static_cast<size_t>(std::min<uint64_t>(destination.size() - done, blockEnd - x));
    auto part = destination.subspan(done, n);
    const uint32_t entry = m_Table[block];
    if (entry == 0) {
      // A block never written reads as zeros, as the format defines.
      std::fill(part.begin(), part.end(), std::byte{0});
    } else if (!ReadAllocated(entry, sector % spb, x % kSector, part)) {
      return fail();
    }
    if (x == 0 && m_IsHds && !ProbeAlignment(entry, part)) return fail();
    x += n;
    done += n;
  }
  return 1;
}

bool ParallelsImage::ReadAllocated(uint32_t entry, uint64_t sector, uint64_t within,
                                   std::span<std::byte> out) {
  const uint64_t offset = (uint64_t{entry} + sector + m_SectorShift) * kSector + within;
  return m_File.Read(offset, out);
}

// Some ".hds" files hold the guest disk one sector later than their table says. Reading guest
// sector 0 decides: without a boot signature there but with one in the next file sector, every
// later read is shifted by one sector.
bool ParallelsImage::ProbeAlignment(uint32_t entry, std::span<std::byte> out) {
  if (entry == 0 || out.size() < kSector) return true;
  if (out[510] == std::byte{0x55}) return true;
  std::array<std::byte, kSector> next{};
  if (!m_File.Read((uint64_t{entry} + m_SectorShift + 1) * kSector, next)) return false;
  if (next[510] == std::byte{0x55} && next[511] == std::byte{0xAA}) {
    m_SectorShift = 1;
    return ReadAllocated(entry, 0, 0, out);
  }
  m_SectorShift = 0;
  return true;
}

void ParallelsImage::Close() {
  std::lock_guard lock(m_Mutex);
  m_File.Close();
  m_Table.clear();
  m_SectorShift = 0;
}
