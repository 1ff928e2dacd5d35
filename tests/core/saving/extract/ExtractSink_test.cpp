#include "saving/extract/ExtractSink.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "engine/records/ScanState.h"
#include "prompts/CopyErrorPrompt.h"
#include "saving/ProgramState.h"
#include "saving/extract/CopyCounters.h"
#include "saving/extract/FatFileCopy.h"
#include "saving/extract/NtfsFileCopy.h"
#include "storage/ntfs/NtfsMftMap.h"
#include "tests/core/storage/StorageTestUtil.h"
#include "tests/core/storage/fat/FatTestImage.h"
#include "tests/core/storage/ntfs/NtfsTestRecords.h"

namespace fs = std::filesystem;

// The FAT and NTFS copies end a file the same way whatever went wrong: one table of endings run
// through both, each on a small volume of its own.
namespace {

constexpr const char* kDevice = "\\\\.\\PhysicalDrive0";

// What the source holds for the file copied.
enum class Shape {
  Whole,  // clusters for all of its size
  Empty,  // size 0
  Short,  // fewer clusters than its size
};

// Lengths of the target file, which the two file systems reach in reads of different sizes.
enum class Length { Zero, OneRead, Available, Whole };

// One file system's volume, served as kDevice, and a target folder.
class Source {
 public:
  virtual ~Source() { fs::remove_all(m_Dir); }
  virtual const char* Name() const = 0;
  // Copies the file of that shape through the file system's extraction into the target as
  // "f.bin"; how it ended, nothing for an ending the sink does not make.
  virtual std::optional<ExtractEnd> Copy(Shape shape, bool saving, CopyObserver& observer) = 0;
  virtual uint64_t Bytes(Length length) const = 0;
  virtual timespec SourceTime() const = 0;
  // The bytes of the whole file as the source holds them.
  virtual std::vector<std::byte> Content() const = 0;

  fs::path File() const { return m_Dir / "f.bin"; }

 protected:
  Source() {
    char pattern[] = "/tmp/merrowind-sink-XXXXXX";
    m_Dir = ::mkdtemp(pattern);
    folder = TargetFolder::Open(m_Dir);
  }
  template <class Result>
  static std::optional<ExtractEnd> EndOf(Result r) {
    for (ExtractEnd e :
         {ExtractEnd::Written, ExtractEnd::Short, ExtractEnd::Refused, ExtractEnd::CreateFailed,
          ExtractEnd::WriteFailed, ExtractEnd::Skipped, ExtractEnd::Aborted,
          ExtractEnd::PreviewStopped})
      if (AsCopyResult<Result>(e) == r) return e;
    return std::nullopt;
  }

  fs::path m_Dir;
  TargetFolder folder;
};

// FAT16, one sector per cluster, cluster c at sector 15 + c up to cluster 101, the tables empty
// (as after a delete), so a file is read from consecutive clusters: 512 bytes a read.
class FatTestVolume final : public Source {
 public:
  static constexpr uint64_t kData = 17;
  static constexpr uint16_t kDate = (2021 - 1980) << 9 | 3 << 5 | 4, kTime = 5 << 11 | 6 << 5 | 4;

  FatTestVolume() : m_Disk(kData + 100) {
    g_ScanState.fileSystem = FileSystemKind::Fat16;
    g_VolumeGeometry = {0, 0, 0, 0, 1, 8, 0, 0, 1, static_cast<uint32_t>(kData - 2), 1, 9};
    for (uint32_t c = 2; c < 102; ++c) std::fill_n(m_Disk.Sector(kData + c - 2), 512, std::byte(c));
  }
  const char* Name() const override { return "FAT"; }
  std::optional<ExtractEnd> Copy(Shape shape, bool saving, CopyObserver& observer) override {
    FatCopyRequest r;
    r.folder = &folder;
    r.name = u"f.bin";
    r.size = shape == Shape::Empty ? 0 : 1500;
    r.firstCluster = shape == Shape::Short ? 100 : 5;  // 100 and 101 are the last two
    r.saving = saving;
    r.dosDate = kDate;
    r.dosTime = kTime;
    return EndOf(CopyFatFile(r, observer));
  }
  uint64_t Bytes(Length length) const override {
    const uint64_t bytes[] = {0, 512, 1024, 1500};
    return bytes[static_cast<int>(length)];
  }
  timespec SourceTime() const override { return *DosTimeToTimespec(kDate, kTime); }
  std::vector<std::byte> Content() const override {
    std::vector<std::byte> out;
    for (int c : {5, 6, 7}) out.insert(out.end(), 512, std::byte(c));
    out.resize(1500);
    return out;
  }

