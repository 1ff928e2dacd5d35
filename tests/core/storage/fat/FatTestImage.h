// Helpers for the FAT tests: directory entries and long-name fragments built as a FAT driver
// writes them, and a small in-memory volume served as "\\.\PhysicalDrive0".
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceNamespace.h"
#include "platform/FakeDevices.h"
#include "storage/fat/FatLongName.h"
#include "storage/fat/FatVolume.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

namespace fat_test {

using Bytes = std::vector<std::byte>;

inline void Put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = std::byte(v & 0xFF);
  b[at + 1] = std::byte((v >> 8) & 0xFF);
}
inline void Put32(Bytes& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// An 11-byte short name from "NAME    EXT" style text (padded with blanks).
inline std::string Short11(const std::string& base, const std::string& ext) {
  std::string s = base.substr(0, 8);
  s.resize(8, ' ');
  std::string e = ext.substr(0, 3);
  e.resize(3, ' ');
  return s + e;
}

struct EntrySpec {
  std::string short11;  // 11 bytes
  uint8_t attributes = 0x20;
  uint32_t cluster = 0;
  uint32_t size = 0;
  uint16_t writeDate = 0, writeTime = 0, creationDate = 0, creationTime = 0, accessDate = 0;
};

inline Bytes ShortEntry(const EntrySpec& s) {
  Bytes e(32, std::byte{0});
  for (size_t i = 0; i < 11 && i < s.short11.size(); ++i) e[i] = std::byte(s.short11[i]);
  e[11] = std::byte(s.attributes);
  Put16(e, 14, s.creationTime);
  Put16(e, 16, s.creationDate);
  Put16(e, 18, s.accessDate);
  Put16(e, 20, s.cluster >> 16);
  Put16(e, 22, s.writeTime);
  Put16(e, 24, s.writeDate);
  Put16(e, 26, s.cluster & 0xFFFF);
  Put32(e, 28, s.size);
  return e;
}

// The long-name fragments of name for short11, in disk order (last fragment first), followed by
// nothing: append the short entry after them.
inline Bytes LongNameEntries(const std::u16string& name, const std::string& short11) {
  Bytes shortBytes(11);
  for (size_t i = 0; i < 11; ++i) shortBytes[i] = std::byte(short11[i]);
  const uint8_t sum = FatShortNameChecksum(shortBytes);
  const size_t count = (name.size() + 12) / 13;
  static constexpr size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  Bytes out;
  for (size_t k = count; k-- > 0;) {
    Bytes e(32, std::byte{0});
    e[0] = std::byte((k + 1) | (k + 1 == count ? 0x40 : 0));
    e[11] = std::byte(0x0F);
    e[13] = std::byte(sum);
    for (size_t i = 0; i < 13; ++i) {
      const size_t at = k * 13 + i;
      uint32_t c = at < name.size() ? name[at] : (at == name.size() ? 0 : 0xFFFF);
      Put16(e, kOffsets[i], c);
    }
    out.insert(out.end(), e.begin(), e.end());
  }
  return out;
}

inline void Append(Bytes& to, const Bytes& from) {
  to.insert(to.end(), from.begin(), from.end());
}

// A memory disk of `sectors` zeroed 512-byte sectors served as PhysicalDrive0.
class MemoryVolume {
 public:
  explicit MemoryVolume(uint64_t sectors) : m_Disk(std::make_shared<MemoryDisk>()) {
    m_Disk->bytes.assign(sectors * 512, std::byte{0});
    ResetSourceGlobals();
    ResetDeviceHandleCache();
    auto disk = m_Disk;
    auto plan = m_Plan = std::make_shared<FaultPlan>();
    MapDeviceToFactory("\\\\.\\PhysicalDrive0", [disk, plan](DeviceAccess) {
      return std::make_unique<FaultyDevice>(std::make_unique<MemoryDevice>(disk), plan);
    });
    g_CurrentDevice = 0;
    g_BytesPerSector = 512;
    g_SourceEndSector = static_cast<int64_t>(sectors);  // one past the last sector
  }
  ~MemoryVolume() {
    ResetDeviceHandleCache();
    ClearDeviceMappings();
    ResetSourceGlobals();
  }
  std::byte* Sector(uint64_t s) { return m_Disk->bytes.data() + s * 512; }
  void Write(uint64_t byteOffset, const Bytes& b) {
    std::copy(b.begin(), b.end(), m_Disk->bytes.begin() + static_cast<std::ptrdiff_t>(byteOffset));
  }
  void Put16At(uint64_t byteOffset, uint32_t v) {
    m_Disk->bytes[byteOffset] = std::byte(v & 0xFF);
    m_Disk->bytes[byteOffset + 1] = std::byte((v >> 8) & 0xFF);
  }
  void Put32At(uint64_t byteOffset, uint32_t v) {
    Put16At(byteOffset, v & 0xFFFF);
    Put16At(byteOffset + 2, v >> 16);
  }
  FaultPlan& Plan() { return *m_Plan; }
  MemoryDisk& Disk() { return *m_Disk; }

 private:
  std::shared_ptr<MemoryDisk> m_Disk;
  std::shared_ptr<FaultPlan> m_Plan;
};

// A volume description for tables at sector 1 (first copy) and 1 + fatSectors (second).
inline FatVolume SmallFat(int bits, uint32_t fatSectors = 4, uint32_t clusterLimit = 1000) {
  FatVolume v;
  v.bits = bits;
  v.sectorBytes = 512;
  v.sectorsPerCluster = 1;
  v.fat1Start = 1;
  v.fat2Start = 1 + fatSectors;
  v.fatSectors = fatSectors;
  v.clusterBase = 1 + 2 * uint64_t{fatSectors} - 2;  // cluster 2 follows the FATs
  v.clusterLimit = clusterLimit;
  return v;
}

}  // namespace fat_test
