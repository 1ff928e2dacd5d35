// Fuzzes the whole NTFS deleted-file scan over a small in-memory volume: the $MFT map from record 0
// (and record 5), the walk with attribute lists, the lost-folder stage. Input: a 3-byte header
// (bits 0-1: sectors per cluster as a power of two; bits 2-7: when not 0, one unreadable sector
// that many sectors into the $MFT; then the $MFT's cluster) and the bytes that lie at the $MFT's
// start; the rest of the 4 MiB volume is zeros.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/records/ScanState.h"
#include "engine/scans/NtfsDeletedScan.h"
#include "platform/DeviceNamespace.h"
#include "platform/FakeDevices.h"
#include "prompts/UserPrompts.h"
#include "saving/ProgramState.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "storage/ntfs/NtfsMftMap.h"
#include "tests/fuzz/QuietPrompts.h"

namespace {

constexpr uint64_t kSectors = 8192;
constexpr const char* kDevice = "\\\\.\\PhysicalDrive0";

using QuietPrompts = fuzz_support::QuietPrompts;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static QuietPrompts prompts;
  SetUserPrompts(&prompts);
  const uint32_t spc = 1u << (data[0] % 4);
  const uint64_t mftSector = ((data[1] | (data[2] << 8)) % 1024) * uint64_t{spc};
  auto disk = std::make_shared<MemoryDisk>();
  disk->bytes.resize(kSectors * 512);
  const size_t n = std::min<size_t>(size - 3, (kSectors - mftSector) * 512);
  std::memcpy(disk->bytes.data() + mftSector * 512, data + 3, n);

  ResetProgramState();
  g_BadSectorChoice = 0;
  auto plan = std::make_shared<FaultPlan>();
  if (data[0] >> 2) plan->badSectors.insert(mftSector + (data[0] >> 2));
  MapDeviceToFactory(kDevice, [disk, plan](DeviceAccess) {
    return std::make_unique<FaultyDevice>(std::make_unique<MemoryDevice>(disk), plan);
  });
  SetDevicePath(0, kDevice);
  g_CurrentDevice = 0;
  g_BytesPerSector = 512;
  g_SourceEndSector = kSectors - 1;
  g_VolumeGeometry = {2, 8, static_cast<uint32_t>(mftSector), 0, spc, 0, 0, 0, 0, 0, 0, 0};

  ScanControl control;
  ScanObserver observer;
  ScanJob job{control, observer};
  RunNtfsDeletedScan(job);

  ResetProgramState();
  ClearDeviceMappings();
  SetUserPrompts(nullptr);
  return 0;
}
