#include "storage/partitions/PartitionEnum.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/ByteOrder.h"
#include "storage/partitions/DiskPartitions.h"
#include "tests/core/storage/StorageTestUtil.h"

namespace {

using namespace storage_test;

constexpr const char* kDisk = "\\\\.\\PhysicalDrive0";

struct Listed {
  FileSystemKind kind;
  uint64_t start;
  uint64_t end;
  friend bool operator==(const Listed&, const Listed&) = default;
};

std::ostream& operator<<(std::ostream& out, const Listed& l) {
  return out << FileSystemKindText(l.kind) << " " << l.start << "-" << l.end;
}

class RecordingSink final : public PartitionNodeSink {
 public:
  uintptr_t AddPartitionNode(const std::string& text) override {
    texts.push_back(text);
    return 1000 + texts.size();
  }
  std::vector<std::string> texts;
};

class Partitions;

// A disk made by `make`, and what the walk lists on it.
struct DiskCase {
  const char* what;
  std::function<void(Partitions&)> make;
  std::vector<Listed> expected;
};

// A disk in memory with writers for the few fields the walk reads.
class Partitions : public SectorPathTest {
 public:
  void UseDisk(uint64_t sectors, uint32_t bps = 512) {
    this->bps = bps;
    g_BytesPerSector = static_cast<int32_t>(bps);
    disk = std::make_shared<MemoryDisk>();
    disk->bytes.assign(sectors * bps, std::byte{0});
    plan = std::make_shared<FaultPlan>();
    plan->sectorSize = bps;
    ResetDeviceHandleCache();  // the open handle would keep serving the last disk
    ServeDisk(kDisk, disk, plan);
    SetDevicePath(0, kDisk);
  }
  void SetUp() override {
    SectorPathTest::SetUp();
    UseDisk(4096);
  }

  std::span<std::byte> Sector(uint64_t s) {
    return std::span(disk->bytes).subspan(s * bps, bps);
  }
  void Text(uint64_t s, size_t at, std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) Sector(s)[at + i] = std::byte(text[i]);
  }
  void Signature(uint64_t s) {
    Sector(s)[510] = std::byte{0x55};
    Sector(s)[511] = std::byte{0xAA};
  }
  void Slot(uint64_t s, int slot, uint8_t type, uint32_t first, uint32_t count) {
    auto b = Sector(s);
    const size_t at = 446 + 16 * static_cast<size_t>(slot);
    b[at + 4] = std::byte{type};
    bo::StoreLe<uint32_t>(b, at + 8, first);
    bo::StoreLe<uint32_t>(b, at + 12, count);
    Signature(s);
  }
  // Boot sectors as the formatters write them, reduced to what the walk reads.
  void Fat32Boot(uint64_t s, uint32_t total) {
    Text(s, 82, "FAT32   ");
    bo::StoreLe<uint32_t>(Sector(s), 32, total);
    Signature(s);
  }
  void Fat16Boot(uint64_t s, uint32_t total32, uint16_t total16 = 0) {
    Text(s, 54, "FAT16   ");
    bo::StoreLe<uint32_t>(Sector(s), 32, total32);
    bo::StoreLe<uint16_t>(Sector(s), 19, total16);
    Signature(s);
  }
  void Fat12Boot(uint64_t s) {
    Text(s, 54, "FAT12   ");
    Signature(s);
  }
  void NtfsBoot(uint64_t s, uint64_t total) {
    Text(s, 3, "NTFS    ");
    bo::StoreLe<uint64_t>(Sector(s), 40, total);
    Signature(s);
  }
  void GptHeader(uint64_t s, uint32_t entrySize, uint32_t count = 128, uint64_t entryLba = 2) {
    Text(s, 0, "EFI PART");
    bo::StoreLe<uint64_t>(Sector(s), 72, entryLba);
    bo::StoreLe<uint32_t>(Sector(s), 80, count);
    bo::StoreLe<uint32_t>(Sector(s), 84, entrySize);
  }
  // Entry j of an array at entryLba with entries of size bytes; a type GUID with both halves set.
  // lastLba 0 stands for a damaged entry whose end lies before its start.
  void GptEntry(uint64_t entryLba, uint32_t size, uint32_t j, uint64_t firstLba,
                uint64_t lastLba = 0) {
    const uint64_t offset = uint64_t{j} * size;
    auto b = std::span(disk->bytes).subspan(entryLba * bps + offset, size);
    for (size_t i = 0; i < 16; ++i) b[i] = std::byte(0x11 + i);
    bo::StoreLe<uint64_t>(b, 32, firstLba);
    bo::StoreLe<uint64_t>(b, 40, lastLba);
  }
  void ProtectiveMbr() { Slot(0, 0, 0xEE, 1, 0xFFFFFFFF); }

