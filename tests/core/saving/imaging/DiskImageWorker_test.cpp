#include "saving/imaging/DiskImageWorker.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "prompts/CopyErrorPrompt.h"
#include "prompts/CopyGlobals.h"
#include "saving/imaging/ImageGlobals.h"
#include "storage/DiskImageFolder.h"
#include "tests/core/storage/StorageTestUtil.h"
#include "tests/core/TestPrompts.h"
#include "saving/ProgramState.h"

namespace {

using namespace storage_test;

constexpr const char* kSource = "\\\\.\\PhysicalDrive0";
constexpr const char* kTarget = "\\\\.\\PhysicalDrive1";

using NoticePrompts = test_support::RecordingPrompts;

class ScriptedCopyErrors final : public CopyErrorPrompt {
 public:
  CopyErrorAnswer AskCopyError() override {
    ++asked;
    return answer;
  }
  CopyErrorAnswer answer = CopyErrorAnswer::Skip;
  int asked = 0;
};

// Records what the page would show; can stop or cancel the run after a number of blocks.
class RecordingObserver final : public ScanObserver {
 public:
  explicit RecordingObserver(ScanControl& control) : m_Control(control) {}
  void OnProgress(const ScanProgress& p) override { progress.push_back(p); }
  void OnDetailText(std::string_view text) override { details.emplace_back(text); }
  void OnBar(int position) override {
    bars.push_back(position);
    if (static_cast<int>(bars.size()) == stopAfter) m_Control.RequestStop();
    if (static_cast<int>(bars.size()) == cancelAfter) m_Control.Cancel();
  }
  void Clear() {
    progress.clear();
    details.clear();
    bars.clear();
    stopAfter = cancelAfter = -1;
  }
  std::vector<ScanProgress> progress;
  std::vector<std::string> details;
  std::vector<int> bars;
  int stopAfter = -1;
  int cancelAfter = -1;

 private:
  ScanControl& m_Control;
};

std::vector<std::byte> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::byte> out(raw.size());
  std::transform(raw.begin(), raw.end(), out.begin(), [](char c) { return std::byte(c); });
  return out;
}

