// The search dialog's walk over large result lists: 1,000,000 files in 50,000 folders (every
// folder shown in the tree), searched by a plain text, an extension pattern, the deleted state
// and a size range. The dialog only drains what the walk found, so the walk's time is the
// worker's time.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "results/SearchWalk.h"
#include "saving/ProgramState.h"

namespace {

constexpr uint32_t kFiles = 1'000'000;
constexpr uint32_t kFolders = 50'000;

void BuildLists() {
  static bool built = false;
  if (built) return;
  built = true;
  ResetProgramState();
  std::mt19937 rng(35);
  const char* const extensions[] = {".txt", ".doc", ".jpg", ".bin", ".xls"};
  for (uint32_t i = 0; i < kFolders; ++i) {
    NewFolder f;
    const std::string name = "Folder" + std::to_string(i);
    f.ansiName = name;
    f.id = 16 + i;
    f.parentId = i < 100 ? kNtfsRootId : 16 + rng() % 100;
    f.deleted = rng() % 10 == 0 ? 'y' : 'n';
    AddFolderRecord(f)->treeItem = 2 + i;
  }
  for (uint32_t i = 0; i < kFiles; ++i) {
    NewFile f;
    const std::string number = std::to_string(i);
    const char* const extension = extensions[rng() % 5];
    std::u16string name = u"file";
    name += static_cast<char16_t>(u'a' + rng() % 26);
    name.append(number.begin(), number.end());
    name.append(extension, extension + 4);
    f.wideName = name;
    f.parentId = 16 + rng() % kFolders;
    f.size = rng() % (1u << 24);
    f.deleted = rng() % 4 == 0 ? 'y' : 'n';
    AddFileRecord(f);
  }
}

void RunSearch(benchmark::State& state, const SearchCriteria& criteria) {
  BuildLists();
  const SearchScope scope{.chosenFs = 0, .fs = FileSystemKind::Ntfs, .rootItem = 1};
  size_t found = 0;
  for (auto _ : state) {
    ScanControl control;
    found = 0;
    SearchRecords(criteria, scope, control, [&](const SearchMatch&) { ++found; });
  }
  state.counters["matches"] = static_cast<double>(found);
  state.counters["records"] = kFiles + kFolders;
}

SearchCriteria Pattern(std::u16string_view p) {
  SearchCriteria c;
  c.pattern = UpperSearchText(p);
  return c;
}

void BM_PlainText(benchmark::State& state) {
  RunSearch(state, Pattern(u"FILEQ12"));
}
void BM_Extension(benchmark::State& state) {
  RunSearch(state, Pattern(u"*.doc"));
}
void BM_DeletedOnly(benchmark::State& state) {
  SearchCriteria c = Pattern(u"*");
  c.deleted = DeletedFilter::DeletedOnly;
  RunSearch(state, c);
}
void BM_SizeRange(benchmark::State& state) {
  SearchCriteria c = Pattern(u"*");
  c.sizeOn = true;
  c.sizeFrom = SizeBound(1, SizeUnit::MB);
  c.sizeTo = SizeBound(2, SizeUnit::MB);
  RunSearch(state, c);
}

BENCHMARK(BM_PlainText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Extension)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeletedOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SizeRange)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
