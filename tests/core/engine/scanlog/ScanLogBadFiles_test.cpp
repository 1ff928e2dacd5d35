// Damaged and hostile scan logs: each is refused with its exact notice and loads nothing; a
// failed save leaves the older log as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/worker/ScanJob.h"
#include "engine/scanlog/ScanLogFormat.h"
#include "engine/scanlog/ScanLogHeader.h"
#include "engine/scanlog/ScanLogReader.h"
#include "engine/scanlog/ScanLogWriter.h"
#include "platform/ByteOrder.h"
#include "tests/core/engine/scanlog/ScanLogTestUtil.h"

namespace {

using namespace scanlog_test;

// A partition-mode log with a model "M", file system "NTFS", one partition, one folder and one
// file named "f". Its layout, for the mutations below:
constexpr size_t kStyle = 62, kModelCount = 64, kDevice = 70, kLetter = 71, kBps = 72,
                 kFsFirstUnit = 79, kStart = 88, kScanFsFirstUnit = 201, kFormatted = 209,
                 kPartitionMode = 213, kChosen = 221, kPartitionCount = 225, kFolderCount = 305;
// The file entry at the end: fixed part, UTF-16 count, "f", 8-bit count.
constexpr size_t kFileEntryBytes = 54 + 1 + 2 + 1;

void FillBaseState() {
  g_SourceDiskModel = "M";
  g_FileSystemName = FileSystemKind::Ntfs;
  g_ScanState.fileSystem = FileSystemKind::Ntfs;
  g_SourceEndSector = 1000;
  g_PartitionMode = 1;
  g_ScanState.chosenFileSystem = 1;
  g_TreeMode = 2;
  PartitionRecord p{};
  p.startSector = 63;
  p.endSector = 1000;
  AddPartitionRecord(g_ScanState.partitionList, p, u"NTFS");
  AddFolderRecord({.wideName = u"d", .parentId = 5, .id = 30});
  AddFileRecord({.wideName = u"f", .size = 10, .parentId = 30, .id = 31});
}

std::vector<std::byte> BaseLog() {
  ResetAll();
  FillBaseState();
  MemorySink sink;
  EXPECT_TRUE(WriteScanLog(sink, 0));
  ResetAll();
  return sink.bytes;
}

void Put32(std::vector<std::byte>& b, size_t offset, uint32_t v) {
  bo::StoreLe<uint32_t>(b, offset, v);
}

struct BadCase {
  const char* name;
  std::function<void(std::vector<std::byte>&)> change;
};

class ScanLogBadFiles : public ScanLogTest {
 protected:
  // Loads bytes as a log with the base model selected; expects the refusal with text and no
  // change to any global or list.
  void ExpectRefused(const std::vector<std::byte>& bytes, std::string_view text,
                     const std::string& what) {
    SCOPED_TRACE(what);
    ResetAll();
    g_SourceDiskModel = "M";
    g_FileSystemName = FileSystemKind::Fat32;  // values a refused log must leave alone
    g_BytesPerSector = 1024;
    g_VolumeGeometry.FatSizeSectors = 77;
    AddFolderRecord({.wideName = u"kept", .parentId = 5, .id = 6});
    const std::string path = PathIn("bad.kvsl");
    WriteFileBytes(path, bytes);
    g_LogLoaded = 1;
    prompts.notices.clear();
    const auto globals = GlobalsPicture();
    const auto lists = ListPicture();
    EXPECT_EQ(LoadScanLogHeader(path), 0);
    EXPECT_EQ(prompts.notices, std::vector<std::string>{std::string(text)});
    EXPECT_EQ(g_LogLoaded.load(), 0);
    g_LogLoaded = 1;
    EXPECT_EQ(GlobalsPicture(), globals);
    EXPECT_EQ(ListPicture(), lists);
    EXPECT_TRUE(g_LogPath.empty());
  }
};

TEST_F(ScanLogBadFiles, BaseLogIsAccepted) {
  const auto bytes = BaseLog();
  // The offsets the cases rely on.
  ASSERT_EQ(bo::LoadLe32(bytes, kPartitionCount), 1u);
  ASSERT_EQ(bo::LoadLe32(bytes, kFolderCount), 1u);
  ASSERT_EQ(bo::LoadLe32(bytes, bytes.size() - kFileEntryBytes - 4), 1u);
  g_SourceDiskModel = "M";
  const std::string path = PathIn("good.kvsl");
  WriteFileBytes(path, bytes);
  EXPECT_EQ(LoadScanLogHeader(path), 1);
  EXPECT_TRUE(prompts.notices.empty());
}

TEST_F(ScanLogBadFiles, EachDamageIsRefusedAsInvalid) {
  const auto base = BaseLog();
  const size_t fileCount = base.size() - kFileEntryBytes - 4;
  const BadCase cases[] = {
      {"empty", [](auto& b) { b.clear(); }},
      {"title only", [](auto& b) { b.resize(62); }},
      {"style 2", [](auto& b) { b[kStyle] = std::byte{2}; }},
      {"style 0x100", [](auto& b) { b[kStyle + 1] = std::byte{1}; }},
      {"model length 0xFFFFFFFF", [](auto& b) { Put32(b, kModelCount, 0xFFFFFFFF); }},
      {"model length past the end", [](auto& b) { Put32(b, kModelCount, 1000); }},
      {"device 10", [](auto& b) { b[kDevice] = std::byte{10}; }},
      {"drive letter '1'", [](auto& b) { b[kLetter] = std::byte{'1'}; }},
      {"bytes per sector 0", [](auto& b) { Put32(b, kBps, 0); }},
      {"bytes per sector 3", [](auto& b) { Put32(b, kBps, 3); }},
      {"bytes per sector 1000", [](auto& b) { Put32(b, kBps, 1000); }},
      {"bytes per sector 2^31", [](auto& b) { Put32(b, kBps, 0x80000000); }},
      {"unknown file-system name", [](auto& b) { b[kFsFirstUnit] = std::byte{'X'}; }},
      {"unknown copy of the name", [](auto& b) { b[kScanFsFirstUnit] = std::byte{'X'}; }},
      {"start sector above 2^63", [](auto& b) { b[kStart + 7] = std::byte{0x80}; }},
      // Starts and ends a volume's offsets cannot be added to without overflow.
      {"start sector 2^63 - 1",
       [](auto& b) { bo::StoreLe<uint64_t>(b, kStart, uint64_t{INT64_MAX}); }},
      {"start sector past the highest a source may have",
       [](auto& b) { bo::StoreLe<uint64_t>(b, kStart, uint64_t{kMaxSourceSector} + 1); }},
      {"end sector 2^63 - 1",
       [](auto& b) { bo::StoreLe<uint64_t>(b, kStart + 8, uint64_t{INT64_MAX}); }},
      {"formatted mode 2", [](auto& b) { Put32(b, kFormatted, 2); }},
      {"partition mode 2", [](auto& b) { Put32(b, kPartitionMode, 2); }},
      {"chosen file system past the count", [](auto& b) { Put32(b, kChosen, 2); }},
      {"chosen file system negative", [](auto& b) { Put32(b, kChosen, 0xFFFFFFFF); }},
      {"partition count larger than the file",
       [](auto& b) { Put32(b, kPartitionCount, 0x0FFFFFFF); }},
      {"partition count one more", [](auto& b) { Put32(b, kPartitionCount, 2); }},
      {"folder count larger than the file", [](auto& b) { Put32(b, kFolderCount, 0xFFFFFFFF); }},
      {"folder count one more", [](auto& b) { Put32(b, kFolderCount, 2); }},
      {"file count one more", [=](auto& b) { Put32(b, fileCount, 2); }},
      {"file count 0x40000000", [=](auto& b) { Put32(b, fileCount, 0x40000000); }},
      {"UTF-16 name running past the end",
       [=](auto& b) { b[fileCount + 4 + 54] = std::byte{200}; }},
      {"8-bit name running past the end", [](auto& b) { b.back() = std::byte{1}; }},
      {"bytes after the file section", [](auto& b) { b.push_back(std::byte{0}); }},
  };
  for (const BadCase& c : cases) {
    auto bytes = base;
    c.change(bytes);
    ExpectRefused(bytes, kLogInvalidText, c.name);
  }
}

TEST_F(ScanLogBadFiles, EveryCutIsRefusedAsInvalid) {
  const auto base = BaseLog();
  for (size_t n = 0; n < base.size(); ++n) {
    const std::vector<std::byte> cut(base.begin(), base.begin() + static_cast<ptrdiff_t>(n));
    ExpectRefused(cut, kLogInvalidText, "cut at " + std::to_string(n));
    if (HasFatalFailure()) return;
  }
}

TEST_F(ScanLogBadFiles, AnotherDisksLogAsksForTheProperDevice) {
  const auto base = BaseLog();
  for (const char* model : {"m", "", "M "}) {
    SCOPED_TRACE(model);
    ResetAll();
    g_SourceDiskModel = model;
    const std::string path = PathIn("other.kvsl");
    WriteFileBytes(path, base);
    prompts.notices.clear();
    g_LogLoaded = 1;
    EXPECT_EQ(LoadScanLogHeader(path), 0);
    EXPECT_EQ(prompts.notices, std::vector<std::string>{std::string(kLogWrongDeviceText)});
    EXPECT_EQ(g_LogLoaded.load(), 0);
    EXPECT_EQ(g_ScanState.partitionStyle, 0);
    EXPECT_EQ(g_FileSystemName, FileSystemKind::None);
  }
}

TEST_F(ScanLogBadFiles, MissingPathsAndFilesHaveTheirOwnTexts) {
  g_LogLoaded = 1;
  EXPECT_EQ(LoadScanLogHeader(""), 0);
  EXPECT_EQ(LoadScanLogHeader(PathIn("absent.kvsl")), 0);
  EXPECT_EQ(LoadScanLogHeader(dir), 0);  // a folder is not a log
  EXPECT_EQ(prompts.notices,
            (std::vector<std::string>{std::string(kLogNoPathText), std::string(kLogOpenErrorText),
                                      std::string(kLogOpenErrorText)}));
  EXPECT_EQ(g_LogLoaded.load(), 0);

  g_LogPath = PathIn("absent.kvsl");
  ScanControl control;
  ScanObserver observer;
  ScanJob job{control, observer};
  EXPECT_EQ(LoadScanLogRecords(job), ScanEnd::Failed);
  EXPECT_EQ(prompts.notices.back(), kLogUnableToOpenText);
}

// The header was accepted, then the file lost its end before the scan thread read the records:
// nothing half-read stays on the lists, and lists from before are not mixed in either.
TEST_F(ScanLogBadFiles, RecordSectionCutAfterTheHeaderLoadsNothing) {
  auto bytes = BaseLog();
  const std::string path = PathIn("shrinks.kvsl");
  WriteFileBytes(path, bytes);
  g_SourceDiskModel = "M";
  ASSERT_EQ(LoadScanLogHeader(path), 1);
  bytes.resize(bytes.size() - 3);
  WriteFileBytes(path, bytes);
  AddFolderRecord({.wideName = u"old", .parentId = 5, .id = 99});
  g_ScanState.totalSize = 1234;

  ScanControl control;
  ScanObserver observer;
  ScanJob job{control, observer};
  EXPECT_EQ(LoadScanLogRecords(job), ScanEnd::Failed);
  EXPECT_EQ(prompts.notices, std::vector<std::string>{std::string(kLogInvalidText)});
  EXPECT_EQ(g_ScanState.folderList.head, nullptr);
  EXPECT_EQ(g_ScanState.fileList.head, nullptr);
  EXPECT_EQ(g_ScanState.folderCount.load(), 0u);
  EXPECT_EQ(g_ScanState.totalSize.load(), 1234u);
}

class ObserverLog final : public ScanObserver {
 public:
  void OnProgress(const ScanProgress& p) override { progress.push_back(p); }
  void OnBar(int position) override { bars.push_back(position); }
  std::vector<ScanProgress> progress;
  std::vector<int> bars;
};

TEST_F(ScanLogBadFiles, StopKeepsWhatWasReadAndProgressRunsToTheEnd) {
  g_TreeMode = 2;
  g_FileSystemName = FileSystemKind::Fat32;
  AddFolderRecord({.wideName = u"Lost", .parentId = 5, .id = kLostFolderId});
  for (uint32_t i = 0; i < 2500; ++i)
    AddFileRecord({.wideName = u"file", .size = 2, .parentId = 5, .id = i});
  const std::string path = PathIn("many.kvsl");
  ASSERT_EQ(SaveScanLog(path), 1);

  ResetAll();
  ASSERT_EQ(LoadScanLogHeader(path), 1);
  ScanControl control;
  ObserverLog observer;
  ScanJob job{control, observer};
  ASSERT_EQ(LoadScanLogRecords(job), ScanEnd::Finished);
  EXPECT_EQ(g_ScanState.fileCount.load(), 2500u);
  EXPECT_EQ(g_ScanState.totalSize.load(), 5000u);
  ASSERT_EQ(observer.progress.size(), 2u);  // calls 1000 and 1999 of 2501
  EXPECT_EQ(observer.progress[0].mode, 'n');
  EXPECT_EQ(observer.progress[0].name, u"file");
  ASSERT_FALSE(observer.bars.empty());
  EXPECT_EQ(observer.bars.back(), 100);
  EXPECT_TRUE(std::is_sorted(observer.bars.begin(), observer.bars.end()));

  ScanControl stopped;
  stopped.RequestStop();
  ScanJob stopJob{stopped, observer};
  ASSERT_EQ(LoadScanLogRecords(stopJob), ScanEnd::Stopped);
  EXPECT_EQ(g_ScanState.folderCount.load(), 1u);  // the first entry, then the stop
  EXPECT_EQ(g_ScanState.fileCount.load(), 0u);
}

// A sink that fails where the test says, standing in for a full disk or an I/O error.
class FailingSink final : public FileSink {
 public:
  FailingSink(std::unique_ptr<FileSink> inner, size_t failAfterBytes, bool failCommit)
      : m_Inner(std::move(inner)), m_Budget(failAfterBytes), m_FailCommit(failCommit) {}
  bool Write(std::span<const std::byte> data) override {
    if (data.size() > m_Budget) {
      m_Inner->Write(data.first(m_Budget));  // part of it reaches the disk, as a short write does
      m_Budget = 0;
      return false;
    }
    m_Budget -= data.size();
    return m_Inner->Write(data);
  }
  bool Commit() override { return m_FailCommit ? false : m_Inner->Commit(); }

