#include "storage/DiskImageFolder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "tests/core/storage/StorageTestUtil.h"

namespace {

using namespace storage_test;

constexpr int64_t kPiece = 4194304;  // sectors per 2 GiB piece at 512 bytes

// Makes a sparse file of sizeBytes whose sectors at the given offsets hold the pattern of the
// given absolute sectors.
void MakePiece(const std::string& path, uint64_t sizeBytes,
               std::vector<std::pair<uint64_t, uint64_t>> markers /* piece sector, absolute */) {
  int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(sizeBytes)), 0);
  for (auto [at, absolute] : markers) {
    std::vector<std::byte> sector(512, PatternByte(absolute));
    ASSERT_EQ(::pwrite(fd, sector.data(), 512, static_cast<off_t>(at * 512)), 512);
  }
  ::close(fd);
}

class DiskImageRead : public SectorPathTest {
 protected:
  void SetUp() override {
    SectorPathTest::SetUp();
    g_DiskImageSource = 1;
    g_SourceImageFolder = dir.path() + "/";
  }
  std::string Piece(int n) { return dir.path() + "/DiskImage" + std::to_string(n) + ".dmg"; }
  TempDir dir;
};

// Images already on disk are found by these names: each number gives exactly this name, and the
// name reads back as that number and as nothing else.
TEST(DiskImagePieces, PieceNamesAndNumbersTable) {
  struct Case {
    int64_t number;
    const char* name;
  } cases[] = {
      {0, "DiskImage0.dmg"},
      {1, "DiskImage1.dmg"},
      {9, "DiskImage9.dmg"},
      {10, "DiskImage10.dmg"},
      {65535, "DiskImage65535.dmg"},
      {INT64_MAX, "DiskImage9223372036854775807.dmg"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ImagePieceName(kImagePieceBase, c.number), c.name);
    EXPECT_EQ(ImagePieceNumber(c.name, kImagePieceBase), c.number) << c.name;
  }
  // Names that are no piece of an image based on "DiskImage".
  for (const char* other :
       {"DiskImage.dmg", "DiskImage01.dmg", "DiskImage00.dmg", "DiskImage1.DMG", "DiskImage1.img",
        "diskimage1.dmg", "DiskImage1a.dmg", "DiskImage-1.dmg", "DiskImage 1.dmg", "Disk1.dmg",
        "bps.dmg", "DiskImage1.dmg.dmg", ""})
    EXPECT_FALSE(ImagePieceNumber(other, kImagePieceBase)) << other;
  // A number past 64 bits is still a piece, beyond any real one.
  EXPECT_EQ(ImagePieceNumber("DiskImage99999999999999999999.dmg", kImagePieceBase), INT64_MAX);
  // Another base names and reads its own pieces only.
  EXPECT_EQ(ImagePieceName("Backup", 3), "Backup3.dmg");
  EXPECT_EQ(ImagePieceNumber("Backup3.dmg", "Backup"), 3);
  EXPECT_FALSE(ImagePieceNumber("DiskImage3.dmg", "Backup"));
}

// The writer names pieces from the path it was given: less a final ".dmg" in any case, else the
// whole path, folders kept.
TEST(DiskImagePieces, PiecePathsFromTheImagePath) {
  struct Case {
    const char* imagePath;
    int64_t number;
    const char* base;
    const char* path;
  } cases[] = {
      {"/out/DiskImage.dmg", 0, "/out/DiskImage", "/out/DiskImage0.dmg"},
      {"/out/DiskImage.dmg", 12, "/out/DiskImage", "/out/DiskImage12.dmg"},
      {"/out/DiskImage.DMG", 1, "/out/DiskImage", "/out/DiskImage1.dmg"},
      {"/out/DiskImage.Dmg", 2, "/out/DiskImage", "/out/DiskImage2.dmg"},
      {"/out/ab", 1, "/out/ab", "/out/ab1.dmg"},
      {"/out/disk.img", 0, "/out/disk.img", "/out/disk.img0.dmg"},
      {".dmg", 4, "", "4.dmg"},
      {"/out/dmg", 0, "/out/dmg", "/out/dmg0.dmg"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ImagePieceBase(c.imagePath), c.base) << c.imagePath;
    EXPECT_EQ(ImagePiecePath(c.imagePath, c.number), c.path) << c.imagePath;
  }
}

