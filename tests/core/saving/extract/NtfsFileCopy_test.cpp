#include "saving/extract/NtfsFileCopy.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "engine/records/ScanState.h"
#include "saving/extract/CopyCounters.h"
#include "prompts/CopyErrorPrompt.h"
#include "prompts/CopyGlobals.h"
#include "storage/ntfs/NtfsMftMap.h"
#include "storage/VolumeGeometry.h"
#include "tests/core/storage/ntfs/NtfsTestRecords.h"
#include "tests/core/storage/StorageTestUtil.h"
#include "saving/ProgramState.h"

namespace fs = std::filesystem;
using ntfs_test::Bytes;
using ntfs_test::RecordBuilder;

namespace {

constexpr const char* kDevice = "\\\\.\\PhysicalDrive0";
// 2021-03-04 05:06:08.1234567 UTC as an NTFS file time.
constexpr uint64_t kUnixSeconds = 1614834368;
constexpr uint64_t kFileTime = (kUnixSeconds + 11644473600ULL) * 10000000ULL + 1234567;

// A run list from (clusters, lcn) pairs; an lcn of -1 is a sparse run. Deltas are written in
// eight bytes, which the decoder takes as it takes shorter ones.
Bytes RunList(const std::vector<std::pair<uint64_t, int64_t>>& runs) {
  Bytes b;
  int64_t previous = 0;
  for (auto [clusters, lcn] : runs) {
    const bool sparse = lcn < 0;
    b.push_back(std::byte(sparse ? 0x08 : 0x88));
    for (int i = 0; i < 8; ++i) b.push_back(std::byte((clusters >> (8 * i)) & 0xFF));
    if (sparse) continue;
    const uint64_t delta = static_cast<uint64_t>(lcn - previous);
    for (int i = 0; i < 8; ++i) b.push_back(std::byte((delta >> (8 * i)) & 0xFF));
    previous = lcn;
  }
  b.push_back(std::byte{0});
  return b;
}

// An NTFS volume in memory whose cluster 0 lies at sector kBase of the disk (a partition
// offset). Every byte of disk sector s outside the records holds PatternByte(s), so the source of
// each written byte shows. FILE records go into the MFT area, which g_MftRuns maps.
class NtfsCopyTest : public storage_test::SectorPathTest {
 protected:
  static constexpr uint64_t kBase = 64;
  static constexpr uint64_t kMftSector = 128;  // records of R sectors each from here
  static constexpr uint32_t kRecords = 32;

  void Volume(uint32_t spc, uint32_t bps = 512, uint32_t recordBytes = 1024,
              uint64_t sectors = 4096) {
    ResetProgramState();
    m_Bps = bps;
    m_RecordBytes = recordBytes;
    m_R = recordBytes / bps ? recordBytes / bps : 1;
    m_Disk = storage_test::PatternDisk(sectors, bps);
    m_Plan = std::make_shared<FaultPlan>();
    m_Plan->sectorSize = bps;
    storage_test::ServeDisk(kDevice, m_Disk, m_Plan);
    SetDevicePath(0, kDevice);
    g_CurrentDevice = 0;
    g_BytesPerSector = static_cast<int32_t>(bps);
    g_SourceEndSector = static_cast<int64_t>(sectors - 1);
    g_ScanState.fileSystem = FileSystemKind::Ntfs;
    g_VolumeGeometry = {m_R, 0, static_cast<uint32_t>(kMftSector), 0, spc, 0, 0,
                        0,  0, static_cast<uint32_t>(kBase),      0, 0};
    NtfsAppendRun(g_MftRuns, kMftSector, uint64_t{kRecords} * m_R);
    g_MftSectorsPerRecord = m_R;
    char pattern[] = "/tmp/merrowind-ntfscopy-XXXXXX";
    m_Dir = ::mkdtemp(pattern);
    m_Folder = TargetFolder::Open(m_Dir);
  }
  void TearDown() override {
    SetCopyErrorPrompt(nullptr);
    SetTargetWriteFunction(nullptr);
    if (!m_Dir.empty()) fs::remove_all(m_Dir);
    m_Dir.clear();
    ResetProgramState();
    SectorPathTest::TearDown();
  }