 private:
  fat_test::MemoryVolume m_Disk;
};

// NTFS, one sector per cluster from sector 64, 1,024-byte records from sector 128 mapped by the
// $MFT runs: 20,480 bytes a read.
class NtfsTestVolume final : public Source {
 public:
  static constexpr uint64_t kBase = 64, kMft = 128, kSize = 51100;
  static constexpr uint64_t kFileTime = (1614834368 + 11644473600ULL) * 10000000ULL;

  NtfsTestVolume() : m_Disk(storage_test::PatternDisk(4096)) {
    storage_test::ServeDisk(kDevice, m_Disk, std::make_shared<FaultPlan>());
    SetDevicePath(0, kDevice);
    g_CurrentDevice = 0;
    g_SourceEndSector = 4095;
    g_ScanState.fileSystem = FileSystemKind::Ntfs;
    g_VolumeGeometry = {2, 0, kMft, 0, 1, 0, 0, 0, 0, kBase, 0, 0};
    NtfsAppendRun(g_MftRuns, kMft, 64);
    g_MftSectorsPerRecord = 2;
    Put(20, 100);  // the whole file
    Put(21, 40);   // one read's worth of its clusters
  }
  ~NtfsTestVolume() override {
    ResetDeviceHandleCache();
    ClearDeviceMappings();
  }
  const char* Name() const override { return "NTFS"; }
  std::optional<ExtractEnd> Copy(Shape shape, bool saving, CopyObserver& observer) override {
    NtfsCopyRequest r;
    r.folder = &folder;
    r.name = u"f.bin";
    r.size = shape == Shape::Empty ? 0 : kSize;
    r.recordNumber = shape == Shape::Short ? 21 : 20;
    r.saving = saving;
    r.modified = kFileTime;
    return EndOf(CopyNtfsFile(r, observer));
  }
  uint64_t Bytes(Length length) const override {
    const uint64_t bytes[] = {0, 20480, 20480, kSize};
    return bytes[static_cast<int>(length)];
  }
  timespec SourceTime() const override { return {1614834368, 0}; }
  std::vector<std::byte> Content() const override {
    const auto at = m_Disk->bytes.begin() + static_cast<std::ptrdiff_t>((kBase + 300) * 512);
    return std::vector<std::byte>(at, at + kSize);
  }

 private:
  // Record n: kSize bytes of data in `clusters` clusters from cluster 300.
  void Put(uint32_t n, uint32_t clusters) {
    ntfs_test::RecordBuilder r(1024, 1, n);
    r.NonResident(0x80, ntfs_test::OneRun(clusters, 300), kSize);
    const ntfs_test::Bytes b = r.Protected();
    std::copy(b.begin(), b.end(),
              m_Disk->bytes.begin() + static_cast<std::ptrdiff_t>((kMft + 2 * n) * 512));
  }

  std::shared_ptr<MemoryDisk> m_Disk;
};

std::unique_ptr<Source> TestVolume(bool ntfs) {
  if (ntfs) return std::make_unique<NtfsTestVolume>();
  return std::make_unique<FatTestVolume>();
}

struct Recorder : CopyObserver {
  int stopAfter = -1;  // the preview's Stop is pressed after this many preview reports
  int previews = 0;
  void OnPreviewProgress(int) override { ++previews; }
  bool PreviewStopRequested() override { return stopAfter >= 0 && previews >= stopAfter; }
};

struct CountedCopyError : CopyErrorPrompt {
  int asked = 0;
  CopyErrorAnswer AskCopyError() override {
    ++asked;
    return CopyErrorAnswer::Skip;
  }
};

// A target that takes this many writes and then reports it is full; below 0 it never fills.
int g_WritesLeft = -1;
ssize_t FillingWrite(int fd, const void* data, size_t size) {
  if (g_WritesLeft == 0) {
    errno = ENOSPC;
    return -1;
  }
  if (g_WritesLeft > 0) --g_WritesLeft;
  return ::write(fd, data, size);
}

}  // namespace