 private:
  std::unique_ptr<FileSink> m_Inner;
  size_t m_Budget;
  bool m_FailCommit;
};

std::set<std::string> FolderEntries(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.insert(e.path().filename().string());
  return names;
}

TEST_F(ScanLogBadFiles, FailedSaveLeavesTheOldLogByteIdentical) {
  const std::string path = PathIn("scan.kvsl");
  g_TreeMode = 2;
  g_FileSystemName = FileSystemKind::Fat32;
  AddFolderRecord({.wideName = u"old", .parentId = 5, .id = 6});
  ASSERT_EQ(SaveScanLog(path), 1);
  const auto old = ReadFileBytes(path);
  ASSERT_FALSE(old.empty());

  // A log larger than the writer's buffer, so failures can also come on a later write.
  ResetAll();
  g_TreeMode = 2;
  g_FileSystemName = FileSystemKind::Fat32;
  for (uint32_t i = 0; i < 3000; ++i)
    AddFileRecord({.wideName = u"a file name", .parentId = 5, .id = i});
  struct Failure {
    const char* name;
    size_t afterBytes;
    bool commit;
    bool create;
  };
  const Failure failures[] = {
      {"creation", 0, false, true},
      {"first write", 0, false, false},
      {"a later write", 70000, false, false},
      {"commit", SIZE_MAX, true, false},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.name);
    prompts.notices.clear();
    auto open = [&](const std::string& p) -> std::unique_ptr<FileSink> {
      if (f.create) return nullptr;
      return std::make_unique<FailingSink>(CreateReplacingFile(p), f.afterBytes, f.commit);
    };
    EXPECT_EQ(SaveScanLog(path, open), 0);
    EXPECT_EQ(prompts.notices, std::vector<std::string>{std::string(kLogCreateErrorText)});
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(FolderEntries(dir), std::set<std::string>{"scan.kvsl"});
  }

