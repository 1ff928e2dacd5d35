// Imaging a source file into a folder with the disk-image worker, split and in one file, as the
// imaging page runs it: the source file is served as "\\.\PhysicalDrive0" and read through
// ReadSectors, the pieces are written, synced and closed. bench/disk_image.sh makes the source and
// compares with dd in the same run.
//
// MERROWIND_BENCH_IMAGE names the source file, MERROWIND_BENCH_OUT the (existing) target folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/DeviceNamespace.h"
#include "platform/RawDevice.h"
#include "prompts/UserPrompts.h"
#include "prompts/CopyGlobals.h"
#include "saving/imaging/DiskImageWorker.h"
#include "saving/imaging/ImageGlobals.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "saving/ProgramState.h"

namespace {

constexpr const char* kDevice = "\\\\.\\PhysicalDrive0";

class QuietPrompts final : public UserPrompts {
 public:
  void ViewMsgBox(std::string_view text) override { lastNotice = text; }
  int ViewQuestionMsg(std::string_view) override { return 2; }
  int AskBadSector() override { return 1; }
  void FatalBox(std::string_view, std::string_view) override {}
  std::string lastNotice;
};

void RemovePieces(const std::string& folder) {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec))
    if (e.path().filename().string().rfind("DiskImage", 0) == 0) std::filesystem::remove(e, ec);
}

void BM_ImageToFolder(benchmark::State& state) {
  const char* image = std::getenv("MERROWIND_BENCH_IMAGE");
  const char* out = std::getenv("MERROWIND_BENCH_OUT");
  if (!image || !out) {
    state.SkipWithError("MERROWIND_BENCH_IMAGE or MERROWIND_BENCH_OUT is not set");
    return;
  }
  auto probe = OpenFileDevice(image, DeviceAccess::Read);
  if (!probe || !probe->SizeBytes()) {
    state.SkipWithError("cannot open the source");
    return;
  }
  const int64_t sectors = static_cast<int64_t>(*probe->SizeBytes() / 512);
  QuietPrompts prompts;
  SetUserPrompts(&prompts);
  for (auto _ : state) {
    state.PauseTiming();
    RemovePieces(out);  // like dd, each run creates its files
    ResetProgramState();
    MapDeviceToFile(kDevice, image);
    g_SourceStartSector = 0;
    g_SourceEndSector = sectors;
    g_ImageMultiFile = static_cast<int32_t>(state.range(0));
    g_ImagePath = std::string(out) + "/DiskImage.dmg";
    state.ResumeTiming();

    ScanControl control;
    ScanObserver observer;
    ScanJob job{control, observer, ProgressThrottle(ProgressThrottle::kImagePeriod)};
    if (!DiskImageThread(job).success) {
      state.SkipWithError("imaging failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * sectors * 512);
  RemovePieces(out);
  SetUserPrompts(nullptr);
  ResetDeviceHandleCache();
  ClearDeviceMappings();
}

BENCHMARK(BM_ImageToFolder)
    ->ArgName("multi")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