  uint64_t SectorOf(uint64_t lcn, uint32_t spc) const { return kBase + lcn * spc; }
  uint64_t RecordSector(uint32_t n) const { return kMftSector + uint64_t{n} * m_R; }
  RecordBuilder Record(uint32_t n, uint32_t base = RecordBuilder::kNoBase) const {
    return RecordBuilder(m_RecordBytes, 1, n, base);
  }
  void Put(uint32_t n, const RecordBuilder& r) {
    const Bytes b = r.Protected();
    std::copy(b.begin(), b.end(), m_Disk->bytes.begin() + RecordSector(n) * m_Bps);
  }
  // The request for record n, read by its number (as after the deleted-file scan).
  NtfsCopyRequest Request(const char16_t* name, uint64_t size, uint32_t n) const {
    NtfsCopyRequest r;
    r.folder = &m_Folder;
    r.name = name;
    r.size = size;
    r.recordNumber = n;
    r.modified = kFileTime;
    return r;
  }
  // The bytes of disk sectors [first, first + count), cut to size.
  Bytes Sectors(uint64_t first, uint64_t count, size_t size) const {
    Bytes out(m_Disk->bytes.begin() + static_cast<std::ptrdiff_t>(first * m_Bps),
              m_Disk->bytes.begin() + static_cast<std::ptrdiff_t>((first + count) * m_Bps));
    out.resize(size);
    return out;
  }
  Bytes Written(const char* name) const {
    std::ifstream in(m_Dir / name, std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), {});
    Bytes out(chars.size());
    std::transform(chars.begin(), chars.end(), out.begin(), [](char c) { return std::byte(c); });
    return out;
  }
  bool Exists(const char* name) const { return fs::exists(m_Dir / name); }
  std::optional<timespec> MTime(const char* name) const {
    struct stat st {};
    if (::stat((m_Dir / name).c_str(), &st) != 0) return std::nullopt;
    return st.st_mtim;
  }
  // Sector counts of the reads that touched [first, first + count) of the disk.
  std::vector<uint64_t> ReadsIn(uint64_t first, uint64_t count) const {
    std::vector<uint64_t> out;
    for (const auto& c : m_Plan->calls) {
      const uint64_t s = c.offset / m_Bps;
      if (!c.write && s >= first && s < first + count) out.push_back(c.length / m_Bps);
    }
    return out;
  }
  bool AnyReadAt(uint64_t sector) const {
    for (const auto& c : m_Plan->calls)
      if (!c.write && c.offset / m_Bps <= sector && sector < (c.offset + c.length) / m_Bps)
        return true;
    return false;
  }

  uint32_t m_Bps = 512, m_RecordBytes = 1024, m_R = 2;
  std::shared_ptr<MemoryDisk> m_Disk;
  std::shared_ptr<FaultPlan> m_Plan;
  fs::path m_Dir;
  TargetFolder m_Folder;
};

