// Fuzzes the scan log readers over an in-memory log: the header and partition reader with every
// check, the record reader behind a header that passed, and the record reader alone from an
// offset and mode the input picks (as if the file changed after its header was read).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "engine/records/ScanState.h"
#include "engine/scanlog/ScanLogGlobals.h"
#include "engine/scanlog/ScanLogHeader.h"
#include "engine/scanlog/ScanLogReader.h"
#include "engine/worker/ScanJob.h"
#include "prompts/UserPrompts.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "tests/fuzz/QuietPrompts.h"

namespace {

using SilentPrompts = fuzz_support::QuietPrompts;

void ResetAll() {
  ResetProgramState();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static SilentPrompts prompts;
  SetUserPrompts(&prompts);
  const auto bytes = std::as_bytes(std::span(data, size));
  MemoryLogSource source(bytes);
  ScanControl control;
  ScanObserver observer;

  ResetAll();
  ScanLogHeader h;
  // Seeds carry an empty model, which is what a machine without a chosen disk compares with.
  if (CheckScanLog(source, u"", h) == ScanLogCheck::Valid) {
    ApplyScanLogHeader(h, "fuzz.kvsl");
    ScanJob job{control, observer};
    LoadScanLogRecordsFrom(source, h.recordOffset, job);
  }

  // The record reader on its own, from an offset given by the last bytes.
  if (size >= 3) {
    ResetAll();
    const uint8_t mode = data[size - 1];
    g_ScanState.partitionStyle = mode & 1;
    g_PartitionMode = (mode >> 1) & 1;
    const uint64_t offset = (data[size - 2] | (uint64_t{data[size - 3]} << 8)) % (size + 1);
    ScanJob job{control, observer};
    LoadScanLogRecordsFrom(source, offset, job);
  }
  ResetAll();
  SetUserPrompts(nullptr);
  return 0;
}
