#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/ByteOrder.h"
#include "storage/BootSector.h"
#include "storage/FatBootSector.h"
#include "storage/NtfsBootSector.h"
#include "storage/partitions/PartitionBootSector.h"

namespace {

using Sector = std::vector<std::byte>;

void Text(Sector& s, size_t at, std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) s[at + i] = static_cast<std::byte>(text[i]);
}

// A FAT boot sector as mkfs.fat lays it out: FAT12/16 keep their type text at 54, FAT32 at 82.
Sector FatBoot(std::string_view type, uint8_t spc, uint16_t total16, uint32_t total32) {
  Sector s(512);
  bo::StoreLe<uint16_t>(s, 11, 512);
  s[13] = std::byte{spc};
  bo::StoreLe<uint16_t>(s, 14, type == "FAT32" ? 32 : 1);
  bo::StoreLe<uint16_t>(s, 19, total16);
  bo::StoreLe<uint32_t>(s, 32, total32);
  if (type == "FAT32") {
    bo::StoreLe<uint32_t>(s, 36, 1000);
    bo::StoreLe<uint32_t>(s, 44, 2);
    Text(s, 82, "FAT32   ");
  } else {
    bo::StoreLe<uint16_t>(s, 17, 512);
    bo::StoreLe<uint16_t>(s, 22, 200);
    Text(s, 54, std::string(type) + "   ");
  }
  s[510] = std::byte{0x55};
  s[511] = std::byte{0xAA};
  return s;
}

Sector NtfsBoot(uint8_t spc) {
  Sector s(512);
  Text(s, 3, "NTFS    ");
  bo::StoreLe<uint16_t>(s, 11, 512);
  s[13] = std::byte{spc};
  bo::StoreLe<uint64_t>(s, 40, 0x1'0000'0000ull);
  bo::StoreLe<uint64_t>(s, 48, 4);
  bo::StoreLe<uint64_t>(s, 56, 2);
  bo::StoreLe<uint32_t>(s, 64, 0xF6);
  bo::StoreLe<uint32_t>(s, 68, 1);
  s[510] = std::byte{0x55};
  s[511] = std::byte{0xAA};
  return s;
}

// One boot sector through every reader and every view the program takes of it.
struct Case {
  const char* name;
  Sector sector;
  bool signature;
  bool clusterSizeOk;
  FileSystemKind byDigits, byLabel;
  bool ntfs;
  uint64_t fatTotal;  // FatBootSector::TotalSectors
  std::optional<FileSystemKind> wholeVolume;
  uint64_t wholeVolumeSectors;
};

std::vector<Case> Cases() {
  using K = FileSystemKind;
  std::vector<Case> cases = {
      {"FAT12", FatBoot("FAT12", 1, 4096, 0), true, true, K::None, K::Fat12, false, 4096,
       std::nullopt, 0},
      {"FAT16", FatBoot("FAT16", 4, 40000, 0), true, true, K::Fat16, K::Fat16, false, 40000,
       K::Fat16, 40000},
      {"FAT32", FatBoot("FAT32", 8, 0, 600000), true, true, K::Fat32, K::Fat32, false, 600000,
       K::Fat32, 600000},
      // Both totals set: the readers that count sectors take the 32-bit one.
      {"16- and 32-bit totals", FatBoot("FAT16", 4, 40000, 50000), true, true, K::Fat16,
       K::Fat16, false, 50000, K::Fat16, 50000},
      {"NTFS", NtfsBoot(8), true, true, K::None, K::None, true, 0, K::Ntfs, 0x1'0000'0000ull},
      {"zero sectors per cluster", FatBoot("FAT16", 0, 40000, 0), true, false, K::Fat16,
       K::Fat16, false, 40000, K::Fat16, 40000},
      {"sectors per cluster not a power of two", FatBoot("FAT32", 6, 0, 600000), true, false,
       K::Fat32, K::Fat32, false, 600000, K::Fat32, 600000},
  };
  Case bad{"bad signature", FatBoot("FAT16", 4, 40000, 0), false, true, K::Fat16, K::Fat16,
           false, 40000, K::Fat16, 40000};
  bad.sector[511] = std::byte{0};
  cases.push_back(bad);
  Case shortSector{"short sector", FatBoot("FAT32", 8, 0, 600000), false, true, K::None,
                   K::None, false, 600000, std::nullopt, 0};
  shortSector.sector.resize(84);  // ends inside the FAT32 type text
  cases.push_back(shortSector);
  return cases;
}