TEST(DiskImagePieces, PieceSizeAndAddressing) {
  EXPECT_EQ(ImagePieceSectors(512), kPiece);
  EXPECT_EQ(ImagePieceSectors(4096), 524288);
  EXPECT_EQ(ImagePieceSectors(1000), 0);
  ResetSourceGlobals();
  g_SourceImageFolder = "/images/one";
  struct Case {
    int32_t bps;
    int64_t sector;
    const char* path;
    int64_t within;
  } cases[] = {
      {512, 0, "/images/one/DiskImage0.dmg", 0},
      {512, kPiece - 1, "/images/one/DiskImage0.dmg", kPiece - 1},
      {512, kPiece, "/images/one/DiskImage1.dmg", 0},
      {512, 10 * kPiece + 7, "/images/one/DiskImage10.dmg", 7},
      {4096, 524288 + 3, "/images/one/DiskImage1.dmg", 3},
  };
  for (const auto& c : cases) {
    g_BytesPerSector = c.bps;
    std::string path;
    int64_t s = c.sector;
    EXPECT_EQ(MakeImagePiecePath(path, s), 1);
    EXPECT_EQ(path, c.path);
    EXPECT_EQ(s, c.within);
  }
  g_SourceImageFolder = "/images/one/";  // a trailing separator is not doubled
  g_BytesPerSector = 512;
  std::string path;
  int64_t s = 1;
  MakeImagePiecePath(path, s);
  EXPECT_EQ(path, "/images/one/DiskImage0.dmg");
  ResetSourceGlobals();
}

TEST(DiskImagePieces, SectorSizeFileIsValidated) {
  struct Case {
    std::vector<uint8_t> bytes;  // empty: no file
    int result;
    int32_t bps;
  } cases[] = {
      {{}, 1, 512},
      {{0x00, 0x10, 0, 0}, 1, 4096},
      {{0x00, 0x00, 0x01, 0}, 1, 65536},
      {{0x00, 0x02, 0, 0}, 1, 512},
      {{0xE8, 0x03, 0, 0}, 0, 0},     // 1000: not a power of two
      {{0, 0, 0, 0}, 0, 0},           // 0 would divide by zero
      {{0x00, 0x01, 0, 0}, 0, 0},     // 256: too small
      {{0x00, 0x00, 0x02, 0}, 0, 0},  // 131072: too large
      {{0x00, 0x10}, 0, 0},           // short file
  };
  for (const auto& c : cases) {
    TempDir dir;
    if (!c.bytes.empty()) {
      std::ofstream out(dir.path() + "/bps.dmg", std::ios::binary);
      out.write(reinterpret_cast<const char*>(c.bytes.data()),
                static_cast<std::streamsize>(c.bytes.size()));
    }
    int32_t bps = -7;
    EXPECT_EQ(ReadImageBytesPerSector(dir.path(), bps), c.result);
    EXPECT_EQ(bps, c.result ? c.bps : -7);
  }
}

TEST_F(DiskImageRead, RunAcrossThePieceEndReadsBothPieces) {
  g_ImageMultiFile = 1;
  MakePiece(Piece(0), uint64_t{1} << 31,
            {{kPiece - 4, kPiece - 4},
             {kPiece - 3, kPiece - 3},
             {kPiece - 2, kPiece - 2},
             {kPiece - 1, kPiece - 1}});
  MakePiece(Piece(1), 100 * 512, {{0, kPiece}, {1, kPiece + 1}, {2, kPiece + 2}, {3, kPiece + 3}});
  std::vector<std::byte> buf(8 * 512, std::byte{0x5A});
  EXPECT_EQ(ReadSectors("\\\\.\\PhysicalDrive0", 4194300, 8, buf), 1);
  for (uint32_t i = 0; i < 8; ++i) EXPECT_TRUE(HoldsPattern(buf, i, 4194300 + i)) << i;
  // A run wholly inside piece 1.
  std::vector<std::byte> one(512);
  EXPECT_EQ(ReadSectors("\\\\.\\PhysicalDrive0", kPiece + 2, 1, one), 1);
  EXPECT_TRUE(HoldsPattern(one, 0, kPiece + 2));
  EXPECT_EQ(prompts.badSectorQuestions, 0);
}

TEST_F(DiskImageRead, RunEndingExactlyAtThePieceEndNeedsNoNextPiece) {
  g_ImageMultiFile = 1;
  MakePiece(Piece(0), uint64_t{1} << 31, {{kPiece - 4, 1}, {kPiece - 1, 2}});
  std::vector<std::byte> buf(4 * 512);
  EXPECT_EQ(ReadSectors("\\\\.\\PhysicalDrive0", 4194300, 4, buf), 1);
  EXPECT_TRUE(HoldsPattern(buf, 0, 1));
  EXPECT_TRUE(HoldsPattern(buf, 3, 2));
  EXPECT_EQ(prompts.badSectorQuestions, 0);
}

TEST_F(DiskImageRead, MissingNextPieceIsZeroedAndReported) {
  g_ImageMultiFile = 1;
  MakePiece(Piece(0), uint64_t{1} << 31, {{kPiece - 1, 9}});
  std::vector<std::byte> buf(8 * 512, std::byte{0x5A});
  EXPECT_EQ(ReadSectors("\\\\.\\PhysicalDrive0", 4194300, 8, buf), 0);
  EXPECT_TRUE(HoldsPattern(buf, 3, 9));
  for (uint32_t i = 4; i < 8; ++i) EXPECT_TRUE(IsZeroSector(buf, i)) << i;
  EXPECT_EQ(prompts.badSectorQuestions, 0);
}

