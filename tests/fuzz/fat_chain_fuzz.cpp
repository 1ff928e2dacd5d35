// Fuzzes the FAT chain walks over an in-memory FAT. The first bytes choose the FAT width, the
// first cluster, the cap and the expected cluster count of the copy's walk; the rest is the FAT,
// repeated over its whole size. Every walk must end, keep each cluster once and follow only data
// clusters of the volume.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "platform/DeviceNamespace.h"
#include "platform/RawDevice.h"
#include "saving/ProgramState.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/fat/FatChain.h"

namespace {

constexpr uint64_t kFatSectors = 64;

class PatternDevice final : public RawDevice {
 public:
  explicit PatternDevice(std::shared_ptr<const std::vector<std::byte>> p)
      : m_Pattern(std::move(p)) {}
  int64_t ReadAt(uint64_t offset, std::span<std::byte> buffer) override {
    if (offset >= kSize) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), kSize - offset));
    for (size_t i = 0; i < n; ++i) buffer[i] = (*m_Pattern)[(offset + i) % m_Pattern->size()];
    return static_cast<int64_t>(n);
  }
  int64_t WriteAt(uint64_t, std::span<const std::byte>) override { return -1; }
  std::optional<uint64_t> SizeBytes() override { return kSize; }
  uint32_t LogicalSectorSize() override { return 0; }
  bool Sync() override { return true; }
  bool Close() override { return true; }

 private:
  static constexpr uint64_t kSize = (1 + 2 * kFatSectors) * 512;
  std::shared_ptr<const std::vector<std::byte>> m_Pattern;
};

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void CheckChain(const ClusterList& list, const FatVolume& v, size_t most) {
  std::set<uint32_t> seen;
  for (size_t i = 0; i < list.size(); ++i) {
    Check(seen.insert(list[i]).second);
    if (i > 0) Check(v.IsDataCluster(list[i]));
  }
  Check(list.size() <= most);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  static const int kBits[] = {12, 16, 32};
  FatVolume v;
  v.bits = kBits[data[0] % 3];
  v.sectorBytes = 512;
  v.sectorsPerCluster = 1;
  v.fat1Start = 1;
  v.fat2Start = 1 + kFatSectors;
  v.fatSectors = kFatSectors;
  v.clusterBase = static_cast<int64_t>(1 + 2 * kFatSectors) - 2;
  const uint64_t entries =
      v.bits == 12 ? kFatSectors * 512 * 2 / 3 : kFatSectors * 512 * 8 / v.bits;
  v.clusterLimit = static_cast<uint32_t>(std::min<uint64_t>(entries, data[1] | data[2] << 8));
  const uint32_t first = data[3] | data[4] << 8;
  const uint32_t cap = (data[5] & 1) ? kDeletedFolderCap : 0;
  const uint64_t expected = data[6] | data[7] << 8;

  auto pattern = std::make_shared<std::vector<std::byte>>(size - 8);
  if (!pattern->empty()) std::memcpy(pattern->data(), data + 8, pattern->size());
  ResetProgramState();
  g_BadSectorChoice = 3;
  MapDeviceToFactory("\\\\.\\PhysicalDrive0",
                     [pattern](DeviceAccess) { return std::make_unique<PatternDevice>(pattern); });

  ClusterList chain;
  FollowFatChain(v, chain, first, cap);
  CheckChain(chain, v, cap == kDeletedFolderCap ? kDeletedFolderClusters : v.clusterLimit + 1);

  ClusterList copy;
  ReadFatChainForCopy(v, copy, first, (data[5] & 2) ? v.fat2Start : v.fat1Start, expected);
  CheckChain(copy, v, expected + 1);

  ResetDeviceHandleCache();
  ClearDeviceMappings();
  return 0;
}