  int Enumerate(PartitionNodeSink* sink = nullptr, uint64_t deviceSectors = 0) {
    return EnumDiskPartitions(0, 0, sink != nullptr, sink, deviceSectors);
  }
  std::vector<Listed> Found(int disk = 0) const {
    std::vector<Listed> out;
    const DiskPartitions& b = g_DiskPartitions[static_cast<size_t>(disk)];
    for (int k = 0; k < b.count; ++k)
      out.push_back({b.names[static_cast<size_t>(k)], b.entries[static_cast<size_t>(k)].startSector,
                     b.entries[static_cast<size_t>(k)].endSector});
    return out;
  }
  bool WasRead(uint64_t sector) const {
    for (const auto& c : plan->calls)
      if (!c.write && c.offset <= sector * bps && sector * bps < c.offset + c.length) return true;
    return false;
  }
  template <size_t N>
  void RunCases(const DiskCase (&cases)[N]);

  uint32_t bps = 512;
  std::shared_ptr<MemoryDisk> disk;
  std::shared_ptr<FaultPlan> plan;
};

using K = FileSystemKind;

template <size_t N>
void Partitions::RunCases(const DiskCase (&cases)[N]) {
  for (const DiskCase& c : cases) {
    SCOPED_TRACE(c.what);
    UseDisk(4096);
    c.make(*this);
    EXPECT_EQ(Enumerate(), 1);
    EXPECT_EQ(Found(), c.expected);
  }
}

TEST_F(Partitions, VolumeWithoutTableIsOnePartitionFromSectorZero) {
  Fat32Boot(0, 70000);
  RecordingSink sink;
  EXPECT_EQ(Enumerate(&sink), 1);
  EXPECT_EQ(Found(), (std::vector<Listed>{{K::Fat32, 0, 70000}}));
  EXPECT_EQ(sink.texts, (std::vector<std::string>{"Partition - 1 ( FAT32 )"}));
}

TEST_F(Partitions, WholeVolumeTestTakesTheSixteenBitTotalAndPrefersNtfs) {
  const DiskCase cases[] = {
      {"FAT16 with its total in the 16-bit field", [](Partitions& t) { t.Fat16Boot(0, 0, 8192); },
       {{K::Fat16, 0, 8192}}},
      {"FAT16 with a 32-bit total", [](Partitions& t) { t.Fat16Boot(0, 100000, 77); },
       {{K::Fat16, 0, 100000}}},
      // NTFS counts the sectors before its backup boot sector, which the volume ends with.
      {"NTFS with a total above 32 bits", [](Partitions& t) { t.NtfsBoot(0, 0x123456789ull); },
       {{K::Ntfs, 0, 0x12345678Aull}}},
      {"NTFS and FAT32 texts together",
       [](Partitions& t) {
         t.Fat32Boot(0, 5);
         t.NtfsBoot(0, 9);
       },
       {{K::Ntfs, 0, 10}}},
  };
  RunCases(cases);
}

TEST_F(Partitions, WholeVolumeGetsNoNodeForALogicalDrive) {
  Fat32Boot(0, 70000);
  g_SourceDriveLetter = 'C';
  RecordingSink sink;
  Enumerate(&sink);
  EXPECT_EQ(Found().size(), 1u);
  EXPECT_TRUE(sink.texts.empty());
  EXPECT_EQ(g_DiskPartitions[0].entries[0].treeItem, 0u);
}

