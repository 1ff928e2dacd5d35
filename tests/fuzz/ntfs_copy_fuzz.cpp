// Fuzzes the NTFS file extraction over a small in-memory volume: FILE records (with attribute
// lists into other records), resident values, run lists, sparse and unreadable runs, and the
// file's size against what its data holds. Input: a 4-byte header (bits 0-1 of byte 0: sectors
// per cluster as a power of two; bits 2-7: when not 0, one unreadable sector that many sectors
// into the data area; byte 1: the record to copy (low 4 bits) and a preview (bit 7); bytes 2-3:
// the file size in KiB, below 2 MiB, plus byte 1's value in bytes) and the bytes of the MFT's
// first 16 records (1,024 bytes each, seeds from the NTFS fixture's records 72 to 87); the rest
// of the 4 MiB volume holds the byte pattern of its sector numbers. One file is written into a
// temporary folder and removed again.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/records/ScanState.h"
#include "platform/DeviceNamespace.h"
#include "platform/FakeDevices.h"
#include "prompts/CopyErrorPrompt.h"
#include "prompts/CopyGlobals.h"
#include "prompts/UserPrompts.h"
#include "saving/ProgramState.h"
#include "saving/extract/CopyCounters.h"
#include "saving/extract/NtfsFileCopy.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "storage/ntfs/NtfsMftMap.h"
#include "tests/fuzz/QuietPrompts.h"

namespace {

constexpr uint64_t kSectors = 8192;
constexpr uint64_t kMftSector = 64;
constexpr uint32_t kRecords = 16;
constexpr const char* kDevice = "\\\\.\\PhysicalDrive0";

using QuietPrompts = fuzz_support::QuietPrompts;

struct SkipErrors final : CopyErrorPrompt {
  CopyErrorAnswer AskCopyError() override { return CopyErrorAnswer::Skip; }
};

const std::string& Folder() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/merrowind-ntfscopy-fuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (!made) std::abort();
    std::atexit([] { ::rmdir(Folder().c_str()); });
    return std::string(made);
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  static QuietPrompts prompts;
  static SkipErrors skip;
  SetUserPrompts(&prompts);
  SetCopyErrorPrompt(&skip);
  const uint32_t spc = 1u << (data[0] % 4);
  auto disk = std::make_shared<MemoryDisk>();
  disk->bytes.resize(kSectors * 512);
  for (uint64_t s = 0; s < kSectors; ++s)
    std::memset(disk->bytes.data() + s * 512, static_cast<int>(s * 7 + 1), 512);
  std::memcpy(disk->bytes.data() + kMftSector * 512, data + 4,
              std::min<size_t>(size - 4, kRecords * 1024));

  ResetProgramState();
  g_BadSectorChoice = 0;
  auto plan = std::make_shared<FaultPlan>();
  if (data[0] >> 2) plan->badSectors.insert(kMftSector + kRecords * 2 + (data[0] >> 2));
  MapDeviceToFactory(kDevice, [disk, plan](DeviceAccess) {
    return std::make_unique<FaultyDevice>(std::make_unique<MemoryDevice>(disk), plan);
  });
  SetDevicePath(0, kDevice);
  g_CurrentDevice = 0;
  g_BytesPerSector = 512;
  g_SourceEndSector = kSectors - 1;
  g_VolumeGeometry = {2, 8, static_cast<uint32_t>(kMftSector), 0, spc, 0, 0, 0, 0, 0, 0, 0};
  NtfsAppendRun(g_MftRuns, kMftSector, kRecords * 2);
  g_MftSectorsPerRecord = 2;

  const TargetFolder folder = TargetFolder::Open(Folder());
  NtfsCopyRequest request;
  request.folder = &folder;
  request.name = u"copy.bin";
  request.recordNumber = data[1] % kRecords;
  request.size = ((uint64_t{data[2]} | uint64_t{data[3]} << 8) % 2048) * 1024 + data[1];
  request.modified = 132000000000000000ULL;
  request.saving = (data[1] & 0x80) == 0;
  CopyObserver observer;
  CopyNtfsFile(request, observer);
  ::unlinkat(folder.Fd(), "copy.bin", 0);

  ResetProgramState();
  ClearDeviceMappings();
  SetCopyErrorPrompt(nullptr);
  SetUserPrompts(nullptr);
  return 0;
}