TEST_F(DiskImageRead, MissingPieceAsksAndRetriesOnce) {
  struct Case {
    int answer;
    int questions;
  } cases[] = {{0, 2}, {2, 1}, {1, 1}, {3, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    prompts = ScriptedPrompts({c.answer});
    g_BadSectorChoice = 0;
    std::vector<std::byte> buf(2 * 512, std::byte{0x5A});
    EXPECT_EQ(ReadSectors("\\\\.\\PhysicalDrive0", 5, 2, buf), 0);
    EXPECT_TRUE(IsZeroSector(buf, 0));
    EXPECT_TRUE(IsZeroSector(buf, 1));
    EXPECT_EQ(prompts.badSectorQuestions, c.questions);
  }
}

TEST_F(DiskImageRead, SingleFileImageZeroesWhatLiesPastItsEnd) {
  MakePiece(Piece(0), 10 * 512, {{8, 8}, {9, 9}});
  std::vector<std::byte> buf(4 * 512, std::byte{0x5A});
  // Starts inside, runs past the end: no question, the missing part zeroed.
  EXPECT_EQ(ReadSectors("\\\\.\\PhysicalDrive0", 8, 4, buf), 0);
  EXPECT_TRUE(HoldsPattern(buf, 0, 8));
  EXPECT_TRUE(HoldsPattern(buf, 1, 9));
  EXPECT_TRUE(IsZeroSector(buf, 2));
  EXPECT_EQ(prompts.badSectorQuestions, 0);
  // Starts at the end: asked, then zeros.
  std::fill(buf.begin(), buf.end(), std::byte{0x5A});
  EXPECT_EQ(ReadSectors("\\\\.\\PhysicalDrive0", 10, 1, buf), 0);
  EXPECT_TRUE(IsZeroSector(buf, 0));
  EXPECT_EQ(prompts.badSectorQuestions, 1);
  // Inside: a plain read.
  EXPECT_EQ(ReadSectors("\\\\.\\PhysicalDrive0", 8, 2, buf), 1);
  EXPECT_TRUE(HoldsPattern(buf, 1, 9));
}

TEST_F(DiskImageRead, UnreadablePieceIsZeroedAndReported) {
  // A folder where the piece should be: it exists and opens, but every read of it fails.
  std::filesystem::create_directory(Piece(0));
  std::vector<std::byte> buf(2 * 512, std::byte{0x5A});
  EXPECT_EQ(ReadSectors("\\\\.\\PhysicalDrive0", 0, 2, buf), 0);
  EXPECT_TRUE(IsZeroSector(buf, 0));
  EXPECT_TRUE(IsZeroSector(buf, 1));
}

TEST_F(DiskImageRead, SecondPieceTooShortAsksOnceForTheWholeCall) {
  g_ImageMultiFile = 1;
  MakePiece(Piece(0), uint64_t{1} << 31, {{kPiece - 1, 3}});
  MakePiece(Piece(1), 0, {});  // present but empty
  prompts = ScriptedPrompts({0});
  std::vector<std::byte> buf(2 * 512, std::byte{0x5A});
  EXPECT_EQ(ReadSectors("\\\\.\\PhysicalDrive0", kPiece - 1, 2, buf), 0);
  EXPECT_TRUE(HoldsPattern(buf, 0, 3));
  EXPECT_TRUE(IsZeroSector(buf, 1));
  // Asked, retried once, asked again, then zeroed.
  EXPECT_EQ(prompts.badSectorQuestions, 2);
}

TEST_F(DiskImageRead, FourKilobyteImageUsesItsOwnPieceSize) {
  g_BytesPerSector = 4096;
  g_ImageMultiFile = 1;
  // 524288 sectors of 4096 bytes per piece; mark the last sector of piece 0 and first of piece 1.
  {
    int fd = ::open(Piece(0).c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    ASSERT_EQ(::ftruncate(fd, off_t{1} << 31), 0);
    std::vector<std::byte> s(4096, std::byte{0x11});
    ASSERT_EQ(::pwrite(fd, s.data(), 4096, (off_t{1} << 31) - 4096), 4096);
    ::close(fd);
    fd = ::open(Piece(1).c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    std::fill(s.begin(), s.end(), std::byte{0x22});
    ASSERT_EQ(::pwrite(fd, s.data(), 4096, 0), 4096);
    ::close(fd);
  }
  std::vector<std::byte> buf(2 * 4096);
  EXPECT_EQ(ReadSectors("\\\\.\\PhysicalDrive0", 524287, 2, buf), 1);
  EXPECT_EQ(buf[0], std::byte{0x11});
  EXPECT_EQ(buf[4096], std::byte{0x22});
}

}  // namespace