TEST_F(Partitions, MbrPrimariesAndLogicalsByBootSectorThenTypeByte) {
  Slot(0, 0, 0x07, 100, 50);   // type NTFS, boot sector says FAT32
  Slot(0, 1, 0x01, 200, 40);   // FAT12 primary: not listed
  Slot(0, 2, 0x05, 1000, 2000);
  Slot(0, 3, 0x83, 300, 10);   // Linux: not listed
  Fat32Boot(100, 1);
  Fat12Boot(200);
  // EBR 1 at 1000: a FAT12 logical (listed as FAT16 inside the chain), link to EBR 2 at +500.
  Slot(1000, 0, 0x01, 63, 100);
  Slot(1000, 1, 0x05, 500, 300);
  Fat12Boot(1063);
  // EBR 2 at 1500: an NTFS logical by type byte alone (its boot sector is blank).
  Slot(1500, 0, 0x07, 63, 200);
  RecordingSink sink;
  EXPECT_EQ(Enumerate(&sink), 1);
  EXPECT_EQ(Found(), (std::vector<Listed>{
                         {K::Fat32, 100, 150}, {K::Fat16, 1063, 1163}, {K::Ntfs, 1563, 1763}}));
  EXPECT_EQ(sink.texts, (std::vector<std::string>{"Partition - 1 ( FAT32 )",
                                                  "Partition - 2 ( FAT16 )",
                                                  "Partition - 3 ( NTFS )"}));
  EXPECT_EQ(g_DiskPartitions[0].entries[2].treeItem, 1003u);
}

TEST_F(Partitions, NoSignatureListsNothingAndClearsAStaleBlock) {
  g_DiskPartitions[0].count = 2;
  g_DiskPartitions[0].names[0] = K::Ntfs;
  g_DiskPartitions[0].entries[0] = {77, 63, 1000};
  RecordingSink sink;
  Fat32Boot(0, 100);
  Sector(0)[511] = std::byte{0};
  EXPECT_EQ(Enumerate(&sink), 0);
  EXPECT_TRUE(Found().empty());
  EXPECT_EQ(g_DiskPartitions[0].names[0], K::None);
  EXPECT_EQ(g_DiskPartitions[0].entries[0].treeItem, 77u);  // the node of the entry stays known
  EXPECT_TRUE(sink.texts.empty());

  // A signature but nothing recognised: again nothing of the earlier disk remains.
  g_DiskPartitions[0].count = 1;
  Sector(0)[511] = std::byte{0xAA};
  Text(0, 82, "XXXXX");
  Slot(0, 0, 0x83, 10, 10);
  EXPECT_EQ(Enumerate(), 1);
  EXPECT_TRUE(Found().empty());
}

TEST_F(Partitions, ExtendedChainsThatLoopOrRunOnEnd) {
  const DiskCase cases[] = {
      {"an EBR whose link is itself (offset 0)",
       [](Partitions& t) {
         t.Slot(0, 0, 0x05, 1000, 3000);
         t.Slot(1000, 0, 0x06, 10, 5);
         t.Slot(1000, 1, 0x05, 0, 5);
       },
       {{K::Fat16, 1010, 1015}}},
      {"two EBRs linking to each other",
       [](Partitions& t) {
         t.Slot(0, 0, 0x05, 1000, 3000);
         t.Slot(1000, 0, 0x06, 10, 5);
         t.Slot(1000, 1, 0x05, 100, 5);
         t.Slot(1100, 0, 0x06, 10, 5);
         t.Slot(1100, 1, 0x0F, 0, 5);
         t.Slot(1100, 2, 0x05, 100, 5);  // a later link slot wins: back to 1100
       },
       {{K::Fat16, 1010, 1015}, {K::Fat16, 1110, 1115}}},
      {"a link to an EBR without the boot signature",
       [](Partitions& t) {
         t.Slot(0, 0, 0x05, 1000, 3000);
         t.Slot(1000, 0, 0x06, 10, 5);
         t.Slot(1000, 1, 0x05, 100, 5);
         t.Slot(1100, 0, 0x06, 10, 5);
         t.Sector(1100)[510] = std::byte{0};
       },
       {{K::Fat16, 1010, 1015}}},
  };
  RunCases(cases);
}

