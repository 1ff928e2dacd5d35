// Fuzzes DetectVolumeGeometry over an in-memory source. The first bytes of the input choose the
// file system, the volume's start and end and the sector size; the rest is the disk, repeated
// over a large device so that small inputs still reach the FATs, the $MFT and the backup boot
// sectors wherever the boot sector points.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/DeviceNamespace.h"
#include "platform/RawDevice.h"
#include "saving/ProgramState.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"

namespace {

class RepeatingDevice final : public RawDevice {
 public:
  explicit RepeatingDevice(std::vector<std::byte> pattern) : m_Pattern(std::move(pattern)) {}
  int64_t ReadAt(uint64_t offset, std::span<std::byte> buffer) override {
    if (offset >= kSize) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), kSize - offset));
    for (size_t i = 0; i < n; ++i) buffer[i] = m_Pattern[(offset + i) % m_Pattern.size()];
    return static_cast<int64_t>(n);
  }
  int64_t WriteAt(uint64_t, std::span<const std::byte>) override { return -1; }
  std::optional<uint64_t> SizeBytes() override { return kSize; }
  uint32_t LogicalSectorSize() override { return 0; }
  bool Sync() override { return true; }
  bool Close() override { return true; }

 private:
  static constexpr uint64_t kSize = uint64_t{1} << 40;
  std::vector<std::byte> m_Pattern;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  static const FileSystemKind kKinds[] = {FileSystemKind::Fat16, FileSystemKind::Fat32,
                                          FileSystemKind::Ntfs, FileSystemKind::Fat12};
  static const int32_t kSectorSizes[] = {512, 512, 1024, 4096, 333};

  ResetProgramState();
  g_FileSystemName = kKinds[data[0] % 4];
  g_SourceStartSector = data[1] | (data[2] << 8);
  g_SourceEndSector = g_SourceStartSector + (data[3] | (data[4] << 8));
  if (data[5] & 0x80) g_SourceEndSector = 0;
  g_BytesPerSector = kSectorSizes[data[6] % 5];

  std::vector<std::byte> pattern(size - 8);
  if (!pattern.empty()) std::memcpy(pattern.data(), data + 8, pattern.size());
  if (pattern.empty()) pattern.resize(1);
  auto shared = std::make_shared<std::vector<std::byte>>(std::move(pattern));
  MapDeviceToFactory("\\\\.\\PhysicalDrive0",
                     [shared](DeviceAccess) { return std::make_unique<RepeatingDevice>(*shared); });
  ResetVolumeGeometry();
  DetectVolumeGeometry();
  ResetDeviceHandleCache();
  ClearDeviceMappings();
  return 0;
}