bool Exists(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

void WriteFile(const std::string& path, std::string_view text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Members are public so that the table of refused targets can arrange them.
class DiskImageWorker : public ::testing::Test {
 public:
  void SetUp() override {
    ResetProgramState();
    ClearDeviceMappings();
    ResetProgramState();
    SetImagePieceBytesForTest(0);
    SetUserPrompts(&prompts);
    SetCopyErrorPrompt(&copyErrors);
    plan = std::make_shared<FaultPlan>();
  }
  void TearDown() override {
    SetCopyErrorPrompt(nullptr);
    SetUserPrompts(nullptr);
    SetImagePieceBytesForTest(0);
    ResetDeviceHandleCache();
    ClearDeviceMappings();
    ResetProgramState();
  }

  // A pattern disk of sectors sectors served as the source; the range [start, end) is imaged.
  void Source(uint64_t sectors, int32_t bps, int64_t start, int64_t end) {
    source = PatternDisk(sectors, bps);
    plan->sectorSize = static_cast<uint32_t>(bps);
    ServeDisk(kSource, source, plan);
    g_CurrentDevice = 0;
    g_BytesPerSector = bps;
    g_SourceStartSector = start;
    g_SourceEndSector = end;
  }
  void ToFolder(bool multi) {
    g_ImageToDisk = 0;
    g_ImageMultiFile = multi ? 1 : 0;
    g_ImagePath = dir.path() + "/DiskImage.dmg";
  }
  // A memory disk of sectors sectors filled with 0xAA, served as the target disk.
  void ToDisk(uint64_t sectors) {
    target = std::make_shared<MemoryDisk>();
    target->bytes.assign(sectors * 512, std::byte{0xAA});
    targetPlan = std::make_shared<FaultPlan>();
    ServeDisk(kTarget, target, targetPlan);
    g_ImageToDisk = 1;
    g_ImageTargetDisk = 1;
    g_ImageTargetLabel = "Disk1 - Test Disk";
  }
  DiskImageResult Run() {
    ScanJob job{control, observer, ProgressThrottle(ProgressThrottle::kImagePeriod)};
    return DiskImageThread(job);
  }
  std::string Piece(int n) { return dir.path() + "/DiskImage" + std::to_string(n) + ".dmg"; }
  // True when bytes hold, sector by sector, the pattern of source sectors first, first + 1, ...
  static bool HoldsRange(const std::vector<std::byte>& bytes, int64_t first, uint32_t bps,
                         uint64_t skipFrom = 0, uint64_t skipTo = 0) {
    for (uint64_t i = 0; i * bps < bytes.size(); ++i) {
      const bool zero = i >= skipFrom && i < skipTo;
      const std::byte want = zero ? std::byte{0} : PatternByte(first + i);
      for (uint32_t b = 0; b < bps; ++b)
        if (bytes[i * bps + b] != want) return false;
    }
    return true;
  }
  std::string OnlyNotice() { return prompts.notices.size() == 1 ? prompts.notices[0] : "?"; }

  NoticePrompts prompts;
  ScriptedCopyErrors copyErrors;
  ScanControl control;
  RecordingObserver observer{control};
  std::shared_ptr<FaultPlan> plan, targetPlan;
  std::shared_ptr<MemoryDisk> source, target;
  TempDir dir;
};

TEST(DiskImageNames, PiecePathsAndBlockSizes) {
  EXPECT_EQ(ImagePiecePath("/out/DiskImage.dmg", 0), "/out/DiskImage0.dmg");
  EXPECT_EQ(ImagePiecePath("/out/DiskImage.dmg", 12), "/out/DiskImage12.dmg");
  EXPECT_EQ(ImagePiecePath("/out/DiskImage.DMG", 1), "/out/DiskImage1.dmg");
  // Another name keeps all its characters, so a piece never lands in another folder.
  EXPECT_EQ(ImagePiecePath("/out/ab", 1), "/out/ab1.dmg");
  EXPECT_EQ(ImagePiecePath("/out/disk.img", 0), "/out/disk.img0.dmg");
  EXPECT_EQ(ImageBlockSectors(512), 400u);
  EXPECT_EQ(ImageBlockSectors(1024), 200u);
  EXPECT_EQ(ImageBlockSectors(4096), 50u);
  EXPECT_EQ(ImageBlockSectors(65536), 3u);
}

TEST_F(DiskImageWorker, PiecesHoldTheRangeInOrderAndNothingElseRemains) {
  struct Case {
    const char* name;
    int32_t bps;
    bool multi;
    int64_t start, end;
    int64_t pieceBytes;  // 0: the real 2 GiB
    std::vector<int64_t> pieceSectors;
    size_t blocks;
  } cases[] = {
      {"1000 sectors in one file", 512, false, 0, 1000, 0, {1000}, 3},
      {"100 sectors: one short block", 512, false, 0, 100, 0, {100}, 1},
      {"single file ignores the piece size", 512, false, 7, 5007, 1 << 20, {5000}, 13},
      {"split at 2048 sectors", 512, true, 10, 5010, 1 << 20, {2048, 2048, 904}, 13},
      {"range ends on a piece end", 512, true, 0, 4096, 1 << 20, {2048, 2048}, 11},
      {"4096-byte sectors split at 256", 4096, true, 3, 603, 1 << 20, {256, 256, 88}, 12},
      {"4096-byte sectors in one file", 4096, false, 0, 130, 0, {130}, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SetImagePieceBytesForTest(c.pieceBytes);
    Source(6000, c.bps, c.start, c.end);
    ToFolder(c.multi);
    // What an older, longer image left behind.
    for (int n = 0; n < 8; ++n) WriteFile(Piece(n), "old piece");
    WriteFile(dir.path() + "/bps.dmg", "\x00\x02\x00\x00");
    WriteFile(dir.path() + "/DiskImage03.dmg", "not a piece name");
    WriteFile(dir.path() + "/Other1.dmg", "another image");

    const DiskImageResult r = Run();
    EXPECT_TRUE(r.success) << r.failure;
    EXPECT_EQ(OnlyNotice(), kImageCreatedText);
    EXPECT_EQ(r.position, c.end);
    EXPECT_EQ(observer.bars.size(), c.blocks);
    int64_t first = c.start;
    for (size_t n = 0; n < c.pieceSectors.size(); ++n) {
      auto bytes = FileBytes(Piece(static_cast<int>(n)));
      EXPECT_EQ(bytes.size(), static_cast<size_t>(c.pieceSectors[n] * c.bps)) << "piece " << n;
      EXPECT_TRUE(HoldsRange(bytes, first, c.bps)) << "piece " << n;
      first += c.pieceSectors[n];
    }
    EXPECT_FALSE(Exists(Piece(static_cast<int>(c.pieceSectors.size()))));
    EXPECT_FALSE(Exists(Piece(7)));
    EXPECT_TRUE(Exists(dir.path() + "/DiskImage03.dmg"));
    EXPECT_TRUE(Exists(dir.path() + "/Other1.dmg"));
    auto bpsFile = FileBytes(dir.path() + "/bps.dmg");
    if (c.bps > 512) {
      ASSERT_EQ(bpsFile.size(), 4u);
      EXPECT_EQ(bpsFile[0], std::byte{0x00});
      EXPECT_EQ(bpsFile[1], std::byte{0x10});
      EXPECT_EQ(bpsFile[2], std::byte{0x00});
      EXPECT_EQ(bpsFile[3], std::byte{0x00});
    } else {
      EXPECT_FALSE(Exists(dir.path() + "/bps.dmg"));
    }
    EXPECT_EQ(observer.bars.back(), 100);
    ASSERT_FALSE(observer.progress.empty());
    EXPECT_EQ(observer.progress.back().folders, static_cast<uint32_t>(c.end));
    // The size copied is the whole range, over every piece.
    EXPECT_EQ(observer.progress.back().sizeOrSector, static_cast<uint64_t>(c.end - c.start));
    EXPECT_EQ(observer.progress.back().mode, 'e');
    TearDown();
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directory(dir.path());
    observer.Clear();
    prompts.notices.clear();
  }
}

TEST_F(DiskImageWorker, ImageReadsBackThroughTheSectorPathAcrossPieceEnds) {
  for (int32_t bps : {512, 4096}) {
    SCOPED_TRACE(bps);
    SetUp();
    SetImagePieceBytesForTest(64 * 1024);  // 128 sectors of 512, 16 of 4096
    Source(1200, bps, 100, 1100);
    ToFolder(true);
    ASSERT_TRUE(Run().success);

    // Now the folder is the source, as the source page would set it.
    ResetSourceGlobals();
    g_DiskImageSource = 1;
    g_ImageMultiFile = 1;
    g_SourceImageFolder = dir.path();
    int32_t imageBps = 0;
    ASSERT_EQ(ReadImageBytesPerSector(dir.path(), imageBps), 1);
    EXPECT_EQ(imageBps, bps);
    g_BytesPerSector = imageBps;
    const int64_t p = ImagePieceSectors(bps);
    for (auto [at, count] :
         std::vector<std::pair<int64_t, uint32_t>>{{0, 1000},
                                                   {p - 3, 6},
                                                   {p - 4, 4},
                                                   {2 * p - 1, 2},
                                                   {3 * p + 1, 2 * static_cast<uint32_t>(p)}}) {
      if (at + count > 1000) continue;
      std::vector<std::byte> buf(static_cast<size_t>(count) * bps);
      EXPECT_EQ(ReadSectors(kSource, at, count, buf), 1) << at;
      EXPECT_TRUE(HoldsRange(buf, 100 + at, static_cast<uint32_t>(bps))) << at;
    }
    EXPECT_EQ(prompts.badSectorQuestions, 0);
    TearDown();
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directory(dir.path());
  }
}

TEST_F(DiskImageWorker, UnreadableSourceSectorsAreImagedAsZerosAndTheNoteCountsThem) {
  struct Case {
    const char* name;
    int answer;                 // to the bad-sector question
    uint64_t zeroFrom, zeroTo;  // image sectors that hold zeros
    uint64_t unread;
  } cases[] = {
      // Sector 45 of the source is image sector 40: a retry rereads its run sector by sector.
      {"retry zeroes the bad sector", 0, 40, 41, 1},
      {"skip zeroes its run of 40", 1, 40, 80, 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Source(1000, 512, 5, 905);
    plan->badSectors = {45};
    prompts.AnswerBadSectors(c.answer);
    ToFolder(false);
    const DiskImageResult r = Run();
    // The position reached the end: the image is whole (its unread sectors zeros) and says so.
    EXPECT_TRUE(r.success);
    EXPECT_EQ(r.position, 905);
    EXPECT_EQ(r.sectorsUnread, c.unread);
    EXPECT_EQ(OnlyNotice(), kImageCreatedText);
    auto bytes = FileBytes(Piece(0));
    EXPECT_EQ(bytes.size(), 900u * 512);
    EXPECT_TRUE(HoldsRange(bytes, 5, 512, c.zeroFrom, c.zeroTo));
    ASSERT_EQ(observer.details.size(), 1u);
    EXPECT_EQ(observer.details[0], std::to_string(c.unread) +
                                       " sectors could not be read and were imaged as zeros; 0 "
                                       "sectors could not be written and are missing.");
    TearDown();
    observer.Clear();
    prompts.notices.clear();
  }
}

TEST_F(DiskImageWorker, DiskTargetReceivesTheExactRangeFromSectorZero) {
  Source(3000, 512, 1000, 2234);
  ToDisk(1500);
  const DiskImageResult r = Run();
  EXPECT_TRUE(r.success) << r.failure;
  EXPECT_EQ(OnlyNotice(), kImageCreatedText);
  std::vector<std::byte> written(target->bytes.begin(), target->bytes.begin() + 1234 * 512);
  EXPECT_TRUE(HoldsRange(written, 1000, 512));
  for (size_t i = 1234 * 512; i < target->bytes.size(); ++i)
    ASSERT_EQ(target->bytes[i], std::byte{0xAA}) << "past the range, byte " << i;
  EXPECT_EQ(observer.progress.back().name, u"Disk1 - Test Disk");
  EXPECT_EQ(r.piecesCreated, 0);
}

TEST_F(DiskImageWorker, FailedWritesFollowTheCopyErrorAnswer) {
  struct Case {
    const char* name;
    CopyErrorAnswer answer;
    int asked;
    int64_t position;  // where the run ended
    uint64_t notWritten;
    int32_t skipOnce, skipAll, abort;  // flags afterwards
  } cases[] = {
      {"skip asks at every failing block", CopyErrorAnswer::Skip, 2, 2000, 800, 1, 0, 0},
      {"skip all asks once", CopyErrorAnswer::SkipAll, 1, 2000, 800, 0, 1, 0},
      {"closing the question goes on", CopyErrorAnswer::Closed, 2, 2000, 800, 0, 0, 0},
      {"abort stops at once", CopyErrorAnswer::Abort, 1, 400, 400, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Source(2000, 512, 0, 2000);
    ToDisk(2000);
    targetPlan->badSectors = {410, 1250};  // in the second and the fourth block
    copyErrors.answer = c.answer;
    const DiskImageResult r = Run();
    EXPECT_FALSE(r.success);
    EXPECT_EQ(OnlyNotice(), kImageAbortedText);
    EXPECT_EQ(copyErrors.asked, c.asked);
    EXPECT_EQ(r.position, c.position);
    EXPECT_EQ(r.sectorsNotWritten, c.notWritten);
    EXPECT_EQ(g_CopySkipOnce.load(), c.skipOnce);
    EXPECT_EQ(g_CopySkipAll.load(), c.skipAll);
    EXPECT_EQ(g_CopyAbort.load(), c.abort);
    uint64_t lastWrite = 0;
    for (const auto& call : targetPlan->calls)
      if (call.write) lastWrite = std::max(lastWrite, call.offset + call.length);
    if (c.answer == CopyErrorAnswer::Abort) {
      EXPECT_EQ(lastWrite, 800u * 512);  // nothing after the failing block
    } else {
      EXPECT_EQ(lastWrite, 2000u * 512);
      // Blocks around the failures are whole; the bad sector keeps the target's old bytes.
      std::vector<std::byte> head(target->bytes.begin(), target->bytes.begin() + 410 * 512);
      EXPECT_TRUE(HoldsRange(head, 0, 512));
      EXPECT_EQ(target->bytes[410 * 512], std::byte{0xAA});
    }
    TearDown();
    prompts.notices.clear();
    copyErrors.asked = 0;
  }
}

TEST_F(DiskImageWorker, ATargetDiskThatCannotSyncIsNotReportedAsSuccess) {
  Source(1000, 512, 0, 1000);
  ToDisk(1000);
  targetPlan->failSync = true;
  copyErrors.answer = CopyErrorAnswer::SkipAll;
  const DiskImageResult r = Run();
  EXPECT_FALSE(r.success);
  EXPECT_EQ(OnlyNotice(), kImageAbortedText);
  EXPECT_EQ(copyErrors.asked, 1);
  EXPECT_EQ(r.sectorsNotWritten, 1000u);
}

TEST_F(DiskImageWorker, StopEndsAfterTheCurrentBlockAndKeepsWhatWasWritten) {
  Source(5000, 512, 0, 5000);
  ToFolder(true);
  for (int n = 0; n < 5; ++n) WriteFile(Piece(n), "old piece");
  SetImagePieceBytesForTest(256 * 1024);  // 512 sectors
  observer.stopAfter = 3;
  const DiskImageResult r = Run();
  EXPECT_FALSE(r.success);
  EXPECT_EQ(r.end, ScanEnd::ImageDone);
  EXPECT_EQ(r.position, 1200);
  EXPECT_EQ(OnlyNotice(), kImageAbortedText);
  EXPECT_EQ(FileBytes(Piece(0)).size(), 512u * 512);
  auto second = FileBytes(Piece(1));
  EXPECT_EQ(second.size(), 512u * 512);
  EXPECT_TRUE(HoldsRange(second, 512, 512));
  EXPECT_EQ(FileBytes(Piece(2)).size(), 176u * 512);
  // The image did not cover the range: the older pieces past it are left alone.
  EXPECT_EQ(FileBytes(Piece(3)).size(), 9u);
  EXPECT_EQ(FileBytes(Piece(4)).size(), 9u);
}

TEST_F(DiskImageWorker, CancelEndsWithoutANoticeAndLeavesTheOlderPiecesPastIt) {
  Source(5000, 512, 0, 5000);
  ToFolder(true);
  SetImagePieceBytesForTest(256 * 1024);
  for (int n = 0; n < 6; ++n) WriteFile(Piece(n), "old piece");
  observer.cancelAfter = 2;
  const DiskImageResult r = Run();
  EXPECT_EQ(r.end, ScanEnd::Cancelled);
  EXPECT_FALSE(r.success);
  EXPECT_TRUE(prompts.notices.empty());
  EXPECT_EQ(r.position, 800);
  EXPECT_EQ(FileBytes(Piece(1)).size(), 288u * 512);
  EXPECT_EQ(FileBytes(Piece(2)).size(), 9u);
  EXPECT_EQ(FileBytes(Piece(5)).size(), 9u);
}

// Everything that can be checked is checked before the first byte is written, and a run that
// writes nothing leaves an older image in the folder as it was: its pieces and its "bps.dmg".
class OlderImage : public DiskImageWorker {
 public:
  // Five pieces and a "bps.dmg" of an older image; the new range needs pieces 0 to 3.
  void Arrange() {
    SetImagePieceBytesForTest(256 * 1024);  // 512 sectors
    ToFolder(true);
    for (int n = 0; n < 5; ++n) WriteFile(Piece(n), std::string(kOldBytes, 'o'));
    WriteFile(dir.path() + "/bps.dmg", std::string("\x00\x10\x00\x00", 4));
    Source(2000, 512, 0, 2000);
  }
  void ExpectUntouched() {
    const std::vector<std::byte> old(kOldBytes, std::byte{'o'});
    for (int n = 0; n < 5; ++n) {
      if (!std::filesystem::is_directory(Piece(n))) {
        EXPECT_EQ(FileBytes(Piece(n)), old) << n;
      }
    }
    if (!std::filesystem::is_symlink(dir.path() + "/bps.dmg")) {
      EXPECT_EQ(FileBytes(dir.path() + "/bps.dmg").size(), 4u);
    }
  }
  static constexpr size_t kOldBytes = 1000;
};

TEST_F(OlderImage, ARefusedRunLeavesItWhole) {
  struct Case {
    const char* name;
    std::function<void(DiskImageWorker&)> arrange;
  } cases[] = {
      {"the source is a piece the range reaches only later",
       [](DiskImageWorker& t) { MapDeviceToFile(kSource, t.Piece(2)); }},
      {"a piece the range needs is a folder",
       [](DiskImageWorker& t) {
         std::filesystem::remove(t.Piece(3));
         std::filesystem::create_directory(t.Piece(3));
       }},
      {"bps.dmg is a link",
       [](DiskImageWorker& t) {
         std::filesystem::remove(t.dir.path() + "/bps.dmg");
         std::filesystem::create_symlink(t.Piece(0), t.dir.path() + "/bps.dmg");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Arrange();
    c.arrange(*this);
    const DiskImageResult r = Run();
    EXPECT_FALSE(r.success);
    EXPECT_EQ(r.piecesCreated, 0);
    EXPECT_NE(r.failure.find("not a plain file apart from the source"), std::string::npos)
        << r.failure;
    ExpectUntouched();
    TearDown();
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directory(dir.path());
    prompts.notices.clear();
    observer.Clear();
  }
}

TEST_F(OlderImage, ARunCancelledBeforeItsFirstBlockLeavesItWhole) {
  Arrange();
  control.Cancel();
  const DiskImageResult r = Run();
  EXPECT_EQ(r.end, ScanEnd::Cancelled);
  EXPECT_EQ(r.piecesCreated, 0);
  ExpectUntouched();
}

// Mounts a small tmpfs over a folder for one test (root only), read-only when asked.
class TmpfsMount {
 public:
  TmpfsMount(const std::string& path, const char* options) : m_Path(path) {
    m_Mounted = ::geteuid() == 0 && ::mount("tmpfs", path.c_str(), "tmpfs", 0, options) == 0;
  }
  ~TmpfsMount() {
    if (m_Mounted) ::umount2(m_Path.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return m_Mounted; }
  bool MakeReadOnly() {
    return ::mount("tmpfs", m_Path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

 private:
  std::string m_Path;
  bool m_Mounted = false;
};

TEST_F(DiskImageWorker, AFolderThatCannotTakeFilesIsRefusedBeforeAnythingIsWritten) {
  const std::string folder = dir.path() + "/ro";
  std::filesystem::create_directory(folder);
  TmpfsMount mount(folder, "size=1m");
  if (!mount.Mounted()) GTEST_SKIP() << "needs root to mount a read-only tmpfs";
  WriteFile(folder + "/DiskImage0.dmg", "old piece");
  WriteFile(folder + "/bps.dmg", std::string("\x00\x10\x00\x00", 4));
  ASSERT_TRUE(mount.MakeReadOnly());
  Source(1000, 512, 0, 1000);
  ToFolder(false);
  g_ImagePath = folder + "/DiskImage.dmg";
  const DiskImageResult r = Run();
  EXPECT_FALSE(r.success);
  EXPECT_NE(r.failure.find("cannot write into the target folder " + folder), std::string::npos)
      << r.failure;
  EXPECT_EQ(FileBytes(folder + "/DiskImage0.dmg").size(), 9u);
  EXPECT_EQ(FileBytes(folder + "/bps.dmg").size(), 4u);
}

// A piece whose first write fails (the target is full) is not left behind empty.
TEST_F(DiskImageWorker, APieceThatReceivedNothingIsRemoved) {
  const std::string folder = dir.path() + "/small";
  std::filesystem::create_directory(folder);
  TmpfsMount mount(folder, "size=256k");
  if (!mount.Mounted()) GTEST_SKIP() << "needs root to mount a small tmpfs";
  SetImagePieceBytesForTest(256 * 1024);  // piece 0 fills the tmpfs
  Source(1000, 512, 0, 1000);
  ToFolder(true);
  g_ImagePath = folder + "/DiskImage.dmg";
  copyErrors.answer = CopyErrorAnswer::Abort;
  const DiskImageResult r = Run();
  EXPECT_FALSE(r.success);
  EXPECT_GE(copyErrors.asked, 1);
  EXPECT_EQ(r.piecesCreated, 2);
  EXPECT_TRUE(Exists(folder + "/DiskImage0.dmg"));
  EXPECT_FALSE(Exists(folder + "/DiskImage1.dmg"));
}

TEST_F(DiskImageWorker, ProgressFollowsTheImagingPeriod) {
  Source(16000, 512, 0, 16000);  // 40 blocks
  ToFolder(false);
  ScanJob job{control, observer};  // handed the scans' period: imaging uses its own
  ASSERT_TRUE(DiskImageThread(job).success);
  // The 30th block's report, then the closing one.
  ASSERT_EQ(observer.progress.size(), 2u);
  EXPECT_EQ(observer.progress[0].folders, 30u * 400);
  EXPECT_EQ(observer.progress[0].sizeOrSector, 30u * 400);
  EXPECT_EQ(observer.progress[1].folders, 16000u);
  const std::string piece = Piece(0);  // ASCII, so it widens byte by byte
  EXPECT_EQ(observer.progress[0].name, std::u16string(piece.begin(), piece.end()));
  EXPECT_EQ(observer.bars.size(), 40u);
}

TEST_F(DiskImageWorker, PauseHoldsTheWorkerBeforeItsNextBlock) {
  Source(2000, 512, 0, 2000);
  ToFolder(false);
  control.Pause();
  DiskImageResult r;
  std::thread worker([&] { r = Run(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(Exists(Piece(0)));  // nothing written while paused
  control.Resume();
  worker.join();
  EXPECT_TRUE(r.success);
  EXPECT_TRUE(HoldsRange(FileBytes(Piece(0)), 0, 512));
}

TEST_F(DiskImageWorker, ADiskImageSourceIsReadWithItsOwnLayoutWhateverTheTargetIs) {
  SetImagePieceBytesForTest(64 * 1024);  // 128 sectors
  // A single-file image of 300 sectors as the source...
  TempDir sourceDir;
  {
    auto disk = PatternDisk(300);
    std::ofstream(sourceDir.path() + "/DiskImage0.dmg", std::ios::binary)
        .write(reinterpret_cast<const char*>(disk->bytes.data()),
               static_cast<std::streamsize>(disk->bytes.size()));
  }
  g_DiskImageSource = 1;
  g_SourceImageFolder = sourceDir.path();
  g_BytesPerSector = 512;
  g_SourceStartSector = 0;
  g_SourceEndSector = 300;
  // ...imaged split, as the imaging page sets g_ImageMultiFile for its target.
  ToFolder(true);
  const DiskImageResult r = Run();
  EXPECT_TRUE(r.success) << r.failure;
  EXPECT_EQ(g_ImageMultiFile, 1);
  std::vector<std::byte> all;
  for (int n = 0; n < 3; ++n) {
    auto piece = FileBytes(Piece(n));
    all.insert(all.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(all.size(), 300u * 512);
  EXPECT_TRUE(HoldsRange(all, 0, 512));
}

TEST_F(DiskImageWorker, SectorPositionsAbove32BitsDoNotWrap) {
  // A source of 2^33 sectors that makes its pattern up instead of holding it.
  class SyntheticDisk final : public RawDevice {
   public:
    int64_t ReadAt(uint64_t offset, std::span<std::byte> buffer) override {
      for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = PatternByte((offset + i) / 512);
      return static_cast<int64_t>(buffer.size());
    }
    int64_t WriteAt(uint64_t, std::span<const std::byte>) override { return -1; }
    std::optional<uint64_t> SizeBytes() override { return (uint64_t{1} << 33) * 512; }
    uint32_t LogicalSectorSize() override { return 512; }
    bool Sync() override { return true; }
    bool Close() override { return true; }
  };
  MapDeviceToFactory(kSource, [](DeviceAccess) { return std::make_unique<SyntheticDisk>(); });
  g_BytesPerSector = 512;
  const int64_t start = (int64_t{1} << 32) - 300;
  g_SourceStartSector = start;
  g_SourceEndSector = start + 700;
  ToDisk(800);
  const DiskImageResult r = Run();
  EXPECT_TRUE(r.success) << r.failure;
  EXPECT_EQ(r.position, start + 700);
  std::vector<std::byte> written(target->bytes.begin(), target->bytes.begin() + 700 * 512);
  EXPECT_TRUE(HoldsRange(written, start, 512));
  EXPECT_EQ(observer.bars.back(), 100);
}

TEST_F(DiskImageWorker, RefusesTargetsThatWouldWriteTheSource) {
  struct Case {
    const char* name;
    std::function<void(DiskImageWorker&)> arrange;
  } cases[] = {
      {"target disk named like the source",
       [](DiskImageWorker& t) {
         t.ToDisk(100);
         g_ImageTargetDisk = 0;
       }},
      {"target disk is the source file under another name",
       [](DiskImageWorker& t) {
         const std::string file = t.dir.path() + "/disk.img";
         WriteFile(file, std::string(100 * 512, 'S'));
         MapDeviceToFile(kSource, file);
         MapDeviceToFile(kTarget, file);
         t.ToDisk(100);
         MapDeviceToFile(kTarget, file);
       }},
      {"image piece is a link to the source file",
       [](DiskImageWorker& t) {
         const std::string file = t.dir.path() + "/disk.img";
         WriteFile(file, std::string(100 * 512, 'S'));
         MapDeviceToFile(kSource, file);
         ASSERT_EQ(::symlink(file.c_str(), t.Piece(0).c_str()), 0);
         t.ToFolder(false);
       }},
      {"image piece is the source file itself",
       [](DiskImageWorker& t) {
         WriteFile(t.Piece(0), std::string(100 * 512, 'S'));
         MapDeviceToFile(kSource, t.Piece(0));
         t.ToFolder(false);
       }},
      {"image folder holds the source image",
       [](DiskImageWorker& t) {
         WriteFile(t.Piece(0), std::string(100 * 512, 'S'));
         g_DiskImageSource = 1;
         g_SourceImageFolder = t.dir.path() + "/";
         t.ToFolder(false);
       }},
      {"image folder does not exist",
       [](DiskImageWorker& t) {
         t.ToFolder(false);
         g_ImagePath = t.dir.path() + "/missing/DiskImage.dmg";
       }},
      {"source that cannot be opened",
       [](DiskImageWorker& t) {
         MapDeviceToFactory(kSource, [](DeviceAccess) { return std::unique_ptr<RawDevice>(); });
         t.ToFolder(false);
       }},
      {"empty range",
       [](DiskImageWorker& t) {
         t.ToFolder(false);
         g_SourceEndSector = g_SourceStartSector;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Source(100, 512, 0, 100);
    c.arrange(*this);
    if (HasFatalFailure()) return;
    const DiskImageResult r = Run();
    EXPECT_FALSE(r.success);
    EXPECT_FALSE(r.failure.empty());
    EXPECT_EQ(OnlyNotice(), kImageAbortedText);
    EXPECT_EQ(r.position, g_SourceStartSector);
    ASSERT_EQ(observer.details.size(), 1u);
    EXPECT_EQ(observer.details[0], "Stopped: " + r.failure + ".");
    // Whatever stood for the source still holds it.
    const std::string file = dir.path() + "/disk.img";
    for (const std::string& f : {file, Piece(0)}) {
      if (!Exists(f)) continue;
      auto bytes = FileBytes(f);
      EXPECT_EQ(bytes.size(), 51200u) << f;
      EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](std::byte b) {
        return b == std::byte{'S'};
      })) << f;
    }
    TearDown();
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directory(dir.path());
    prompts.notices.clear();
    observer.Clear();
  }
}

TEST(CopyErrorQuestion, RecordsTheAnswerInTheFlagsAsTheDialogDoes) {
  struct Case {
    CopyErrorAnswer answer;
    int32_t skipOnce, skipAll, abort;
  } cases[] = {
      {CopyErrorAnswer::Skip, 1, 0, 0},
      {CopyErrorAnswer::SkipAll, 0, 1, 0},
      {CopyErrorAnswer::Abort, 0, 0, 1},
      {CopyErrorAnswer::Closed, 1, 1, 1},  // nothing changes
  };
  ScriptedCopyErrors prompt;
  SetCopyErrorPrompt(&prompt);
  for (const auto& c : cases) {
    g_CopySkipOnce = 1;
    g_CopySkipAll = 1;
    g_CopyAbort = 1;
    prompt.answer = c.answer;
    EXPECT_EQ(AskCopyError(), c.answer);
    EXPECT_EQ(g_CopySkipOnce.load(), c.skipOnce);
    EXPECT_EQ(g_CopySkipAll.load(), c.skipAll);
    EXPECT_EQ(g_CopyAbort.load(), c.abort);
  }
  SetCopyErrorPrompt(nullptr);
  // With nobody to ask, nothing more is written.
  EXPECT_EQ(AskCopyError(), CopyErrorAnswer::Abort);
  ResetCopyGlobals();
  EXPECT_EQ(g_CopySkipOnce.load() + g_CopySkipAll.load() + g_CopyAbort.load(), 0);
}

}  // namespace