TEST_F(Partitions, SixtyLogicalPartitionsListTheFirstTwentySix) {
  UseDisk(8192);
  Slot(0, 0, 0x05, 100, 8000);
  for (uint32_t i = 0; i < 60; ++i) {
    const uint64_t ebr = 100 + 100 * i;
    Slot(ebr, 0, 0x06, 1, 50);
    if (i + 1 < 60) Slot(ebr, 1, 0x05, 100 * (i + 1), 100);
  }
  RecordingSink sink;
  Enumerate(&sink);
  const auto found = Found();
  ASSERT_EQ(found.size(), 26u);
  EXPECT_EQ(found[25], (Listed{K::Fat16, 2601, 2651}));
  EXPECT_EQ(sink.texts.back(), "Partition - 26 ( FAT16 )");
  EXPECT_FALSE(WasRead(2700));  // the walk ends once the block is full
}

TEST_F(Partitions, ExtendedChainReadsAtMost128Records) {
  UseDisk(4096);
  Slot(0, 0, 0x05, 100, 4000);
  for (uint32_t i = 0; i < 200; ++i) {
    const uint64_t ebr = 100 + 10 * i;
    Slot(ebr, 0, 0x83, 1, 5);
    Slot(ebr, 1, 0x05, 10 * (i + 1), 10);
  }
  EXPECT_EQ(Enumerate(), 1);
  EXPECT_TRUE(WasRead(100 + 10 * 127));
  EXPECT_FALSE(WasRead(100 + 10 * 128));
}

TEST_F(Partitions, GptSkipsEmptyEntriesAndPartitionsWithoutAVolume) {
  ProtectiveMbr();
  GptHeader(1, 128);
  NtfsBoot(100, 399);
  GptEntry(2, 128, 0, 100);
  // entry 1 empty; entry 2 a partition without a file system; entry 3 FAT32 in the next sector
  GptEntry(2, 128, 2, 600);
  GptEntry(2, 128, 5, 800);
  Fat32Boot(800, 1000);
  RecordingSink sink;
  EXPECT_EQ(Enumerate(&sink), 1);
  EXPECT_EQ(Found(), (std::vector<Listed>{{K::Ntfs, 100, 500}, {K::Fat32, 800, 1800}}));
  EXPECT_EQ(sink.texts, (std::vector<std::string>{"Partition - 1 ( NTFS )",
                                                  "Partition - 2 ( FAT32 )"}));
}

TEST_F(Partitions, GptEntrySizesOutsideTheRuleAreTakenAs128) {
  for (uint32_t size : {0u, 100u, 4096u, 130u}) {
    SCOPED_TRACE(size);
    UseDisk(4096);
    ProtectiveMbr();
    GptHeader(1, size);
    GptEntry(2, 128, 1, 100);
    Fat16Boot(100, 0, 64);
    EXPECT_EQ(Enumerate(), 1);
    EXPECT_EQ(Found(), (std::vector<Listed>{{K::Fat16, 100, 164}}));
  }
}

TEST_F(Partitions, GptEntriesOfOtherSizesFromTheHeadersArrayStart) {
  // Entries of 136 bytes straddle sector ends; the array starts at LBA 10.
  ProtectiveMbr();
  GptHeader(1, 136, 8, 10);
  for (uint32_t j = 0; j < 8; ++j) {
    GptEntry(10, 136, j, 1000 + 100 * j);
    Fat16Boot(1000 + 100 * j, 0, 50);
  }
  EXPECT_EQ(Enumerate(), 1);
  const auto found = Found();
  ASSERT_EQ(found.size(), 8u);
  EXPECT_EQ(found[3], (Listed{K::Fat16, 1300, 1350}));  // bytes 408-543: across sectors 10 and 11
}