struct Recorder : CopyObserver {
  std::vector<uint64_t> progress;
  std::vector<int> preview;
  bool admit = true;
  int admitted = 0;
  int skipAfter = -1;    // press Skip after this many progress reports
  int stopPreview = -1;  // press the preview's Stop after this many preview reports
  bool Admit(const CopyCandidate&) override {
    ++admitted;
    return admit;
  }
  void OnFileProgress(std::u16string_view, uint64_t written, uint64_t) override {
    progress.push_back(written);
    if (static_cast<int>(progress.size()) == skipAfter) g_CopySkipOnce = 1;
  }
  void OnPreviewProgress(int percent) override { preview.push_back(percent); }
  bool PreviewStopRequested() override {
    return stopPreview >= 0 && static_cast<int>(preview.size()) >= stopPreview;
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

bool SameTime(std::optional<timespec> t, uint64_t seconds, long nanoseconds) {
  return t && static_cast<uint64_t>(t->tv_sec) == seconds && t->tv_nsec == nanoseconds;
}

}  // namespace

// Reads follow the 20,480-byte buffer: 40 sectors of 512 bytes, 5 of 4,096; the last read of an
// extent takes what is left, and the last write is cut to the size.
TEST_F(NtfsCopyTest, ReadsAreSizedToTheBufferAndTheLastWriteIsCut) {
  struct Case {
    const char* what;
    uint32_t bps, spc, recordBytes;
    uint64_t clusters, size;
    std::vector<uint64_t> reads, progress;
  };
  const Case cases[] = {
      {"5,000 bytes in two 4,096-byte clusters", 512, 8, 1024, 2, 5000, {16}, {5000}},
      {"a 100-sector run", 512, 4, 1024, 25, 51200, {40, 40, 20}, {20480, 40960, 51200}},
      {"4,096-byte sectors",
       4096,
       1,
       1024,
       12,
       12 * 4096 - 10,
       {5, 5, 2},
       {20480, 40960, 12 * 4096 - 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Volume(c.spc, c.bps, c.recordBytes);
    RecordBuilder r = Record(20);
    r.NonResident(0x80, RunList({{c.clusters, 300}}), c.size);
    Put(20, r);
    Recorder rec;
    EXPECT_EQ(CopyNtfsFile(Request(u"f.bin", c.size, 20), rec), NtfsCopyResult::Written);
    const uint64_t first = SectorOf(300, c.spc);
    EXPECT_EQ(ReadsIn(first, c.clusters * c.spc), c.reads);
    EXPECT_EQ(rec.progress, c.progress);
    EXPECT_EQ(Written("f.bin"), Sectors(first, c.clusters * c.spc, c.size));
    EXPECT_EQ(g_CopiedBytes.load(), c.size);
    EXPECT_EQ(g_CopiedFileCount.load(), 1u);
    TearDown();
    SetUp();
  }
}

// Fragments in run order; a sparse run is zeros and never a read of the device's first sectors;
// a run through a sector that cannot be read gives zeros there, never the previous read's bytes.
TEST_F(NtfsCopyTest, FragmentsSparseRunsAndUnreadableSectors) {
  Volume(1);
  RecordBuilder r = Record(21);
  r.NonResident(0x80, RunList({{2, 600}, {3, -1}, {1, 300}, {41, 700}}), 47 * 512);
  Put(21, r);
  m_Plan->badSectors.insert(SectorOf(700 + 40, 1));
  storage_test::ScriptedPrompts skipAll({3});
  SetUserPrompts(&skipAll);
  Recorder rec;
  EXPECT_EQ(CopyNtfsFile(Request(u"frag.bin", 47 * 512, 21), rec), NtfsCopyResult::Written);
  Bytes want = Sectors(SectorOf(600, 1), 2, 1024);
  want.resize(want.size() + 3 * 512);  // the hole
  const Bytes third = Sectors(SectorOf(300, 1), 1, 512);
  want.insert(want.end(), third.begin(), third.end());
  const Bytes fourth = Sectors(SectorOf(700, 1), 40, 40 * 512);
  want.insert(want.end(), fourth.begin(), fourth.end());
  want.resize(want.size() + 512);  // the unreadable sector
  EXPECT_EQ(Written("frag.bin"), want);
  EXPECT_FALSE(AnyReadAt(0));
  EXPECT_FALSE(AnyReadAt(kBase));
}

// On a volume that starts at the device's first sector, a run at cluster 0 (as $Boot's) is read
// from sector 0, while a sparse run is still zeros that read nothing.
TEST_F(NtfsCopyTest, ARunAtClusterZeroIsReadAndASparseRunIsNot) {
  Volume(1);
  g_VolumeGeometry.ClusterBaseSector = 0;  // cluster 0 at sector 0
  RecordBuilder r = Record(22);
  r.NonResident(0x80, RunList({{2, 0}, {3, -1}, {1, 300}}), 6 * 512);
  Put(22, r);
  Recorder rec;
  EXPECT_EQ(CopyNtfsFile(Request(u"boot.bin", 6 * 512, 22), rec), NtfsCopyResult::Written);
  Bytes want = Sectors(0, 2, 1024);
  want.resize(want.size() + 3 * 512);  // the hole
  const Bytes last = Sectors(300, 1, 512);
  want.insert(want.end(), last.begin(), last.end());
  EXPECT_EQ(Written("boot.bin"), want);
  EXPECT_EQ(ReadsIn(0, 2), (std::vector<uint64_t>{2}));
}

// Resident data comes from the value offset the attribute stores, and at most the value's length.
TEST_F(NtfsCopyTest, ResidentDataIsTheValueItself) {
  Bytes value(700);
  for (size_t i = 0; i < value.size(); ++i) value[i] = std::byte(i * 13 + 5);
  struct Case {
    const char* what;
    bool shiftedValue;
    uint64_t size;
    NtfsCopyResult result;
    size_t bytes;
  };
  const Case cases[] = {
      {"700 bytes in a 1,024-byte record", false, 700, NtfsCopyResult::Written, 700},
      {"a value that does not start at 24", true, 700, NtfsCopyResult::Written, 700},
      {"a record size above the value's length", false, 800, NtfsCopyResult::Short, 700},
      {"a record size below it", false, 300, NtfsCopyResult::Written, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Volume(8);
    RecordBuilder r = Record(22);
    // A name moves the value to offset 32; clearing the name length leaves it there, unnamed.
    const size_t at = c.shiftedValue ? r.Resident(0x80, value, u"abcd") : r.Resident(0x80, value);
    if (c.shiftedValue) r.Raw()[at + 9] = std::byte{0};
    Put(22, r);
    Recorder rec;
    EXPECT_EQ(CopyNtfsFile(Request(u"res.txt", c.size, 22), rec), c.result);
    EXPECT_EQ(Written("res.txt"), Bytes(value.begin(), value.begin() + c.bytes));
    EXPECT_EQ(g_CopiedBytes.load(), c.bytes);
    // A file cut short never takes the record's time.
    EXPECT_EQ(SameTime(MTime("res.txt"), kUnixSeconds, 123456700),
              c.result == NtfsCopyResult::Written);
    TearDown();
    SetUp();
  }
}

// What must write nothing: a sector that holds no FILE record, a record without an unnamed $DATA
// (whatever other attribute has runs), a resident value that leaves its attribute. Each is still
// an admitted file, and nothing is written or counted in bytes.
TEST_F(NtfsCopyTest, NoRecordOrNoDataAttributeWritesNothing) {
  Volume(8);
  RecordBuilder named = Record(23);
  named.NonResident(0x80, RunList({{4, 100}}), 4096, u"stream");
  named.NonResident(0xA0, RunList({{4, 200}}), 4096, u"$I30");
  Put(23, named);
  RecordBuilder bad = Record(24);
  const size_t at = bad.Resident(0x80, Bytes(100, std::byte{'v'}));
  ntfs_test::Put32(bad.Raw(), at + 16, 5000);  // value length past the attribute
  Put(24, bad);
  Recorder rec;
  struct Case {
    const char16_t* name;
    const char* file;
    uint32_t number;
    uint64_t sector;
  } cases[] = {{u"none.bin", "none.bin", 23, 0},
               {u"bad.txt", "bad.txt", 24, 0},
               {u"nofile.bin", "nofile.bin", 0, 3000}};
  for (const auto& c : cases) {
    NtfsCopyRequest q = Request(c.name, 4096, c.number);
    q.recordSector = c.sector;
    EXPECT_EQ(CopyNtfsFile(q, rec), NtfsCopyResult::NotCopied) << c.file;
    EXPECT_FALSE(Exists(c.file));
  }
  EXPECT_TRUE(ReadsIn(SectorOf(100, 8), 32).empty());
  EXPECT_TRUE(ReadsIn(SectorOf(200, 8), 32).empty());
  EXPECT_EQ(g_CopiedBytes.load(), 0u);
  EXPECT_EQ(g_CopiedFileCount.load(), 3u);
}

// Encrypted clusters, and clusters compressed in a form the copy does not know, are never written
// as if plain: the file is counted as not copied, also when the data's first piece lies in an
// extension record, and saving says once per copy that encrypted files were left out.
TEST_F(NtfsCopyTest, EncryptedDataIsLeftCountedAndToldOnce) {
  Volume(8);
  struct Case {
    uint32_t number;
    uint16_t flags;
    bool throughList;
  } cases[] = {{25, 0x0002, false}, {26, 0x4000, false}, {27, 0x4001, true}};
  for (const auto& c : cases) {
    RecordBuilder base = Record(c.number);
    if (c.throughList) {
      base.Resident(0x20, RecordBuilder::AttributeList({{0x80, 30, 0}}));
      RecordBuilder ext = Record(30, c.number);
      const size_t at = ext.NonResident(0x80, RunList({{2, 100}}), 8192);
      ntfs_test::Put16(ext.Raw(), at + 12, c.flags);
      Put(30, ext);
    } else {
      const size_t at = base.NonResident(0x80, RunList({{2, 100}}), 8192);
      ntfs_test::Put16(base.Raw(), at + 12, c.flags);
    }
    Put(c.number, base);
  }
  Recorder rec;
  for (const auto& c : cases)
    EXPECT_EQ(CopyNtfsFile(Request(u"packed.bin", 8192, c.number), rec),
              NtfsCopyResult::Unsupported)
        << c.number;
  EXPECT_FALSE(Exists("packed.bin"));
  EXPECT_EQ(g_CopyUnsupportedFileCount.load(), 3u);
  EXPECT_EQ(g_CopiedFileCount.load(), 0u);
  EXPECT_EQ(g_CopiedBytes.load(), 0u);
  EXPECT_EQ(prompts.notices, std::vector<std::string>{std::string(kNtfsEncryptedNotice)});
}

// LZNT1 stream bytes of one chunk (literals, or with references as the tokens say), with the
// terminating zero header a file system leaves after a unit's last chunk.
Bytes Lznt1Stream(std::initializer_list<int> chunkData) {
  Bytes b;
  const uint16_t h = static_cast<uint16_t>(0xB000 | (chunkData.size() - 1));
  b.push_back(std::byte(h & 0xFF));
  b.push_back(std::byte(h >> 8));
  for (int v : chunkData) b.push_back(std::byte(v));
  b.push_back(std::byte{0});
  b.push_back(std::byte{0});
  return b;
}

// A compressed file comes out decompressed unit by unit (units of 16 clusters here): a
// compressed unit decoded, a stored one as it lies, a sparse one as zeros, the last cut to the
// size. A damaged unit ends the file after the part of it that decoded.
TEST_F(NtfsCopyTest, CompressedDataIsDecompressed) {
  Volume(1);
  auto put = [&](uint64_t lcn, const Bytes& b) {
    std::copy(b.begin(), b.end(), m_Disk->bytes.begin() + SectorOf(lcn, 1) * 512);
  };
  // "abcabcabc": three literals and a reference 3 back, 6 long.
  put(300, Lznt1Stream({0x08, 'a', 'b', 'c', 0x03, 0x20}));
  put(500, Lznt1Stream({0x00, 'x', 'y', 'z'}));
  // A full first chunk, then one whose first token refers before its start.
  Bytes damaged = Lznt1Stream({0x00, 'x', 'y', 'z'});
  damaged.resize(damaged.size() - 2);
  for (int v : {0x02, 0xB0, 0x01, 0x00, 0x00, 0x00, 0x00}) damaged.push_back(std::byte(v));
  put(600, damaged);
  auto compressed = [&](uint32_t n, const Bytes& runs, uint64_t size) {
    RecordBuilder r = Record(n);
    const size_t at = r.NonResident(0x80, runs, size);
    ntfs_test::Put16(r.Raw(), at + 12, 0x0001);
    r.Raw()[at + 34] = std::byte{4};
    Put(n, r);
  };
  const uint64_t size = 3 * 8192 + 1000;
  compressed(25, RunList({{1, 300}, {15, -1}, {16, 400}, {16, -1}, {1, 500}, {15, -1}}), size);
  compressed(26, RunList({{1, 300}, {15, -1}, {2, 600}, {14, -1}}), 16384);

  Recorder rec;
  EXPECT_EQ(CopyNtfsFile(Request(u"packed.bin", size, 25), rec), NtfsCopyResult::Written);
  Bytes want(size, std::byte{0});
  const char* abc = "abcabcabc";
  std::transform(abc, abc + 9, want.begin(), [](char c) { return std::byte(c); });
  const Bytes stored = Sectors(SectorOf(400, 1), 16, 8192);
  std::copy(stored.begin(), stored.end(), want.begin() + 8192);
  for (int i = 0; i < 3; ++i) want[3 * 8192 + i] = std::byte("xyz"[i]);
  EXPECT_EQ(Written("packed.bin"), want);
  EXPECT_EQ(g_CopiedBytes.load(), size);

  EXPECT_EQ(CopyNtfsFile(Request(u"damaged.bin", 16384, 26), rec), NtfsCopyResult::Short);
  Bytes part(8192 + 4096, std::byte{0});
  std::copy(want.begin(), want.begin() + 9, part.begin());
  for (int i = 0; i < 3; ++i) part[8192 + i] = std::byte("xyz"[i]);
  EXPECT_EQ(Written("damaged.bin"), part);
  EXPECT_EQ(g_CopiedFileCount.load(), 2u);
  EXPECT_EQ(g_CopyUnsupportedFileCount.load(), 0u);
}

// A compression unit size that is missing or too large for any volume leaves the file unwritten.
TEST_F(NtfsCopyTest, CompressedDataWithoutAUsableUnitSizeIsNotWritten) {
  Volume(1);
  for (const uint8_t exponent : {0, 12}) {
    RecordBuilder r = Record(25);
    const size_t at = r.NonResident(0x80, RunList({{1, 300}, {15, -1}}), 5000);
    ntfs_test::Put16(r.Raw(), at + 12, 0x0001);
    r.Raw()[at + 34] = std::byte{exponent};
    Put(25, r);
    Recorder rec;
    EXPECT_EQ(CopyNtfsFile(Request(u"packed.bin", 5000, 25), rec), NtfsCopyResult::NotCopied);
    EXPECT_FALSE(Exists("packed.bin"));
  }
}

// A small file of a compressed folder carries the compressed flag on a resident value, which is
// stored plain: it is copied like any resident file.
TEST_F(NtfsCopyTest, ResidentDataOfACompressedOrEncryptedFileIsCopied) {
  Volume(8);
  for (const uint16_t flags : {uint16_t{0x0001}, uint16_t{0x4000}}) {
    SCOPED_TRACE(flags);
    ResetCopyCounters();
    RecordBuilder r = Record(25);
    const size_t at = r.ResidentData(300);
    ntfs_test::Put16(r.Raw(), at + 12, flags);
    Put(25, r);
    Recorder rec;
    EXPECT_EQ(CopyNtfsFile(Request(u"small.txt", 300, 25), rec), NtfsCopyResult::Written);
    EXPECT_EQ(Written("small.txt"), Bytes(300, std::byte{'d'}));
    EXPECT_EQ(g_CopyUnsupportedFileCount.load(), 0u);
    EXPECT_EQ(g_CopiedFileCount.load(), 1u);
    EXPECT_EQ(g_CopiedBytes.load(), 300u);
  }
}

// Without a volume layout (no usable boot sector anywhere) no file can be read: saving says so
// once per copy, not once per file, and a preview says nothing.
TEST_F(NtfsCopyTest, AnUnknownLayoutIsToldOncePerCopy) {
  Volume(8);
  RecordBuilder r = Record(25);
  r.ResidentData(300);
  Put(25, r);
  g_VolumeGeometry.SectorsPerMftRecord = 0;
  Recorder rec;
  for (int copy = 0; copy < 2; ++copy) {
    ResetCopyCounters();
    for (int file = 0; file < 3; ++file)
      EXPECT_EQ(CopyNtfsFile(Request(u"small.txt", 300, 25), rec), NtfsCopyResult::NotCopied);
    EXPECT_EQ(prompts.notices.size(), size_t(copy + 1));
  }
  EXPECT_EQ(prompts.notices.back(), kNtfsNoLayoutNotice);
  EXPECT_FALSE(Exists("small.txt"));
  ResetCopyCounters();
  NtfsCopyRequest preview = Request(u"small.txt", 300, 25);
  preview.saving = false;
  EXPECT_EQ(CopyNtfsFile(preview, rec), NtfsCopyResult::NotCopied);
  EXPECT_EQ(prompts.notices.size(), 2u);
}

// A record found by the signature scan is read at its sector, not through the $MFT map.
TEST_F(NtfsCopyTest, ARecordIsReadAtItsSectorWhenItHasOne) {
  Volume(8);
  RecordBuilder r = Record(3);
  r.NonResident(0x80, RunList({{2, 300}}), 6000);
  const Bytes b = r.Protected();
  std::copy(b.begin(), b.end(), m_Disk->bytes.begin() + 3000 * 512);  // outside the mapped MFT
  Recorder rec;
  NtfsCopyRequest q = Request(u"found.bin", 6000, 3);
  q.recordSector = 3000;
  EXPECT_EQ(CopyNtfsFile(q, rec), NtfsCopyResult::Written);
  EXPECT_EQ(Written("found.bin"), Sectors(SectorOf(300, 8), 16, 6000));
  // By its number the same record is not there: nothing is written.
  q.recordSector = 0;
  q.name = u"bynumber.bin";
  EXPECT_EQ(CopyNtfsFile(q, rec), NtfsCopyResult::NotCopied);
  EXPECT_FALSE(Exists("bynumber.bin"));
}

// A plain data attribute whose pieces lie in an extension record is followed there; bytes past
// the initialized size are zeros, as the file system reads them.
TEST_F(NtfsCopyTest, ExtensionRecordsAndInitializedSize) {
  Volume(1);
  RecordBuilder base = Record(28);
  base.Resident(0x20, RecordBuilder::AttributeList({{0x80, 29, 0}}));
  Put(28, base);
  RecordBuilder ext = Record(29, 28);
  const size_t at = ext.NonResident(0x80, RunList({{6, 400}}), 3000);
  ntfs_test::Put64(ext.Raw(), at + 56, 1000);
  Put(29, ext);
  Recorder rec;
  EXPECT_EQ(CopyNtfsFile(Request(u"ext.bin", 3000, 28), rec), NtfsCopyResult::Written);
  Bytes want = Sectors(SectorOf(400, 1), 6, 1000);
  want.resize(3000);
  EXPECT_EQ(Written("ext.bin"), want);
}

// An empty file is made with its time without touching the source. The time is the record's
// UTC time whatever the local time zone says.
TEST_F(NtfsCopyTest, EmptyFileGetsItsUtcTimeWithoutReadingTheSource) {
  Volume(8);
  const char* oldTz = ::getenv("TZ");
  const std::string saved = oldTz ? oldTz : "";
  ::setenv("TZ", "America/New_York", 1);
  ::tzset();
  Recorder rec;
  EXPECT_EQ(CopyNtfsFile(Request(u"empty.txt", 0, 31), rec), NtfsCopyResult::Written);
  EXPECT_TRUE(m_Plan->calls.empty());
  EXPECT_TRUE(Written("empty.txt").empty());
  EXPECT_TRUE(SameTime(MTime("empty.txt"), kUnixSeconds, 123456700));
  EXPECT_EQ(g_CopiedFileCount.load(), 1u);
  if (oldTz)
    ::setenv("TZ", saved.c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
}

// A file cut short keeps its bytes but not the record's time, so it never passes for the whole
// file.
TEST_F(NtfsCopyTest, SkipLeavesAPartialFileWithoutItsTimeAndTheNextFileIsWhole) {
  Volume(4);
  RecordBuilder r = Record(20);
  r.NonResident(0x80, RunList({{100, 300}}), 200 * 1024);
  Put(20, r);
  Recorder rec;
  rec.skipAfter = 2;
  EXPECT_EQ(CopyNtfsFile(Request(u"big.bin", 200 * 1024, 20), rec), NtfsCopyResult::Skipped);
  EXPECT_EQ(Written("big.bin").size(), 40960u);
  EXPECT_FALSE(SameTime(MTime("big.bin"), kUnixSeconds, 123456700));
  EXPECT_EQ(g_CopySkipOnce.load(), 0);
  rec.skipAfter = -1;
  EXPECT_EQ(CopyNtfsFile(Request(u"next.bin", 200 * 1024, 20), rec), NtfsCopyResult::Written);
  EXPECT_EQ(Written("next.bin"), Sectors(SectorOf(300, 4), 400, 200 * 1024));
  EXPECT_TRUE(SameTime(MTime("next.bin"), kUnixSeconds, 123456700));
  // A Skip pressed between files does not carry over to the next one.
  g_CopySkipOnce = 1;
  EXPECT_EQ(CopyNtfsFile(Request(u"again.bin", 200 * 1024, 20), rec), NtfsCopyResult::Written);
  g_CopyAbort = 1;
  EXPECT_EQ(CopyNtfsFile(Request(u"after.bin", 200 * 1024, 20), rec), NtfsCopyResult::Aborted);
  EXPECT_TRUE(Written("after.bin").empty());
  EXPECT_EQ(g_CopiedBytes.load(), 40960u + 2 * 200 * 1024);
}

// A preview neither filters, nor counts, nor asks; its bar moves and its Stop ends the file.
TEST_F(NtfsCopyTest, PreviewCountsNothingAndAsksNothing) {
  Volume(4);
  RecordBuilder r = Record(20);
  r.NonResident(0x80, RunList({{25, 300}}), 51200);
  Put(20, r);
  ScriptedCopyError prompt;
  SetCopyErrorPrompt(&prompt);
  Recorder rec;
  rec.admit = false;
  NtfsCopyRequest q = Request(u"p.bin", 51200, 20);
  q.saving = false;
  EXPECT_EQ(CopyNtfsFile(q, rec), NtfsCopyResult::Written);
  EXPECT_EQ(Written("p.bin").size(), 51200u);
  EXPECT_EQ(rec.preview, (std::vector<int>{40, 80, 100}));
  EXPECT_EQ(rec.admitted, 0);
  EXPECT_TRUE(rec.progress.empty());
  rec.stopPreview = 1;
  q.name = u"stopped.bin";
  EXPECT_EQ(CopyNtfsFile(q, rec), NtfsCopyResult::PreviewStopped);
  EXPECT_EQ(Written("stopped.bin").size(), 20480u);
  const TargetFolder closed;  // the file cannot be created
  q.folder = &closed;
  q.name = u"taken";
  EXPECT_EQ(CopyNtfsFile(q, rec), NtfsCopyResult::CreateFailed);
  q.folder = &m_Folder;
  EXPECT_EQ(prompt.asked, 0);
  EXPECT_EQ(g_CopiedFileCount.load(), 0u);
  EXPECT_EQ(g_CopiedBytes.load(), 0u);
  // Saving the same file runs the admission step, which here refuses it.
  q.saving = true;
  q.name = u"refused.bin";
  EXPECT_EQ(CopyNtfsFile(q, rec), NtfsCopyResult::Refused);
  EXPECT_FALSE(Exists("refused.bin"));
  EXPECT_EQ(rec.admitted, 1);
}

TEST_F(NtfsCopyTest, NamesFromDiskStayInsideTheTarget) {
  Volume(8);
  RecordBuilder r = Record(22);
  r.ResidentData(50);
  Put(22, r);
  Recorder rec;
  for (const char16_t* name : {u"../escape.txt", u"a/b.txt", u"..", u"/etc/passwd"})
    EXPECT_EQ(CopyNtfsFile(Request(name, 50, 22), rec), NtfsCopyResult::Written);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(m_Dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".._escape.txt", "__", "_etc_passwd", "a_b.txt"}));
  EXPECT_FALSE(fs::exists(m_Dir.parent_path() / "escape.txt"));
  // A link planted under the file's name is not followed: the file gets a name of its own.
  fs::create_symlink("/tmp/merrowind-ntfscopy-link-target", m_Dir / "link.txt");
  ScriptedCopyError prompt;
  SetCopyErrorPrompt(&prompt);
  EXPECT_EQ(CopyNtfsFile(Request(u"link.txt", 50, 22), rec), NtfsCopyResult::Written);
  EXPECT_FALSE(fs::exists("/tmp/merrowind-ntfscopy-link-target"));
  EXPECT_TRUE(fs::is_symlink(m_Dir / "link.txt"));
  EXPECT_EQ(Written("link0.txt").size(), 50u);
  EXPECT_EQ(prompt.asked, 0);
}

// Two records of one name (or names equal once made safe) both come out; a hard link planted
// under the name is never written through; the copy walk's rule for a taken name is followed.
TEST_F(NtfsCopyTest, ATakenNameIsRenamedSkippedOrReplacedNeverWrittenThrough) {
  Volume(1);
  RecordBuilder first = Record(22);
  first.ResidentData(50);
  Put(22, first);
  RecordBuilder second = Record(23);
  second.NonResident(0x80, RunList({{2, 300}}), 1000);
  Put(23, second);
  Recorder rec;
  ScriptedCopyError prompt;
  SetCopyErrorPrompt(&prompt);
  EXPECT_EQ(CopyNtfsFile(Request(u"same.txt", 50, 22), rec), NtfsCopyResult::Written);
  EXPECT_EQ(CopyNtfsFile(Request(u"same.txt", 1000, 23), rec), NtfsCopyResult::Written);
  EXPECT_EQ(CopyNtfsFile(Request(u"same\x01.txt", 50, 22), rec), NtfsCopyResult::Written);
  EXPECT_EQ(Written("same.txt").size(), 50u);
  EXPECT_EQ(Written("same0.txt"), Sectors(SectorOf(300, 1), 2, 1000));
  EXPECT_EQ(Written("same_.txt").size(), 50u);
  EXPECT_TRUE(SameTime(MTime("same0.txt"), kUnixSeconds, 123456700));

  const fs::path victim = m_Dir.parent_path() / (m_Dir.filename().string() + "-victim");
  std::ofstream(victim) << "outside";
  fs::create_hard_link(victim, m_Dir / "linked.txt");
  NtfsCopyRequest skip = Request(u"linked.txt", 1000, 23);
  skip.whenTaken = ExistingName::Skip;
  EXPECT_EQ(CopyNtfsFile(skip, rec), NtfsCopyResult::Refused);
  NtfsCopyRequest overwrite = Request(u"linked.txt", 1000, 23);
  overwrite.whenTaken = ExistingName::Overwrite;
  EXPECT_EQ(CopyNtfsFile(overwrite, rec), NtfsCopyResult::Written);
  EXPECT_EQ(Written("linked.txt"), Sectors(SectorOf(300, 1), 2, 1000));
  std::ifstream in(victim);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "outside");
  fs::remove(victim);
  EXPECT_EQ(prompt.asked, 0);
}

// A run list that claims more clusters than the volume holds is damaged: what lies before the
// run that passes the bound is copied, the file comes out short, and a sparse run is a hole that
// takes no room in the target.
TEST_F(NtfsCopyTest, RunsPastTheVolumeAreCutAndSparseRunsAreHoles) {
  struct Case {
    const char* what;
    std::vector<std::pair<uint64_t, int64_t>> runs;
    uint64_t size;
    NtfsCopyResult result;
    uint64_t length;  // of the written file
  };
  // The volume holds 4,032 sectors of one sector per cluster from kBase.
  const Case cases[] = {
      {"a sparse run of 2^24 clusters and 64 GiB claimed",
       {{2, 300}, {(uint64_t{1} << 24) - 2, -1}},
       uint64_t{64} << 30,
       NtfsCopyResult::Short,
       1024},
      {"real runs claiming the volume twice over",
       {{2, 300}, {3000, 0}, {3000, 0}},
       6002 * 512,
       NtfsCopyResult::Short,
       3002 * 512},
      {"a damaged run past the size does not matter",
       {{2, 300}, {1u << 20, -1}},
       1000,
       NtfsCopyResult::Written,
       1000},
      {"a credible hole",
       {{2, 300}, {3000, -1}, {1, 310}},
       3003 * 512,
       NtfsCopyResult::Written,
       3003 * 512},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Volume(1);
    RecordBuilder r = Record(24);
    r.NonResident(0x80, RunList(c.runs), c.size);
    Put(24, r);
    Recorder rec;
    EXPECT_EQ(CopyNtfsFile(Request(u"claim.bin", c.size, 24), rec), c.result);
    struct stat st {};
    ASSERT_EQ(::stat((m_Dir / "claim.bin").c_str(), &st), 0);
    EXPECT_EQ(static_cast<uint64_t>(st.st_size), c.length);
    const Bytes data = Written("claim.bin");
    const size_t head = std::min<size_t>(1024, data.size());
    EXPECT_EQ(Bytes(data.begin(), data.begin() + head), Sectors(SectorOf(300, 1), 2, head));
    if (c.length > 1024 + 3000 * 512) {
      EXPECT_LT(st.st_blocks * 512, 1024 * 1024) << "the hole was written out";
    }
    EXPECT_EQ(g_CopiedBytes.load(), c.length);
    TearDown();
    SetUp();
  }
}

namespace {
// A target disk that takes `room` bytes and then reports it is full.
size_t g_Room = 0;
ssize_t FullDiskWrite(int fd, const void* data, size_t size) {
  if (g_Room == 0) {
    errno = ENOSPC;
    return -1;
  }
  const size_t n = std::min(size, g_Room);
  g_Room -= n;
  return ::write(fd, data, n);
}
}  // namespace

// A full target is a failure the user hears about, and only bytes really written count, so the
// copy can never end as if complete.
TEST_F(NtfsCopyTest, FullTargetIsReportedAndNotCounted) {
  Volume(4);
  RecordBuilder r = Record(20);
  r.NonResident(0x80, RunList({{100, 300}}), 200 * 1024);
  Put(20, r);
  RecordBuilder small = Record(22);
  small.ResidentData(300);
  Put(22, small);
  ScriptedCopyError prompt;
  SetCopyErrorPrompt(&prompt);
  SetTargetWriteFunction(&FullDiskWrite);
  Recorder rec;
  g_Room = 50000;  // two whole reads and part of the third
  EXPECT_EQ(CopyNtfsFile(Request(u"big.bin", 200 * 1024, 20), rec), NtfsCopyResult::WriteFailed);
  EXPECT_EQ(prompt.asked, 1);
  EXPECT_EQ(g_CopiedBytes.load(), 40960u);
  EXPECT_EQ(Written("big.bin").size(), 50000u);
  EXPECT_FALSE(SameTime(MTime("big.bin"), kUnixSeconds, 123456700));
  g_Room = 0;
  // No byte reached it: no empty file is left under its name.
  EXPECT_EQ(CopyNtfsFile(Request(u"small.txt", 300, 22), rec), NtfsCopyResult::WriteFailed);
  EXPECT_FALSE(Exists("small.txt"));
  EXPECT_EQ(CopyNtfsFile(Request(u"big2.bin", 200 * 1024, 20), rec), NtfsCopyResult::WriteFailed);
  EXPECT_FALSE(Exists("big2.bin"));
  EXPECT_EQ(prompt.asked, 3);
  EXPECT_EQ(g_CopiedBytes.load(), 40960u);
  // After Skip All the failures go on without a question.
  g_CopySkipAll = 1;
  EXPECT_EQ(CopyNtfsFile(Request(u"small2.txt", 300, 22), rec), NtfsCopyResult::WriteFailed);
  EXPECT_EQ(prompt.asked, 3);
}