TEST(ExtractSink, FatAndNtfsEndAFileAlike) {
  struct Case {
    const char* what;
    Shape shape;
    bool saving;
    int writes;     // writes the target takes before it is full; -1 all
    int stopAfter;  // preview reports before Stop; -1 never
    ExtractEnd end;
    bool left;         // a file remains under the name
    Length length;     // its length
    bool sourceTime;   // it has the source's time
    int asked;         // copy-error questions
  };
  const Case cases[] = {
      {"whole file", Shape::Whole, true, -1, -1, ExtractEnd::Written, true, Length::Whole, true, 0},
      {"empty file", Shape::Empty, true, -1, -1, ExtractEnd::Written, true, Length::Zero, true, 0},
      {"short chain", Shape::Short, true, -1, -1, ExtractEnd::Short, true, Length::Available,
       false, 0},
      {"first write fails", Shape::Whole, true, 0, -1, ExtractEnd::WriteFailed, false,
       Length::Zero, false, 1},
      {"a later write fails", Shape::Whole, true, 1, -1, ExtractEnd::WriteFailed, true,
       Length::OneRead, false, 1},
      {"preview stop", Shape::Whole, false, -1, 1, ExtractEnd::PreviewStopped, true,
       Length::OneRead, false, 0},
      {"a preview's write fails", Shape::Whole, false, 0, -1, ExtractEnd::WriteFailed, false,
       Length::Zero, false, 0},
  };
  for (const bool ntfs : {false, true}) {
    for (const Case& c : cases) {
      ResetProgramState();
      std::unique_ptr<Source> source = TestVolume(ntfs);
      SCOPED_TRACE(testing::Message() << source->Name() << ": " << c.what);
      CountedCopyError prompt;
      SetCopyErrorPrompt(&prompt);
      g_WritesLeft = c.writes;
      SetTargetWriteFunction(&FillingWrite);
      Recorder observer;
      observer.stopAfter = c.stopAfter;
      const std::optional<ExtractEnd> end = source->Copy(c.shape, c.saving, observer);
      SetTargetWriteFunction(nullptr);
      SetCopyErrorPrompt(nullptr);

      EXPECT_EQ(end, c.end);
      EXPECT_EQ(prompt.asked, c.asked);
      struct stat st {};
      const bool left = ::lstat(source->File().c_str(), &st) == 0;
      EXPECT_EQ(left, c.left);
      const uint64_t length = source->Bytes(c.length);
      if (left) {
        EXPECT_EQ(static_cast<uint64_t>(st.st_size), length);
        const timespec t = source->SourceTime();
        EXPECT_EQ(st.st_mtim.tv_sec == t.tv_sec, c.sourceTime);
      }
      // Saving counts the bytes that reached the target; a preview counts nothing.
      EXPECT_EQ(g_CopiedBytes.load(), c.saving ? length : 0);
      source.reset();
      ResetProgramState();
    }
  }
}

// A file's copy reads the source and volume it started with: a change of source or geometry while
// it runs (another disk chosen, a scan of another volume) does not reach its later reads.
TEST(ExtractSink, ACopyKeepsTheSourceItStartedWith) {
  for (const bool ntfs : {false, true}) {
    ResetProgramState();
    std::unique_ptr<Source> source = TestVolume(ntfs);
    SCOPED_TRACE(source->Name());
    // Another disk, of other bytes, under another name.
    auto other = std::make_shared<MemoryDisk>();
    other->bytes.assign(4096 * 512, std::byte{0xEE});
    storage_test::ServeDisk("\\\\.\\PhysicalDrive5", other, std::make_shared<FaultPlan>());
    struct Switcher : CopyObserver {
      void OnFileProgress(std::u16string_view, uint64_t, uint64_t) override {
        SetDevicePath(1, "\\\\.\\PhysicalDrive5");
        g_CurrentDevice = 1;
        g_VolumeGeometry = {2, 0, 0, 0, 4, 8, 0, 0, 1, 1000, 1, 9};
        g_SourceEndSector = 2000;
      }
    } switcher;
    EXPECT_EQ(source->Copy(Shape::Whole, true, switcher), ExtractEnd::Written);
    std::ifstream in(source->File(), std::ios::binary);
    const std::vector<char> chars((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::byte> written(chars.size());
    std::transform(chars.begin(), chars.end(), written.begin(),
                   [](char c) { return std::byte(c); });
    EXPECT_EQ(written, source->Content());
    source.reset();
    ResetProgramState();
  }
}
