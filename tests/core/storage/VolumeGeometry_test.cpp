#include "storage/VolumeGeometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "platform/ByteOrder.h"
#include "storage/SourceGlobals.h"
#include "tests/core/storage/StorageTestUtil.h"

namespace {

using namespace storage_test;

constexpr uint32_t kSentinel = 0xA5A5A5A5;
constexpr const char* kDisk = "\\\\.\\PhysicalDrive0";

VolumeGeometry Sentinel() {
  VolumeGeometry g;
  uint32_t* f = &g.SectorsPerMftRecord;
  for (int i = 0; i < 12; ++i) f[i] = kSentinel + i;
  return g;
}

bool Same(const VolumeGeometry& a, const VolumeGeometry& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

class Geometry : public SectorPathTest {
 public:
  void SetUp() override {
    SectorPathTest::SetUp();
    disk = std::make_shared<MemoryDisk>();
    disk->bytes.resize(8192 * 512);
    MapDeviceToFactory(kDisk,
                       [d = disk](DeviceAccess) { return std::make_unique<MemoryDevice>(d); });
    g_VolumeGeometry = Sentinel();
  }
  std::span<std::byte> Sector(uint64_t s) { return std::span(disk->bytes).subspan(s * 512, 512); }
  void Signature(uint64_t s) {
    Sector(s)[510] = std::byte{0x55};
    Sector(s)[511] = std::byte{0xAA};
  }
  // The FAT16 volume of the worked example at S = 63.
  void Fat16(uint64_t s) {
    auto b = Sector(s);
    bo::StoreLe<uint16_t>(b, 11, 512);
    b[13] = std::byte{4};
    bo::StoreLe<uint16_t>(b, 14, 1);
    bo::StoreLe<uint16_t>(b, 17, 512);
    bo::StoreLe<uint16_t>(b, 22, 200);
    Signature(s);
    Sector(s + 1 + 200)[0] = std::byte{0xF8};
  }
  void Fat32Boot(uint64_t at, uint32_t fatSize) {
    auto b = Sector(at);
    bo::StoreLe<uint16_t>(b, 11, 512);
    b[13] = std::byte{8};
    bo::StoreLe<uint16_t>(b, 14, 32);
    bo::StoreLe<uint32_t>(b, 36, fatSize);
    bo::StoreLe<uint32_t>(b, 44, 2);
    Signature(at);
  }
  // FAT32 at S with its backup at S + 6; the second FAT starts at S + 32 + 1000.
  void Fat32(uint64_t s) {
    Fat32Boot(s, 1000);
    Fat32Boot(s + 6, 1000);
    Sector(s + 32 + 1000)[0] = std::byte{0xF8};
  }
  void NtfsBoot(uint64_t at, uint64_t mftCluster, uint64_t mirrorCluster) {
    auto b = Sector(at);
    bo::StoreLe<uint16_t>(b, 11, 512);
    b[13] = std::byte{8};
    bo::StoreLe<uint64_t>(b, 48, mftCluster);
    bo::StoreLe<uint64_t>(b, 56, mirrorCluster);
    bo::StoreLe<uint32_t>(b, 64, 0xF6);
    bo::StoreLe<uint32_t>(b, 68, 1);
    Signature(at);
  }
  void FileRecord(uint64_t s) {
    auto b = Sector(s);
    b[0] = std::byte{'F'}, b[1] = std::byte{'I'}, b[2] = std::byte{'L'}, b[3] = std::byte{'E'};
  }
  // NTFS at S..E with $MFT at cluster 100 and $MFTMirr at cluster 4, boot copy at E.
  void Ntfs(uint64_t s, uint64_t e) {
    NtfsBoot(s, 100, 4);
    NtfsBoot(e, 100, 4);
    FileRecord(s + 800);
    FileRecord(s + 32);
  }
  int Detect(const char* fs, int64_t s, int64_t e = 0) {
    g_FileSystemName = ParseFileSystemKind(std::string_view(fs));
    g_SourceStartSector = s;
    g_SourceEndSector = e;
    return DetectVolumeGeometry();
  }
  std::shared_ptr<MemoryDisk> disk;
};

TEST_F(Geometry, Fat16WorkedExample) {
  Fat16(63);
  ASSERT_EQ(Detect("FAT16", 63), 1);
  const VolumeGeometry& g = g_VolumeGeometry;
  EXPECT_EQ(g.RootDirectory, 464u);
  EXPECT_EQ(g.RootDirectorySectors, 32u);
  EXPECT_EQ(g.ClusterBaseSector, 488u);
  EXPECT_EQ(g.Fat1StartSector, 64u);
  EXPECT_EQ(g.Fat2StartSector, 264u);
  EXPECT_EQ(g.SectorsPerCluster, 4u);
  EXPECT_EQ(g.ReservedSectors, 1u);
  EXPECT_EQ(g.FatSizeSectors, 200u);
  EXPECT_EQ(g.SectorsPerMftRecord, kSentinel);  // NTFS fields stay
  EXPECT_EQ(g.MftMirrorStartSector, kSentinel + 3);
}

// Large clusters on a small FAT16 volume at sector 0: cluster 0 would lie before the volume.
// The base is kept in 32-bit two's complement so that base + c x spc still finds cluster c.
TEST_F(Geometry, Fat16ClusterBaseBeforeTheVolumeStartWraps) {
  Fat16(0);
  Sector(0)[13] = std::byte{64};
  ASSERT_EQ(Detect("FAT16", 0), 1);
  const VolumeGeometry& g = g_VolumeGeometry;
  // Data area: 1 + 2 x 200 + 32 = 433; cluster 2 starts there.
  EXPECT_EQ(g.ClusterBaseSector, static_cast<uint32_t>(433 - 128));
  Sector(0)[13] = std::byte{128};
  ASSERT_EQ(Detect("FAT16", 0), 1);
  EXPECT_EQ(static_cast<uint32_t>(g.ClusterBaseSector + 2 * 128), 433u);
}

TEST_F(Geometry, Fat16OneFieldChanged) {
  struct Case {
    const char* name;
    std::function<void(Geometry*)> change;
    bool cleared;  // true: all twelve fields 0; false: unchanged
  } cases[] = {
      {"no signature", [](Geometry* t) { t->Sector(63)[510] = std::byte{0}; }, true},
      {"second FAT with removable descriptor",
       [](Geometry* t) { t->Sector(264)[0] = std::byte{0xF0}; }, false},
      {"sectors per cluster 3", [](Geometry* t) { t->Sector(63)[13] = std::byte{3}; }, true},
      {"sectors per cluster 0", [](Geometry* t) { t->Sector(63)[13] = std::byte{0}; }, true},
      {"reserved 0", [](Geometry* t) { bo::StoreLe<uint16_t>(t->Sector(63), 14, 0); }, true},
      {"FAT size 0", [](Geometry* t) { bo::StoreLe<uint16_t>(t->Sector(63), 22, 0); }, true},
      {"bytes per sector 4096", [](Geometry* t) { bo::StoreLe<uint16_t>(t->Sector(63), 11, 4096); },
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Fat16(63);
    c.change(this);
    EXPECT_EQ(Detect("FAT16", 63), 0);
    EXPECT_TRUE(Same(g_VolumeGeometry, c.cleared ? VolumeGeometry{} : Sentinel()));
    TearDown();
  }
}

TEST_F(Geometry, OtherFileSystemNamesChangeNothing) {
  Fat16(0);
  for (const char* fs : {"FAT12", "UNKNOWN", "", "fat16", "NTFS5"}) {
    EXPECT_EQ(Detect(fs, 0), 0) << fs;
    EXPECT_TRUE(Same(g_VolumeGeometry, Sentinel())) << fs;
  }
}

TEST_F(Geometry, Fat32FromThePrimaryOrTheBackupBootSector) {
  struct Case {
    const char* name;
    std::function<void(Geometry*)> change;
    int result;
  } cases[] = {
      {"intact", [](Geometry*) {}, 1},
      {"primary zeroed", [](Geometry* t) { std::ranges::fill(t->Sector(2048), std::byte{0}); }, 1},
      {"primary names a wrong FAT size",
       [](Geometry* t) { bo::StoreLe<uint32_t>(t->Sector(2048), 36, 999); }, 1},
      {"primary has spc 5", [](Geometry* t) { t->Sector(2048)[13] = std::byte{5}; }, 1},
      {"both zeroed",
       [](Geometry* t) {
         std::ranges::fill(t->Sector(2048), std::byte{0});
         std::ranges::fill(t->Sector(2054), std::byte{0});
       },
       0},
      {"second FAT not 0xF8", [](Geometry* t) { t->Sector(2048 + 32 + 1000)[0] = std::byte{0}; },
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Fat32(2048);
    c.change(this);
    ASSERT_EQ(Detect("FAT32", 2048), c.result);
    const VolumeGeometry& g = g_VolumeGeometry;
    if (c.result) {
      EXPECT_EQ(g.SectorsPerCluster, 8u);
      EXPECT_EQ(g.ReservedSectors, 32u);
      EXPECT_EQ(g.FatSizeSectors, 1000u);
      EXPECT_EQ(g.RootDirectory, 2u);
      EXPECT_EQ(g.RootDirectorySectors, 0u);
      EXPECT_EQ(g.Fat1StartSector, 2080u);
      EXPECT_EQ(g.Fat2StartSector, 3080u);
      EXPECT_EQ(g.ClusterBaseSector, 2048u + 32 + 2000 - 16);
    } else {
      EXPECT_TRUE(Same(g, Sentinel()));
    }
    TearDown();
  }
}

TEST_F(Geometry, NtfsCases) {
  constexpr uint64_t S = 2048, E = 8191;
  struct Case {
    const char* name;
    std::function<void(Geometry*)> change;
    int result;
    uint32_t mft, mirror, recordSectors;
  } cases[] = {
      {"intact", [](Geometry*) {}, 1, S + 800, S + 32, 2},
      {"first sector zeroed: the last sector serves",
       [](Geometry* t) { std::ranges::fill(t->Sector(S), std::byte{0}); }, 1, S + 800, S + 32, 2},
      {"record value 2 with spc 8 in both copies",
       [](Geometry* t) {
         bo::StoreLe<uint32_t>(t->Sector(S), 64, 2);
         bo::StoreLe<uint32_t>(t->Sector(E), 64, 2);
       },
       0, 0, 0, 0},
      {"record value 2 in the first copy only",
       [](Geometry* t) { bo::StoreLe<uint32_t>(t->Sector(S), 64, 2); }, 1, S + 800, S + 32, 2},
      {"record value 1 with spc 1",
       [](Geometry* t) {
         for (uint64_t b : {S, E}) {
           t->Sector(b)[13] = std::byte{1};
           bo::StoreLe<uint32_t>(t->Sector(b), 64, 1);
           bo::StoreLe<uint64_t>(t->Sector(b), 48, 800);
           bo::StoreLe<uint64_t>(t->Sector(b), 56, 32);
         }
       },
       1, S + 800, S + 32, 1},
      {"wrong $MFT cluster, right mirror",
       [](Geometry* t) {
         bo::StoreLe<uint64_t>(t->Sector(S), 48, 7);
         bo::StoreLe<uint64_t>(t->Sector(E), 48, 7);
       },
       1, 0, S + 32, 2},
      {"$MFT cluster right only in the backup",
       [](Geometry* t) { bo::StoreLe<uint64_t>(t->Sector(S), 48, 7); }, 1, S + 800, S + 32, 2},
      {"no FILE record anywhere",
       [](Geometry* t) {
         std::ranges::fill(t->Sector(S + 800), std::byte{0});
         std::ranges::fill(t->Sector(S + 32), std::byte{0});
       },
       0, 0, 0, 0},
      {"spc 3 in both copies",
       [](Geometry* t) {
         t->Sector(S)[13] = std::byte{3};
         t->Sector(E)[13] = std::byte{3};
       },
       0, 0, 0, 0},
      {"a 64-bit $MFT cluster beyond 32 bits",
       [](Geometry* t) {
         bo::StoreLe<uint64_t>(t->Sector(S), 48, (uint64_t{1} << 32) + 100);
         bo::StoreLe<uint64_t>(t->Sector(E), 48, (uint64_t{1} << 32) + 100);
       },
       1, 0, S + 32, 2},
      {"both boot sectors zeroed",
       [](Geometry* t) {
         std::ranges::fill(t->Sector(S), std::byte{0});
         std::ranges::fill(t->Sector(E), std::byte{0});
       },
       0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Ntfs(S, E);
    c.change(this);
    // The end is one past the volume, whose last sector E holds the backup boot sector.
    ASSERT_EQ(Detect("NTFS", S, E + 1), c.result);
    const VolumeGeometry& g = g_VolumeGeometry;
    if (c.result) {
      EXPECT_EQ(g.MftStartSector, c.mft);
      EXPECT_EQ(g.MftMirrorStartSector, c.mirror);
      EXPECT_EQ(g.SectorsPerMftRecord, c.recordSectors);
      EXPECT_EQ(g.ClusterBaseSector, S);
      EXPECT_EQ(g.FatSizeSectors, kSentinel + 5);  // FAT fields stay
    } else {
      EXPECT_TRUE(Same(g, Sentinel()));
    }
    TearDown();
  }
}

TEST_F(Geometry, NtfsIndexRecordSize) {
  Ntfs(0, 8191);
  ASSERT_EQ(Detect("NTFS", 0, 8191), 1);
  EXPECT_EQ(g_VolumeGeometry.SectorsPerIndexRecord, 8u);  // 1 cluster of 8 sectors
  bo::StoreLe<uint32_t>(Sector(0), 68, 0xF4);
  ASSERT_EQ(Detect("NTFS", 0, 8191), 1);
  EXPECT_EQ(g_VolumeGeometry.SectorsPerIndexRecord, 8u);
  bo::StoreLe<uint32_t>(Sector(0), 68, 2);
  ASSERT_EQ(Detect("NTFS", 0, 8191), 1);
  EXPECT_EQ(g_VolumeGeometry.SectorsPerIndexRecord, 16u);
}

TEST_F(Geometry, PositionsBeyond32BitsAreRefusedNotCut) {
  // A volume said to start past 2^32 on a disk that has no such sector: nothing to read, and
  // nothing cut to 32 bits.
  EXPECT_EQ(Detect("FAT32", int64_t{1} << 32), 0);
  EXPECT_TRUE(Same(g_VolumeGeometry, Sentinel()));
}

// A start so high that the boot sector's offsets cannot be added to it (a damaged or hostile
// scan log, a bad partition entry) is refused before anything is added, for every file system.
TEST_F(Geometry, StartsNearTheTopOfSixtyFourBitsAreRefusedWithoutOverflow) {
  for (const char* fs : {"FAT16", "FAT32", "NTFS"}) {
    for (int64_t start : {kMaxSourceSector + 1, INT64_MAX - 3, INT64_MAX}) {
      SCOPED_TRACE(std::string(fs) + " " + std::to_string(start));
      EXPECT_EQ(Detect(fs, start, INT64_MAX), 0);
      EXPECT_TRUE(Same(g_VolumeGeometry, Sentinel()));
    }
  }
}

}  // namespace
