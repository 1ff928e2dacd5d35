// Saving and loading a scan log of a large scan: 1,000,000 files in 50,000 folders. Loading runs
// in two steps, as in the program: Load Log checks the whole file on the UI thread before any
// page opens, then the scan thread builds the lists. The reference is a plain sequential read of
// the same file, the least any reader must pay; the summary prints each step against it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/worker/ScanJob.h"
#include "engine/scanlog/ScanLogGlobals.h"
#include "engine/scanlog/ScanLogHeader.h"
#include "engine/scanlog/ScanLogReader.h"
#include "engine/scanlog/ScanLogWriter.h"
#include "engine/records/ScanState.h"
#include "storage/SourceGlobals.h"
#include "saving/ProgramState.h"

namespace {

constexpr uint32_t kFolders = 50'000;
constexpr uint32_t kFiles = 1'000'000;

std::string LogPath() {
  static const std::string path = (std::filesystem::temp_directory_path() /
                                   ("merrowind-bench-" + std::to_string(::getpid()) + ".kvsl"))
                                      .string();
  return path;
}

void BuildScan() {
  ResetProgramState();
  g_FileSystemName = FileSystemKind::Ntfs;
  g_ScanState.fileSystem = FileSystemKind::Ntfs;
  g_TreeMode = 2;
  std::mt19937 rng(7);
  AddFolderRecord({.wideName = u"Lost", .parentId = 5, .id = kLostFolderId});
  for (uint32_t i = 0; i < kFolders; ++i)
    AddFolderRecord(
        {.wideName = u"Folder name 0001", .parentId = static_cast<uint32_t>(5 + rng() % (i + 1)), .id = 16 + i});
  for (uint32_t i = 0; i < kFiles; ++i)
    AddFileRecord({.wideName = u"IMG_20240101_1234.jpg",
                   .size = rng() % 10'000'000,
                   .parentId = static_cast<uint32_t>(16 + rng() % kFolders),
                   .id = 100'000 + i});
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double g_Save = 0, g_Check = 0, g_Load = 0, g_Read = 0;

void BM_Save(benchmark::State& state) {
  BuildScan();
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    if (!SaveScanLog(LogPath())) state.SkipWithError("save failed");
    g_Save = Seconds(std::chrono::steady_clock::now() - t);
  }
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(LogPath())) / 1e6;
}

void BM_CheckHeaderAndRecords(benchmark::State& state) {
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    if (!LoadScanLogHeader(LogPath())) state.SkipWithError("load failed");
    g_Check = Seconds(std::chrono::steady_clock::now() - t);
  }
}

void BM_LoadRecords(benchmark::State& state) {
  for (auto _ : state) {
    ScanControl control;
    ScanObserver observer;
    ScanJob job{control, observer};
    auto t = std::chrono::steady_clock::now();
    if (LoadScanLogRecords(job) != ScanEnd::Finished) state.SkipWithError("records failed");
    g_Load = Seconds(std::chrono::steady_clock::now() - t);
  }
  state.counters["files"] = g_ScanState.fileCount.load();
}

void BM_PlainRead(benchmark::State& state) {
  std::vector<char> buffer(1 << 16);
  for (auto _ : state) {
    auto t = std::chrono::steady_clock::now();
    const int fd = ::open(LogPath().c_str(), O_RDONLY);
    while (::read(fd, buffer.data(), buffer.size()) > 0) {
    }
    ::close(fd);
    g_Read = Seconds(std::chrono::steady_clock::now() - t);
  }
}

BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CheckHeaderAndRecords)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadRecords)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("\n%u folders, %u files: save %.2f s, check %.2f s, load %.2f s; plain read %.3f s\n",
              kFolders, kFiles, g_Save, g_Check, g_Load, g_Read);
  if (g_Read > 0)
    std::printf("check / plain read: %.1fx   load / plain read: %.1fx\n", g_Check / g_Read,
                g_Load / g_Read);
  std::filesystem::remove(LogPath());
  return 0;
}
