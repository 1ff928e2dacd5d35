// Fuzzes the FAT deleted-file scan over an in-memory volume whose every sector (FAT, root and
// clusters) holds the input, so that directory entries, long names, folder clusters and chains
// all come from it. The first bytes choose FAT16 or FAT32 and the cluster size. The scan must end
// and leave the result lists consistent.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/records/ScanState.h"
#include "engine/scans/FatDeletedScan.h"
#include "platform/DeviceNamespace.h"
#include "platform/RawDevice.h"
#include "prompts/UserPrompts.h"
#include "saving/ProgramState.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "storage/fat/FatLongName.h"
#include "tests/fuzz/QuietPrompts.h"

namespace {

// 160 sectors: the volume holds only a few dozen clusters, which keeps each input fast.
constexpr uint64_t kSectors = 160;

class PatternDevice final : public RawDevice {
 public:
  explicit PatternDevice(std::shared_ptr<const std::vector<std::byte>> p)
      : m_Pattern(std::move(p)) {}
  int64_t ReadAt(uint64_t offset, std::span<std::byte> buffer) override {
    const uint64_t size = kSectors * 512;
    if (offset >= size) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - offset));
    for (size_t i = 0; i < n; ++i) buffer[i] = (*m_Pattern)[(offset + i) % m_Pattern->size()];
    return static_cast<int64_t>(n);
  }
  int64_t WriteAt(uint64_t, std::span<const std::byte>) override { return -1; }
  std::optional<uint64_t> SizeBytes() override { return kSectors * 512; }
  uint32_t LogicalSectorSize() override { return 0; }
  bool Sync() override { return true; }
  bool Close() override { return true; }

 private:
  std::shared_ptr<const std::vector<std::byte>> m_Pattern;
};

using QuietPrompts = fuzz_support::QuietPrompts;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  static QuietPrompts quiet;
  SetUserPrompts(&quiet);
  static const uint32_t kSpc[] = {1, 2, 4, 8};
  const bool fat32 = data[0] & 1;
  const uint32_t spc = kSpc[(data[0] >> 1) & 3];

  auto pattern = std::make_shared<std::vector<std::byte>>(size - 2);
  if (!pattern->empty()) std::memcpy(pattern->data(), data + 2, pattern->size());
  ResetProgramState();
  g_BadSectorChoice = 3;
  g_SourceEndSector = kSectors - 1;
  MapDeviceToFactory("\\\\.\\PhysicalDrive0",
                     [pattern](DeviceAccess) { return std::make_unique<PatternDevice>(pattern); });

  // FATs at 1 and 5 (4 sectors each); FAT16 root at 9 (8 sectors); clusters from sector 17.
  g_ScanState.fileSystem = fat32 ? FileSystemKind::Fat32 : FileSystemKind::Fat16;
  const uint32_t root = fat32 ? 2 + data[1] % 8 : 9;
  g_VolumeGeometry = {
      0, 0, 0, 0, spc, 4, root, fat32 ? 0u : 8u, 1, static_cast<uint32_t>(17 - 2 * int64_t{spc}),
      1, 5};

  ScanControl control;
  ScanObserver observer;
  ScanJob job{control, observer};
  FatDeletedScanThread(job);

  // The long-name reader on the raw input as one directory sector, at every entry.
  std::vector<std::byte> sector(512);
  std::memcpy(sector.data(), pattern->data(), std::min<size_t>(512, pattern->size()));
  std::u16string name;
  for (size_t at = 0; at < 512; at += 32) {
    if (AssembleFatLongName(sector, name, at, data[1] % 20) == 0 && name.size() > 255)
      __builtin_trap();
  }

  uint32_t files = 0;
  for (auto* f = g_ScanState.fileList.head; f; f = f->next) ++files;
  if (files != g_ScanState.fileCount.load()) __builtin_trap();

  ResetProgramState();
  ClearDeviceMappings();
  return 0;
}