TEST(BootSectorReaders, EachBootSectorReadsAsEveryViewExpectsIt) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const bo::Bytes s = c.sector;
    EXPECT_EQ(HasBootSignature(s), c.signature);
    const FatBootSector fat = ReadFatBootSector(s);
    const NtfsBootSector ntfs = ReadNtfsBootSector(s);
    EXPECT_EQ(IsBootClusterSize(c.ntfs ? ntfs.sectorsPerCluster : fat.sectorsPerCluster),
              c.clusterSizeOk);
    EXPECT_EQ(FatKindByDigits(s), c.byDigits);
    EXPECT_EQ(FatKindByLabel(s), c.byLabel);
    EXPECT_EQ(HasNtfsOemId(s), c.ntfs);
    if (!c.ntfs) {
      EXPECT_EQ(fat.TotalSectors(), c.fatTotal);
    }
    const auto whole = TestWholeVolume(s);
    EXPECT_EQ(whole.has_value(), c.wholeVolume.has_value());
    if (whole && c.wholeVolume) {
      EXPECT_EQ(whole->kind, *c.wholeVolume);
      EXPECT_EQ(whole->sectors, c.wholeVolumeSectors);
    }
  }
}

// The fields of each layout, at their offsets and widths.
TEST(BootSectorReaders, FieldsOfEachLayout) {
  const FatBootSector f16 = ReadFatBootSector(FatBoot("FAT16", 4, 40000, 0));
  EXPECT_EQ(f16.bytesPerSector, 512);
  EXPECT_EQ(f16.sectorsPerCluster, 4);
  EXPECT_EQ(f16.reservedSectors, 1);
  EXPECT_EQ(f16.rootEntries, 512);
  EXPECT_EQ(f16.RootDirectoryBytes(), 16384u);
  EXPECT_EQ(f16.fatSize16, 200);
  EXPECT_EQ(f16.totalSectors16, 40000);
  EXPECT_EQ(f16.totalSectors32, 0u);

  const FatBootSector f32 = ReadFatBootSector(FatBoot("FAT32", 8, 0, 600000));
  EXPECT_EQ(f32.reservedSectors, 32);
  EXPECT_EQ(f32.fatSize32, 1000u);
  EXPECT_EQ(f32.rootCluster, 2u);
  EXPECT_EQ(f32.totalSectors32, 600000u);

  Sector n = NtfsBoot(8);
  bo::StoreLe<uint32_t>(n, 64, 0xFFFFFFF6);  // a byte size written sign-extended
  const NtfsBootSector ntfs = ReadNtfsBootSector(n);
  EXPECT_EQ(ntfs.sectorsPerCluster, 8);
  EXPECT_EQ(ntfs.totalSectors, 0x1'0000'0000ull);
  EXPECT_EQ(ntfs.mftCluster, 4u);
  EXPECT_EQ(ntfs.mftMirrorCluster, 2u);
  EXPECT_EQ(ntfs.fileRecordField, 0xFFFFFFF6u);
  EXPECT_EQ(ntfs.FileRecordByte(), 0xF6);
  EXPECT_EQ(ntfs.IndexRecordByte(), 1);

  // Nothing read past a short span: a field cut by its end reads as 0.
  const FatBootSector none = ReadFatBootSector(bo::Bytes(FatBoot("FAT32", 8, 0, 600000)).first(34));
  EXPECT_EQ(none.fatSize32, 0u);
  EXPECT_EQ(none.rootCluster, 0u);
  EXPECT_EQ(none.totalSectors32, 0u);
  EXPECT_EQ(none.reservedSectors, 32);
}

// The list's name of a partition: the whole type text first, then its type byte.
TEST(BootSectorReaders, PartitionsAreNamedByTheirLabelsBeforeTheirTypeBytes) {
  using K = FileSystemKind;
  EXPECT_EQ(ClassifyPartition(FatBoot("FAT32", 8, 0, 600000), 7, false), K::Fat32);
  EXPECT_EQ(ClassifyPartition(FatBoot("FAT16", 4, 40000, 0), 7, false), K::Fat16);
  EXPECT_EQ(ClassifyPartition(NtfsBoot(8), 6, false), K::Ntfs);
  // A FAT12 label names no listed kind: the type byte decides.
  EXPECT_EQ(ClassifyPartition(FatBoot("FAT12", 1, 4096, 0), 1, false), K::None);
  EXPECT_EQ(ClassifyPartition(FatBoot("FAT12", 1, 4096, 0), 1, true), K::Fat16);
}

// A negative clusters-per-record value is a size in bytes in any sector size; a positive one
// counts clusters.
TEST(NtfsBootRecordSectors, NegativeValuesAreBytesPositiveOnesClusters) {
  struct Case {
    uint8_t value;
    uint32_t spc, bps, sectors;
  } cases[] = {
      {0xF6, 8, 512, 2},   {0xF6, 1, 512, 2},   {0xF4, 8, 512, 8},    {0xF4, 2, 4096, 1},
      {0xF5, 1, 4096, 0},  // 2 KiB records on 4 KiB sectors: no whole sector
      {0xF6, 2, 4096, 0},  {0xF3, 4, 4096, 2},  {0xF0, 1, 512, 128},  {0xEF, 1, 512, 0},
      {0x80, 1, 512, 0},   {1, 8, 512, 8},      {2, 2, 4096, 4},      {0, 8, 512, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(NtfsBootRecordSectors(c.value, c.spc, c.bps), c.sectors)
        << std::hex << int(c.value) << std::dec << " spc " << c.spc << " bps " << c.bps;
}

}  // namespace