TEST_F(Partitions, GptEntryCountIsBoundedAndLbasPastTheEndAreNotRead) {
  UseDisk(2048);
  ProtectiveMbr();
  GptHeader(1, 128, 0xFFFFFFFF);
  GptEntry(2, 128, 0, 5000);  // past the disk
  GptEntry(2, 128, 1, 100);
  Fat32Boot(100, 10);
  EXPECT_EQ(Enumerate(nullptr, 2048), 1);
  EXPECT_EQ(Found(), (std::vector<Listed>{{K::Fat32, 100, 110}}));
  EXPECT_FALSE(WasRead(5000));
  EXPECT_FALSE(WasRead(2 + 1024 * 128 / 512));  // no sector after the 1,024th entry
}

TEST_F(Partitions, SlotsPastTheDeviceEndAreSkipped) {
  UseDisk(1024);
  Slot(0, 0, 0x07, 5000, 10);
  Slot(0, 1, 0x05, 6000, 10);
  Slot(0, 2, 0x07, 100, 10);
  EXPECT_EQ(Enumerate(nullptr, 1024), 1);
  EXPECT_EQ(Found(), (std::vector<Listed>{{K::Ntfs, 100, 110}}));
  EXPECT_FALSE(WasRead(5000));
  EXPECT_FALSE(WasRead(6000));
}

TEST_F(Partitions, GptOn4096ByteSectors) {
  UseDisk(1024, 4096);
  ProtectiveMbr();
  GptHeader(1, 128);
  GptEntry(2, 128, 0, 10);
  GptEntry(2, 128, 31, 20);  // the last entry of the first sector
  GptEntry(2, 128, 32, 30);  // the first of the second
  Fat16Boot(10, 0, 100);
  NtfsBoot(20, 5);
  Fat32Boot(30, 7);
  EXPECT_EQ(Enumerate(), 1);
  EXPECT_EQ(Found(), (std::vector<Listed>{{K::Fat16, 10, 110}, {K::Ntfs, 20, 26}, {K::Fat32, 30, 37}}));
}

// The end of a volume takes in the NTFS backup boot sector where the device holds it; a GPT
// partition ends where its entry says, as an MBR partition ends where its slot says.
TEST_F(Partitions, EndsCoverTheBackupBootSectorAndFollowTheGptEntry) {
  UseDisk(1000);
  NtfsBoot(0, 999);
  EXPECT_EQ(Enumerate(nullptr, 1000), 1);
  EXPECT_EQ(Found(), (std::vector<Listed>{{K::Ntfs, 0, 1000}}));
  UseDisk(1000);
  NtfsBoot(0, 1000);  // no sector after it on this device
  EXPECT_EQ(Enumerate(nullptr, 1000), 1);
  EXPECT_EQ(Found(), (std::vector<Listed>{{K::Ntfs, 0, 1000}}));

  UseDisk(4096);
  ProtectiveMbr();
  GptHeader(1, 128);
  GptEntry(2, 128, 0, 100, 2147);
  NtfsBoot(100, 2047);
  GptEntry(2, 128, 1, 3000, 3099);
  Fat32Boot(3000, 90);
  GptEntry(2, 128, 2, 3200, 9999);  // past the disk: the volume's own end
  Fat32Boot(3200, 50);
  EXPECT_EQ(Enumerate(nullptr, 4096), 1);
  EXPECT_EQ(Found(), (std::vector<Listed>{
                         {K::Ntfs, 100, 2148}, {K::Fat32, 3000, 3100}, {K::Fat32, 3200, 3250}}));
}

TEST_F(Partitions, DiskNumbersOutsideTheTableAreRefused) {
  Fat32Boot(0, 10);
  EXPECT_EQ(EnumDiskPartitions(-1, 0, false, nullptr), 0);
  EXPECT_EQ(EnumDiskPartitions(kPartitionDiskCount, 0, false, nullptr), 0);
}

}  // namespace
