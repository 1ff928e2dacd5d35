// The results list at scale, without a window: the rows of a folder of 100,000 files built as the
// list fill builds them and sorted by each column in both directions (the header click's work on
// the list worker), the select worker's marks over 1,000,000 files (the files of every folder the
// tree marked, and the root's check of every record), and the memory a listed row costs.
//
// Input (not timed, bench/ResultsScaleLists.h): 10,000 folders under the NTFS root and 1,000,000
// files, 100,000 of them in the first folder.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/ResultsScaleLists.h"
#include "results/ResultRows.h"
#include "results/RowSelection.h"

namespace {

constexpr uint32_t kFolders = 10'000;
constexpr auto kFs = FileSystemKind::Ntfs;

const char* const kColumnNames[kListColumnCount] = {"Name",    "Type",     "Size", "Modified",
                                                    "Created", "Accessed", "ID"};

void BuildLists() {
  static bool built = false;
  if (!built) BuildScaleLists(kFolders);
  built = true;
}

std::vector<ResultRow> BigFolderRows() {
  const std::atomic<bool> cancel{false};
  return CollectFolderRows(kBigFolderId, 0, kFs, false, cancel);
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

size_t HeapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

long PeakRssKb() {
  struct rusage u {};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

struct Figures {
  double collect = 0;
  double sort[kListColumnCount][2] = {};
  double selectWalk = 0, deselectWalk = 0, markAll = 0, unmarkAll = 0;
  double rowBytes = 0, heapBytesPerRow = 0, nameSortPeakBytesPerRow = 0;
} g_Figures;

// Times work once per iteration and keeps the best in best (seconds).
template <class Work>
void TimeBest(benchmark::State& state, double& best, Work&& work) {
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    work();
    const double s = Seconds(std::chrono::steady_clock::now() - t0);
    state.SetIterationTime(s);
    if (best == 0 || s < best) best = s;
  }
}

void BM_CollectRows(benchmark::State& state) {
  BuildLists();
  size_t rows = 0;
  TimeBest(state, g_Figures.collect, [&] { rows = BigFolderRows().size(); });
  state.counters["rows"] = static_cast<double>(rows);
}

// Sorts the fill's order by one column: args column, descending.
void BM_Sort(benchmark::State& state) {
  BuildLists();
  const auto column = static_cast<ListColumn>(state.range(0));
  const bool descending = state.range(1) != 0;
  const std::vector<ResultRow> filled = BigFolderRows();
  std::vector<ResultRow> rows;
  for (auto _ : state) {
    rows = filled;  // not timed: the page copies the shown rows for the worker in well under 1 ms
    const auto t0 = std::chrono::steady_clock::now();
    SortRows(rows, column, descending, kFs);
    const double s = Seconds(std::chrono::steady_clock::now() - t0);
    state.SetIterationTime(s);
    double& best = g_Figures.sort[state.range(0)][descending];
    if (best == 0 || s < best) best = s;
  }
  state.SetLabel(std::string(kColumnNames[state.range(0)]) + (descending ? " desc" : " asc"));
}

// The select worker's work: args everything (the root's check, every record) or the files of
// every folder the tree marked, and selected (1) or not (0).
void BM_Mark(benchmark::State& state) {
  BuildLists();
  std::vector<uint32_t> ids;
  for (uint32_t i = 0; i < kFolders; ++i) ids.push_back(kBigFolderId + i);
  const bool everything = state.range(0) != 0;
  const bool selected = state.range(1) != 0;
  const std::atomic<bool> cancel{false};
  double& best = everything ? (selected ? g_Figures.markAll : g_Figures.unmarkAll)
                            : (selected ? g_Figures.selectWalk : g_Figures.deselectWalk);
  TimeBest(state, best, [&] {
    if (everything)
      MarkEverything(0, selected, cancel);
    else
      MarkFilesOfFolders(ids, selected, cancel);
  });
  state.SetLabel(std::string(everything ? "root " : "folders ") +
                 (selected ? "select" : "deselect"));
}

void BM_RowMemory(benchmark::State& state) {
  BuildLists();
  for (auto _ : state) {
    malloc_trim(0);
    const size_t heapBefore = HeapInUse();
    std::vector<ResultRow> rows = BigFolderRows();
    const size_t heapAfter = HeapInUse();
    // The name sort keeps a name per row while it runs: its peak shows in the resident size.
    const long rssBefore = PeakRssKb();
    SortRows(rows, ListColumn::Name, false, kFs);
    const long rssAfter = PeakRssKb();
    g_Figures.rowBytes = double(rows.capacity() * sizeof(ResultRow)) / double(rows.size());
    g_Figures.heapBytesPerRow = double(heapAfter - heapBefore) / double(rows.size());
    g_Figures.nameSortPeakBytesPerRow = 1024.0 * double(rssAfter - rssBefore) / double(rows.size());
    state.counters["row_model_bytes"] = g_Figures.rowBytes;
    state.counters["heap_bytes"] = g_Figures.heapBytesPerRow;
    state.counters["name_sort_peak_rss_bytes"] = g_Figures.nameSortPeakBytesPerRow;
  }
}

// The memory figure first, while the process's peak is still the lists' own.
BENCHMARK(BM_RowMemory)->Iterations(1);
BENCHMARK(BM_CollectRows)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {1, 0}})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mark)
    ->ArgsProduct({{0, 1}, {1, 0}})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  // One line per figure, "name value": bench/results_scale.sh reads them.
  const Figures& f = g_Figures;
  std::printf("\nFigures (best of 5, milliseconds unless named)\n");
  std::printf("rows_collect %.2f\n", f.collect * 1e3);
  for (int c = 0; c < kListColumnCount; ++c)
    std::printf("sort_%s_desc %.2f\nsort_%s_asc %.2f\n", kColumnNames[c], f.sort[c][1] * 1e3,
                kColumnNames[c], f.sort[c][0] * 1e3);
  std::printf("select_walk %.2f\ndeselect_walk %.2f\ncheck_root %.2f\nuncheck_root %.2f\n",
              f.selectWalk * 1e3, f.deselectWalk * 1e3, f.markAll * 1e3, f.unmarkAll * 1e3);
  std::printf("row_model_bytes %.1f\nrow_heap_bytes %.1f\nname_sort_peak_bytes %.1f\n", f.rowBytes,
              f.heapBytesPerRow, f.nameSortPeakBytesPerRow);
  return 0;
}