  // Values the format cannot hold, or that Load Log would refuse, are refused before anything
  // is created.
  const std::pair<const char*, std::function<void()>> unstorable[] = {
      {"negative start sector", [] { g_SourceStartSector = -1; }},
      {"model too long", [] { g_SourceDiskModel = std::string(kMaxModelUnits + 1, 'm'); }},
      {"sector size 0", [] { g_BytesPerSector = 0; }},
      {"device 10", [] { g_CurrentDevice = 10; }},
      {"drive letter '?'", [] { g_SourceDriveLetter = '?'; }},
      {"unknown file system", [] { g_FileSystemName = FileSystemKind::Unknown; }},
      {"chosen file system 2 of none", [] { g_ScanState.chosenFileSystem = 2; }},
  };
  for (const auto& [name, change] : unstorable) {
    SCOPED_TRACE(name);
    prompts.notices.clear();
    change();
    EXPECT_EQ(SaveScanLog(path), 0);
    EXPECT_EQ(prompts.notices, std::vector<std::string>{std::string(kLogCreateErrorText)});
    ResetSourceGlobals();
    g_FileSystemName = FileSystemKind::Fat32;
    g_ScanState.chosenFileSystem = 0;
  }
  prompts.notices.clear();
  EXPECT_EQ(SaveScanLog(PathIn("no-such-folder/scan")), 0);
  EXPECT_EQ(SaveScanLog(""), 0);
  EXPECT_EQ(prompts.notices, (std::vector<std::string>{std::string(kLogCreateErrorText),
                                                       std::string(kLogNoPathText)}));
  EXPECT_EQ(ReadFileBytes(path), old);
  EXPECT_EQ(FolderEntries(dir), std::set<std::string>{"scan.kvsl"});

  // And a save that works replaces it whole.
  prompts.notices.clear();
  ASSERT_EQ(SaveScanLog(path), 1);
  EXPECT_NE(ReadFileBytes(path), old);
  EXPECT_EQ(FolderEntries(dir), std::set<std::string>{"scan.kvsl"});
  EXPECT_TRUE(prompts.notices.empty());
}

}  // namespace
