// Peak memory of a real scan per file record: the scan runs once over a volume image as the
// analysis page runs it (no listing is printed), and the growth of the process's peak resident
// size (getrusage) over its size before the scan is divided by the file records found.
// bench/scan_memory.sh makes the volumes and runs this once per file system, each in a process of
// its own, since the peak never comes down; bench/ntfs_scan.sh and bench/ntfs_signature.sh take
// its time as the scan alone.
//
// The image path comes from MERROWIND_BENCH_IMAGE and its file system ("NTFS", "FAT32", ...) from
// MERROWIND_BENCH_FS. MERROWIND_BENCH_MODE=formatted runs the formatted-recovery scan instead of
// the deleted-file scan, over every sector of the image but its last (as scan-dump --end does).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/records/ScanState.h"
#include "engine/scans/ScanSelect.h"
#include "engine/worker/ScanJob.h"
#include "platform/DeviceNamespace.h"
#include "platform/RawDevice.h"
#include "saving/ProgramState.h"
#include "storage/FileSystemKind.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"

namespace {

constexpr const char* kDevice = "\\\\.\\PhysicalDrive0";

// Resident bytes now, from the kernel's page count of this process.
long ResidentBytes() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4096;
}

long PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss * 1024L;  // kilobytes on Linux
}

void BM_ScanPeakMemory(benchmark::State& state) {
  const char* image = std::getenv("MERROWIND_BENCH_IMAGE");
  const char* fs = std::getenv("MERROWIND_BENCH_FS");
  const char* mode = std::getenv("MERROWIND_BENCH_MODE");
  const bool formatted = mode && std::string(mode) == "formatted";
  if (!image || !fs) {
    state.SkipWithError("MERROWIND_BENCH_IMAGE and MERROWIND_BENCH_FS must be set");
    return;
  }
  auto probe = OpenFileDevice(image, DeviceAccess::Read);
  if (!probe || !probe->SizeBytes()) {
    state.SkipWithError("cannot open the image");
    return;
  }
  for (auto _ : state) {
    ResetProgramState();
    MapDeviceToFile(kDevice, image);
    g_CurrentDevice = 0;
    g_BytesPerSector = 512;
    g_SourceStartSector = 0;
    g_SourceEndSector = static_cast<int64_t>(*probe->SizeBytes() / 512) - 1;
    g_FileSystemName = ParseFileSystemKind(fs);
    g_FormattedMode = formatted ? 1 : 0;
    if (!DetectVolumeGeometry()) {
      state.SkipWithError("no volume recognised in the image");
      return;
    }
    g_ScanState.fileSystem = g_FileSystemName;
    const ScanThreadFn scan = SelectScanThread(g_FileSystemName);
    if (!scan) {
      state.SkipWithError("no scan for this file system");
      return;
    }
    ScanControl control;
    ScanObserver observer;
    ScanJob job{control, observer};
    const long before = ResidentBytes();
    const auto t0 = std::chrono::steady_clock::now();
    const ScanEnd end = scan(job);
    const auto t1 = std::chrono::steady_clock::now();
    const long peak = PeakResidentBytes();
    const double files = g_ScanState.fileCount.load();
    if (end != ScanEnd::Finished || files == 0) {
      state.SkipWithError("the scan did not finish with files");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    state.counters["files"] = files;
    state.counters["folders"] = g_ScanState.folderCount.load();
    state.counters["peak_growth_MiB"] = double(peak - before) / (1 << 20);
    state.counters["bytes_per_file"] = double(peak - before) / files;
    std::fprintf(stderr,
                 "%s %s scan: %.0f file records, peak resident size grew %.1f MiB: %.1f bytes "
                 "per file record\n",
                 fs, formatted ? "formatted" : "deleted", files, double(peak - before) / (1 << 20),
                 double(peak - before) / files);
    ResetProgramState();
  }
  ClearDeviceMappings();
}

BENCHMARK(BM_ScanPeakMemory)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
