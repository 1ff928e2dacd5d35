// Fuzzes the NTFS signature scan over a small in-memory disk: the sector search with its FILE
// record, INDX block and boot-sector handling, the MFT numbering, the file-system assignment and
// the dump. Input: a 4-byte header, then the bytes laid on the disk.
//   byte 0: bit 0 partition mode (else formatted); bits 1-3 the selected range's sectors per
//           cluster as a power of two; bits 4-7, when not 0, one unreadable sector that many
//           sectors after the payload's start
//   byte 1: the sector where the payload starts (0-255)
//   byte 2: the range's first sector (0-255); byte 3: sectors cut from the range's end (0-255)
// Step 1 reads 520 sectors per call, so payloads near sectors 519 and 1039 cross chunk ends.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/records/ScanState.h"
#include "engine/scans/NtfsSignatureScan.h"
#include "platform/DeviceNamespace.h"
#include "platform/FakeDevices.h"
#include "prompts/UserPrompts.h"
#include "saving/ProgramState.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "tests/fuzz/QuietPrompts.h"

namespace {

constexpr uint64_t kSectors = 1536;
constexpr const char* kDevice = "\\\\.\\PhysicalDrive0";

using QuietPrompts = fuzz_support::QuietPrompts;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  static QuietPrompts prompts;
  SetUserPrompts(&prompts);
  const uint64_t place = data[1];
  auto disk = std::make_shared<MemoryDisk>();
  disk->bytes.resize(kSectors * 512);
  const size_t n = std::min<size_t>(size - 4, (kSectors - place) * 512);
  std::memcpy(disk->bytes.data() + place * 512, data + 4, n);

  ResetProgramState();
  g_BadSectorChoice = 0;
  auto plan = std::make_shared<FaultPlan>();
  if (data[0] >> 4) plan->badSectors.insert(place + (data[0] >> 4));
  MapDeviceToFactory(kDevice, [disk, plan](DeviceAccess) {
    return std::make_unique<FaultyDevice>(std::make_unique<MemoryDevice>(disk), plan);
  });
  SetDevicePath(0, kDevice);
  g_CurrentDevice = 0;
  g_BytesPerSector = 512;
  g_FileSystemName = FileSystemKind::Ntfs;
  g_SourceStartSector = data[2];
  g_SourceEndSector = static_cast<int64_t>(kSectors) - data[3];
  if (data[0] & 1)
    g_PartitionMode = 1;
  else
    g_FormattedMode = 1;
  g_VolumeGeometry = {2, 8, 0, 0, 1u << ((data[0] >> 1) & 7), 0, 0, 0, 0, 0, 0, 0};

  ScanControl control;
  ScanObserver observer;
  ScanJob job{control, observer};
  RunNtfsSignatureScan(job);
  // The second pass over every file system found, as the user may choose each in turn.
  if (data[0] & 1) {
    for (uint32_t fs = 1; fs <= g_ScanState.partitionCount.load() && fs <= 4; ++fs) {
      g_ScanState.chosenFileSystem = static_cast<int32_t>(fs);
      ChosenFileSystemThread(job);
    }
  }

  ResetProgramState();
  ClearDeviceMappings();
  SetUserPrompts(nullptr);
  return 0;
}
