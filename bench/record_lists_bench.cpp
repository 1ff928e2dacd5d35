// Insertion into the result lists against the plain walk the list order is defined by, and the
// memory a file record costs with its name.
//
// Input: 1,000,000 files whose parent keys are drawn at random from 50,000 folders, and 200,000
// folders with random parents. The plain walk is far too slow for the full input, so it runs on
// smaller counts and is extrapolated: linearly for files (each insertion walks about one
// skip-index spacing; its measured cost per file still rises with the list, so the linear figure
// understates the plain walk), quadratically for folders (each insertion searches the rest of the
// list for a duplicate). The summary prints both the measured and the extrapolated figures.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "tests/core/engine/records/PlainListWalk.h"

namespace {

constexpr size_t kFiles = 1'000'000;
constexpr uint32_t kFileFolders = 50'000;
constexpr size_t kFolders = 200'000;
constexpr size_t kPlainFiles = 200'000;
constexpr size_t kPlainFolders = 20'000;

struct FolderInput {
  uint32_t parent, id;
  uint8_t deleted;
};

const std::vector<uint32_t>& FileKeys() {
  static const std::vector<uint32_t> keys = [] {
    std::mt19937 rng(2024);
    std::vector<uint32_t> v(kFiles);
    for (auto& k : v) k = 16 + rng() % kFileFolders;
    return v;
  }();
  return keys;
}

const std::vector<FolderInput>& Folders() {
  static const std::vector<FolderInput> folders = [] {
    std::mt19937 rng(99);
    std::vector<FolderInput> v(kFolders);
    for (size_t i = 0; i < v.size(); ++i)
      v[i] = {static_cast<uint32_t>(5 + rng() % kFolders), static_cast<uint32_t>(16 + i),
              static_cast<uint8_t>(rng() % 10 == 0 ? 'y' : 'n')};
    return v;
  }();
  return folders;
}

// A 20-unit name per file.
const std::u16string kName = u"IMG_20240101_1234.jp";

// Bytes the allocator has handed out, including the large chunks it maps directly.
size_t HeapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

struct Results {
  double fastFiles = 0, plainFiles = 0, fastFolders = 0, plainFolders = 0;
  double arenaBytesPerFile = 0, heapBytesPerFile = 0;
} g_Results;

void BM_FastFiles(benchmark::State& state) {
  const auto& keys = FileKeys();
  for (auto _ : state) {
    ResetScanState();
    const size_t heapBefore = HeapInUse();
    const auto t0 = std::chrono::steady_clock::now();
    for (uint32_t k : keys) AddFileRecord({.wideName = kName, .parentId = k});
    const auto t1 = std::chrono::steady_clock::now();
    const size_t heapAfter = HeapInUse();
    g_Results.fastFiles = Seconds(t1 - t0);
    g_Results.arenaBytesPerFile =
        double(g_ScanState.fileList.ArenaBytesUsed()) / double(g_ScanState.fileCount.load());
    g_Results.heapBytesPerFile = double(heapAfter - heapBefore) / double(kFiles);
    state.SetIterationTime(g_Results.fastFiles);
    state.counters["ns_per_file"] = g_Results.fastFiles * 1e9 / kFiles;
    state.counters["arena_bytes_per_file"] = g_Results.arenaBytesPerFile;
    state.counters["heap_bytes_per_file"] = g_Results.heapBytesPerFile;
    ResetScanState();
  }
}

void BM_PlainFiles(benchmark::State& state) {
  const auto& keys = FileKeys();
  const size_t n = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    plain::PlainList list;
    const auto t0 = std::chrono::steady_clock::now();
    for (size_t i = 0; i < n; ++i) list.InsertFile(keys[i], static_cast<uint32_t>(i));
    const auto t1 = std::chrono::steady_clock::now();
    if (n == kPlainFiles) g_Results.plainFiles = Seconds(t1 - t0);
    state.SetIterationTime(Seconds(t1 - t0));
    state.counters["ns_per_file"] = Seconds(t1 - t0) * 1e9 / double(n);
  }
}

void BM_FastFolders(benchmark::State& state) {
  const auto& folders = Folders();
  for (auto _ : state) {
    ResetScanState();
    const auto t0 = std::chrono::steady_clock::now();
    AddFolderRecord({.wideName = u"Lost", .parentId = 5, .id = kLostFolderId});
    for (const auto& f : folders)
      AddFolderRecord({.wideName = kName, .deleted = f.deleted, .parentId = f.parent, .id = f.id});
    const auto t1 = std::chrono::steady_clock::now();
    g_Results.fastFolders = Seconds(t1 - t0);
    state.SetIterationTime(g_Results.fastFolders);
    state.counters["ns_per_folder"] = g_Results.fastFolders * 1e9 / kFolders;
    ResetScanState();
  }
}

void BM_PlainFolders(benchmark::State& state) {
  const auto& folders = Folders();
  const size_t n = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    plain::PlainList list;
    const auto t0 = std::chrono::steady_clock::now();
    list.AddFolder(5, kLostFolderId, 0, 'n', 0);
    for (size_t i = 0; i < n; ++i)
      list.AddFolder(folders[i].parent, folders[i].id, 0, folders[i].deleted, uint32_t(i));
    const auto t1 = std::chrono::steady_clock::now();
    if (n == kPlainFolders) g_Results.plainFolders = Seconds(t1 - t0);
    state.SetIterationTime(Seconds(t1 - t0));
    state.counters["ns_per_folder"] = Seconds(t1 - t0) * 1e9 / double(n);
  }
}

BENCHMARK(BM_FastFiles)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainFiles)
    ->Arg(kPlainFiles / 2)
    ->Arg(kPlainFiles)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FastFolders)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainFolders)
    ->Arg(kPlainFolders / 2)
    ->Arg(kPlainFolders)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  const Results& r = g_Results;
  std::printf("\nSummary\n");
  if (r.fastFiles > 0 && r.plainFiles > 0) {
    const double plainFull = r.plainFiles * double(kFiles) / double(kPlainFiles);
    std::printf(
        "files:   fast %zu inserts %.3f s; plain walk %zu inserts %.3f s, extrapolated linearly to "
        "%zu: %.1f s; ratio %.1fx\n",
        kFiles, r.fastFiles, kPlainFiles, r.plainFiles, kFiles, plainFull, plainFull / r.fastFiles);
  }
  if (r.fastFolders > 0 && r.plainFolders > 0) {
    const double scale = double(kFolders) / double(kPlainFolders);
    const double plainFull = r.plainFolders * scale * scale;
    std::printf(
        "folders: fast %zu inserts %.3f s; plain walk %zu inserts %.3f s, extrapolated "
        "quadratically to %zu: %.1f s; ratio %.1fx\n",
        kFolders, r.fastFolders, kPlainFolders, r.plainFolders, kFolders, plainFull,
        plainFull / r.fastFolders);
  }
  if (r.arenaBytesPerFile > 0) {
    std::printf(
        "memory per file record with a 20-unit name: %.1f bytes in the list's arena, %.1f bytes "
        "of heap in all (mallinfo2: arena chunks, key map, skip index)\n",
        r.arenaBytesPerFile, r.heapBytesPerFile);
  }
  return 0;
}
