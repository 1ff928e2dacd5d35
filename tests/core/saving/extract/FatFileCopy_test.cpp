#include "saving/extract/FatFileCopy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "engine/records/ScanState.h"
#include "saving/extract/CopyCounters.h"
#include "prompts/CopyErrorPrompt.h"
#include "prompts/CopyGlobals.h"
#include "tests/core/storage/fat/FatTestImage.h"
#include "saving/ProgramState.h"

using namespace fat_test;
namespace fs = std::filesystem;

namespace {

// A FAT16 volume of spc sectors per cluster: FATs at 1 and 9 (8 sectors each), cluster 2 at 17.
// Every byte of cluster c holds c, so the source of each written byte shows.
class CopyVolume {
 public:
  static constexpr uint32_t kFatSectors = 8;
  static constexpr uint64_t kFat1 = 1, kFat2 = 9, kData = 17;

  explicit CopyVolume(uint32_t spc) : m_Spc(spc), disk(kData + 100 * uint64_t{spc}) {
    ResetProgramState();
    g_ScanState.fileSystem = FileSystemKind::Fat16;
    g_VolumeGeometry = {0,           0,    0, 0, spc,
                            kFatSectors, 0,    0, 1, static_cast<uint32_t>(kData - 2 * spc),
                            kFat1,       kFat2};
    for (uint32_t c = 2; c < 100; ++c)
      std::fill_n(disk.Sector(kData + (c - 2) * uint64_t{spc}), 512 * spc, std::byte(c));
    char pattern[] = "/tmp/merrowind-fatcopy-XXXXXX";
    m_Dir = ::mkdtemp(pattern);
    folder = TargetFolder::Open(m_Dir);
  }
  ~CopyVolume() {
    fs::remove_all(m_Dir);
    ResetProgramState();
  }
  void Chain(uint64_t table, const std::vector<uint32_t>& clusters, uint32_t end = 0xFFFF) {
    for (size_t i = 0; i < clusters.size(); ++i)
      disk.Put16At(table * 512 + clusters[i] * 2, i + 1 < clusters.size() ? clusters[i + 1] : end);
  }
  // The bytes expected from these clusters, cut to size.
  std::vector<std::byte> From(const std::vector<uint32_t>& clusters, size_t size) const {
    std::vector<std::byte> out;
    for (uint32_t c : clusters) out.insert(out.end(), 512 * m_Spc, std::byte(c));
    out.resize(size);
    return out;
  }
  std::vector<std::byte> Written(const char* name) const {
    std::ifstream in(m_Dir / name, std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::byte> out(chars.size());
    std::transform(chars.begin(), chars.end(), out.begin(), [](char c) { return std::byte(c); });
    return out;
  }
  bool Exists(const char* name) const { return fs::exists(m_Dir / name); }
  fs::path Path(const char* name) const { return m_Dir / name; }
  FatCopyRequest Request(const char16_t* name, uint32_t size, uint32_t first) const {
    FatCopyRequest r;
    r.folder = &folder;
    r.name = name;
    r.size = size;
    r.firstCluster = first;
    r.dosDate = (2021 - 1980) << 9 | 3 << 5 | 4;
    r.dosTime = 5 << 11 | 6 << 5 | 4;
    return r;
  }

 private:
  uint32_t m_Spc;
  fs::path m_Dir;

 public:
  MemoryVolume disk;
  TargetFolder folder;
};

struct Recorder : CopyObserver {
  std::vector<uint64_t> progress;
  std::vector<std::u16string> started;  // "folder|name" of each file the page is told of
  bool admit = true;
  void OnFileStarted(std::u16string_view folder, std::u16string_view name) override {
    started.push_back(std::u16string(folder) + u"|" + std::u16string(name));
  }
  int skipAfter = -1;  // press Skip after this many progress reports
  bool Admit(const CopyCandidate&) override { return admit; }
  void OnFileProgress(std::u16string_view, uint64_t written, uint64_t) override {
    progress.push_back(written);
    if (static_cast<int>(progress.size()) == skipAfter) g_CopySkipOnce = 1;
  }
};

struct ScriptedCopyError : CopyErrorPrompt {
  int asked = 0;
  CopyErrorAnswer answer = CopyErrorAnswer::Skip;
  CopyErrorAnswer AskCopyError() override {
    ++asked;
    return answer;
  }
};

}  // namespace

// The written pieces of a file: whole reads until the last one, which is cut to the size.
TEST(FatFileCopy, WritesClusterPiecesCutToTheSize) {
  struct Case {
    uint32_t spc, size;
    std::vector<uint64_t> progress;
  };
  const Case cases[] = {{1, 1500, {512, 1024, 1500}}, {8, 10000, {4096, 8192, 10000}}};
  for (const Case& c : cases) {
    CopyVolume v(c.spc);
    v.Chain(CopyVolume::kFat1, {5, 9, 6});
    v.Chain(CopyVolume::kFat2, {5, 9, 6});
    Recorder rec;
    EXPECT_EQ(CopyFatFile(v.Request(u"a.bin", c.size, 5), rec), FatCopyResult::Written);
    EXPECT_EQ(rec.progress, c.progress);
    EXPECT_EQ(v.Written("a.bin"), v.From({5, 9, 6}, c.size));
    EXPECT_EQ(g_CopiedBytes.load(), c.size);
    EXPECT_EQ(g_CopiedFileCount.load(), 1u);
  }
}

TEST(FatFileCopy, ChainFromEitherTableOrConsecutiveClusters) {
  struct Case {
    const char* what;
    std::vector<uint32_t> fat1, fat2;
    int32_t selector;
    std::vector<uint32_t> expected;
  };
  const Case cases[] = {
      {"both tables agree", {5, 9, 6}, {5, 9, 6}, 0, {5, 9, 6}},
      {"only the second holds the chain", {5}, {5, 9, 6}, 0, {5, 9, 6}},
      {"selector 1 reads the first only", {5}, {5, 9, 6}, 1, {5, 6, 7}},
      {"selector 2 reads the second only", {5, 9, 6}, {5}, 2, {5, 6, 7}},
      {"entries cleared on delete", {5}, {5}, 0, {5, 6, 7}},
      {"chain longer than the file", {5, 9, 6, 20}, {5, 9, 6, 20}, 0, {5, 6, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CopyVolume v(1);
    v.Chain(CopyVolume::kFat1, c.fat1);
    v.Chain(CopyVolume::kFat2, c.fat2);
    g_FatCopySelector = c.selector;
    Recorder rec;
    EXPECT_EQ(CopyFatFile(v.Request(u"f.bin", 1300, 5), rec), FatCopyResult::Written);
    EXPECT_EQ(v.Written("f.bin"), v.From(c.expected, 1300));
  }
}

// A chain ending in 0xFFF8 instead of 0xFFFF is a whole chain: a fragmented file comes out right.
TEST(FatFileCopy, LowerEndOfChainMarkEndsTheChain) {
  CopyVolume v(1);
  v.Chain(CopyVolume::kFat1, {5, 9, 6}, 0xFFF8);
  v.Chain(CopyVolume::kFat2, {5, 9, 6}, 0xFFF8);
  Recorder rec;
  CopyFatFile(v.Request(u"f.bin", 1300, 5), rec);
  EXPECT_EQ(v.Written("f.bin"), v.From({5, 9, 6}, 1300));
}

TEST(FatFileCopy, EmptyFileGetsItsTimeAndBadFirstClusterWritesNothing) {
  CopyVolume v(1);
  Recorder rec;
  EXPECT_EQ(CopyFatFile(v.Request(u"empty.txt", 0, 0), rec), FatCopyResult::Written);
  EXPECT_TRUE(v.Written("empty.txt").empty());
  struct stat st {};
  ASSERT_EQ(::stat(v.Path("empty.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec,
            DosTimeToTimespec((2021 - 1980) << 9 | 3 << 5 | 4, 5 << 11 | 6 << 5 | 4)->tv_sec);

  for (uint32_t first : {0u, 1u, 60000u}) {
    EXPECT_EQ(CopyFatFile(v.Request(u"bad.bin", 100, first), rec), FatCopyResult::NotCopied);
    EXPECT_FALSE(v.Exists("bad.bin"));
  }
  EXPECT_EQ(g_CopiedFileCount.load(), 1u);  // only the empty file
}

TEST(FatFileCopy, RefusedFilesAreNeitherWrittenNorCounted) {
  CopyVolume v(1);
  Recorder rec;
  rec.admit = false;
  EXPECT_EQ(CopyFatFile(v.Request(u"a.bin", 100, 5), rec), FatCopyResult::Refused);
  EXPECT_FALSE(v.Exists("a.bin"));
  EXPECT_EQ(g_CopiedFileCount.load(), 0u);
  // A preview neither asks nor counts.
  FatCopyRequest preview = v.Request(u"p.bin", 100, 5);
  preview.saving = false;
  EXPECT_EQ(CopyFatFile(preview, rec), FatCopyResult::Written);
  EXPECT_EQ(g_CopiedFileCount.load(), 0u);
}

// A file cut short keeps the bytes copied but not the entry's time, so it never passes for the
// whole file; a file that received no byte because its first write failed is not left behind.
TEST(FatFileCopy, SkipLeavesAPartialFileWithoutItsTimeAndTheNextFileIsWhole) {
  CopyVolume v(1);
  Recorder rec;
  rec.skipAfter = 2;
  const time_t before = ::time(nullptr);
  EXPECT_EQ(CopyFatFile(v.Request(u"big.bin", 5000, 10), rec), FatCopyResult::Skipped);
  EXPECT_EQ(v.Written("big.bin").size(), 1024u);
  struct stat st {};
  ASSERT_EQ(::stat(v.Path("big.bin").c_str(), &st), 0);
  EXPECT_GE(st.st_mtim.tv_sec, before);
  EXPECT_EQ(g_CopySkipOnce.load(), 0);
  rec.skipAfter = -1;
  EXPECT_EQ(CopyFatFile(v.Request(u"next.bin", 5000, 10), rec), FatCopyResult::Written);
  EXPECT_EQ(v.Written("next.bin").size(), 5000u);
  g_CopyAbort = 1;
  EXPECT_EQ(CopyFatFile(v.Request(u"after.bin", 5000, 10), rec), FatCopyResult::Aborted);
  EXPECT_TRUE(v.Written("after.bin").empty());
  g_CopyAbort = 0;

  ScriptedCopyError prompt;
  SetCopyErrorPrompt(&prompt);
  static int allowed;  // writes that go through before the target is full
  for (const int room : {0, 1}) {
    allowed = room;
    SetTargetWriteFunction([](int fd, const void* data, size_t size) -> ssize_t {
      if (allowed-- <= 0) {
        errno = ENOSPC;
        return -1;
      }
      return ::write(fd, data, size);
    });
    EXPECT_EQ(CopyFatFile(v.Request(u"full.bin", 5000, 10), rec), FatCopyResult::WriteFailed);
    SetTargetWriteFunction(nullptr);
    if (room == 0) {
      EXPECT_FALSE(v.Exists("full.bin"));
    } else {
      EXPECT_EQ(v.Written("full.bin").size(), 512u);
      ASSERT_EQ(::stat(v.Path("full.bin").c_str(), &st), 0);
      EXPECT_GE(st.st_mtim.tv_sec, before);
    }
  }
  SetCopyErrorPrompt(nullptr);
}

TEST(FatFileCopy, TargetThatCannotBeCreatedAsksUnlessSkipAll) {
  CopyVolume v(1);
  ScriptedCopyError prompt;
  SetCopyErrorPrompt(&prompt);
  // A folder of that name, and the rule says overwrite: the file cannot be created.
  fs::create_directory(v.Path("taken"));
  FatCopyRequest request = v.Request(u"taken", 100, 5);
  request.whenTaken = ExistingName::Overwrite;
  Recorder rec;
  prompt.answer = CopyErrorAnswer::SkipAll;
  EXPECT_EQ(CopyFatFile(request, rec), FatCopyResult::CreateFailed);
  EXPECT_EQ(prompt.asked, 1);
  EXPECT_EQ(g_CopySkipAll.load(), 1);
  EXPECT_EQ(CopyFatFile(request, rec), FatCopyResult::CreateFailed);
  EXPECT_EQ(prompt.asked, 1);
  SetCopyErrorPrompt(nullptr);
}

// A close that fails leaves a file that may not hold its bytes: saving reports it and takes its
// bytes back from the count; a preview neither counts nor asks. The copy page is told the target
// folder with each file.
static int FailingClose(int fd) {
  ::close(fd);
  errno = EIO;
  return -1;
}

TEST(FatFileCopy, AFailedCloseIsReportedAndNotCountedAndAPreviewCountsNothing) {
  struct Case {
    bool saving, closeFails;
    FatCopyResult result;
    uint64_t bytes;
    int asked;
  } cases[] = {
      {true, false, FatCopyResult::Written, 1500, 0},
      {true, true, FatCopyResult::WriteFailed, 0, 1},
      {false, false, FatCopyResult::Written, 0, 0},
      {false, true, FatCopyResult::WriteFailed, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "saving " << c.saving << " close fails " << c.closeFails);
    CopyVolume v(1);
    ScriptedCopyError prompt;
    SetCopyErrorPrompt(&prompt);
    SetTargetCloseFunction(c.closeFails ? &FailingClose : nullptr);
    Recorder rec;
    FatCopyRequest r = v.Request(u"a.bin", 1500, 5);
    r.saving = c.saving;
    r.targetText = u"/target/Docs";
    EXPECT_EQ(CopyFatFile(r, rec), c.result);
    SetTargetCloseFunction(nullptr);
    SetCopyErrorPrompt(nullptr);
    EXPECT_EQ(g_CopiedBytes.load(), c.bytes);
    EXPECT_EQ(prompt.asked, c.asked);
    EXPECT_EQ(v.Written("a.bin"), v.From({5, 6, 7}, 1500));
    EXPECT_EQ(rec.started,
              c.saving ? std::vector<std::u16string>{u"/target/Docs|a.bin"}
                       : std::vector<std::u16string>{});
  }
}

TEST(FatFileCopy, NamesFromDiskStayInsideTheTarget) {
  CopyVolume v(1);
  Recorder rec;
  EXPECT_EQ(CopyFatFile(v.Request(u"../escape.bin", 100, 5), rec), FatCopyResult::Written);
  EXPECT_TRUE(v.Exists(".._escape.bin"));
  EXPECT_FALSE(fs::exists(v.Path("..") / "escape.bin"));
}

// The copy passes the worker's pause gate at every read and ends on its stop, as the scans do.
TEST(FatFileCopy, TheWorkersControlPausesAndStopsTheCopy) {
  CopyVolume v(1);
  Recorder rec;
  ScanControl control;
  FatCopyRequest request = v.Request(u"held.bin", 5000, 10);
  request.control = &control;
  control.Pause();
  FatCopyResult result = FatCopyResult::Written;
  std::thread worker([&] { result = CopyFatFile(request, rec); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(rec.progress.empty());  // held at the gate before its first read
  control.RequestStop();
  control.Resume();
  worker.join();
  EXPECT_EQ(result, FatCopyResult::Aborted);
  EXPECT_TRUE(rec.progress.empty());
}
