#include "storage/fat/FatLongName.h"

#include <gtest/gtest.h>

#include <string>

#include "storage/fat/FatDirEntry.h"
#include "tests/core/storage/fat/FatTestImage.h"

using namespace fat_test;

namespace {

std::u16string Repeat(char16_t c, size_t n) {
  return std::u16string(n, c);
}

// Lays out entries ending with a short entry so that the short entry lands at shortOffset of a
// directory block; returns the block and the bytes before it (in directory order).
struct Laid {
  Bytes before;
  Bytes block;
};
Laid Lay(const Bytes& entries, size_t shortOffset, size_t blockBytes = 512) {
  const size_t total = entries.size();
  const size_t inBlock = shortOffset + 32;
  Laid l;
  l.block.assign(blockBytes, std::byte{0});
  if (total <= inBlock) {
    std::copy(entries.begin(), entries.end(), l.block.begin() + (inBlock - total));
  } else {
    std::copy(entries.end() - inBlock, entries.end(), l.block.begin());
    l.before.assign(entries.begin(), entries.end() - inBlock);
  }
  return l;
}

int Assemble(const Laid& l, size_t shortOffset, std::u16string& name) {
  bool given = false;
  PreviousDirectoryBlock previous = [&](std::span<const std::byte>& block) {
    if (given || l.before.empty()) return false;
    given = true;
    block = l.before;
    return true;
  };
  return AssembleFatLongName(l.block, shortOffset, previous, name);
}

}  // namespace

TEST(FatLongName, NamesOfEveryFragmentCountAcrossBlockEdges) {
  const std::string s11 = Short11("LONGNA~1", "TXT");
  const std::u16string names[] = {u"Thirteen_.txt",
                                  u"Fourteen__.txt",
                                  u"Twenty_six_char_name_1.txt",
                                  u"Long_" + Repeat(u'x', 246) + u".txt",
                                  u"Überraschung.txt",
                                  u"日本語のファイル.txt"};
  for (const auto& name : names) {
    Bytes entries = LongNameEntries(name, s11);
    Append(entries, ShortEntry({s11}));
    // Every position of the short entry: fragments wholly before, split across, or after an edge.
    for (size_t offset = 0; offset < 512; offset += 32) {
      std::u16string got;
      SCOPED_TRACE(testing::Message() << name.size() << " chars, offset " << offset);
      EXPECT_EQ(Assemble(Lay(entries, offset), offset, got), 0);
      EXPECT_EQ(got, name);
    }
  }
}

TEST(FatLongName, ThirteenCharactersWithoutTerminatorEndAtTheLastFragmentMark) {
  const std::string s11 = Short11("THIRTE~1", "TXT");
  Bytes entries = Bytes(32, std::byte{0});  // an end-of-directory entry before: not a fragment
  entries[11] = std::byte{0x0F};            // ... but one that looks like one must not be taken
  Append(entries, LongNameEntries(u"Thirteen_.txt", s11));
  ASSERT_EQ(entries[32], std::byte{0x41});
  Append(entries, ShortEntry({s11}));
  std::u16string got;
  EXPECT_EQ(Assemble(Lay(entries, 64), 64, got), 0);
  EXPECT_EQ(got, u"Thirteen_.txt");
}

TEST(FatLongName, NoFragmentsOrFragmentsOfAnotherNameGiveNone) {
  const std::string s11 = Short11("PLAIN", "TXT");
  std::u16string got = u"stale";
  Bytes plain = ShortEntry({Short11("OTHER", "TXT")});
  Append(plain, ShortEntry({s11}));
  EXPECT_EQ(Assemble(Lay(plain, 32), 32, got), 1);
  EXPECT_TRUE(got.empty());

  // Fragments left over from another name in front of a present entry.
  Bytes stray = LongNameEntries(u"Somebody else's name.txt", Short11("SOMEBO~1", "TXT"));
  Append(stray, ShortEntry({s11}));
  EXPECT_EQ(Assemble(Lay(stray, 96), 96, got), 1);
  // At the very start of the directory there is nothing in front.
  EXPECT_EQ(Assemble(Lay(ShortEntry({s11}), 0), 0, got), 1);
}

// A deleted file keeps its fragments (their first bytes are 0xE5 too); the name is taken up to
// its terminator although the checksum can no longer be compared.
TEST(FatLongName, DeletedEntryKeepsItsLongName) {
  const std::string s11 = Short11("ALONGD~1", "TXT");
  Bytes entries = ShortEntry({Short11("README", "TXT")});
  Bytes lfn = LongNameEntries(u"A long deleted name.txt", s11);
  Bytes shortEntry = ShortEntry({s11});
  for (size_t i = 0; i < lfn.size(); i += 32) lfn[i] = std::byte{0xE5};
  shortEntry[0] = std::byte{0xE5};
  Append(entries, lfn);
  Append(entries, shortEntry);
  std::u16string got;
  EXPECT_EQ(Assemble(Lay(entries, 96), 96, got), 0);
  EXPECT_EQ(got, u"A long deleted name.txt");

  // Twenty-six characters fill two fragments exactly: the name ends at the short entry in front.
  entries = ShortEntry({Short11("README", "TXT")});
  lfn = LongNameEntries(u"Twenty_six_char_name_1.txt", s11);
  for (size_t i = 0; i < lfn.size(); i += 32) lfn[i] = std::byte{0xE5};
  Append(entries, lfn);
  Append(entries, shortEntry);
  EXPECT_EQ(Assemble(Lay(entries, 96), 96, got), 0);
  EXPECT_EQ(got, u"Twenty_six_char_name_1.txt");
}

// The program's own form: a short entry at offset 0 of its sector finds its name by reading the
// previous sectors of the source.
TEST(FatLongName, ReadsThePreviousSectorsFromTheSource) {
  MemoryVolume disk(16);
  const std::string s11 = Short11("LONG_X~1", "TXT");
  const std::u16string name = u"Long_" + Repeat(u'x', 246) + u".txt";  // 20 fragments, 640 bytes
  Bytes entries = LongNameEntries(name, s11);
  Append(entries, ShortEntry({s11}));
  // The short entry is the first entry of sector 6; the fragments fill sector 5 and part of 4.
  disk.Write(6 * 512 - (entries.size() - 32), entries);
  Bytes sector(disk.Sector(6), disk.Sector(7));
  std::u16string got;
  EXPECT_EQ(AssembleFatLongName(sector, got, 0, 6), 0);
  EXPECT_EQ(got, name);
}

TEST(FatLongName, ValidFileNames) {
  struct Case {
    std::u16string name;
    int valid;
  };
  const Case cases[] = {
      {u"", 1},          {u"a:b.txt", 1},
      {u"café.txt", 1},  {u"日本.txt", 1},
      {u"what?.txt", 0}, {u"a\\b", 0},
      {u"a/b", 0},       {u"x*y", 0},
      {u"<a>", 0},       {u"a|b", 0},
      {u"say\"hi", 0},   {u"tab\there", 0},
      {u"bell\x07", 0},  {std::u16string(u"nul\0in", 6), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
    EXPECT_EQ(IsValidFileName(c.name), c.valid);
    if (c.name.find_first_of(u"éå日本") == std::u16string::npos) {
      EXPECT_EQ(IsValidFileName(std::string(c.name.begin(), c.name.end())), c.valid);
    }
  }
  EXPECT_EQ(IsValidFileName(std::string("CAF\x82.TXT")), 1);  // code page 437 é in a short name
}

TEST(FatDirEntry, ShortNamesDeletedMarksAndClusters) {
  struct Case {
    std::string raw11;
    std::string name;
  };
  const Case cases[] = {
      {Short11("REPORT", "TXT"), "REPORT.TXT"},
      {"\xE5"
       "EPORT  TXT",
       "_EPORT.TXT"},
      {Short11("NOEXT", ""), "NOEXT"},
      {"\x05"
       "BC     TXT",
       "\xE5"
       "BC.TXT"},
      {"A B     T X", "AB.TX"},
  };
  for (const Case& c : cases) {
    Bytes e = ShortEntry({c.raw11});
    EXPECT_EQ(FatDirEntry(e).ShortName(), c.name);
  }
  struct Lower {
    uint8_t flags;
    std::string name;
  };
  for (const Lower& c :
       {Lower{0x08, "caf\x82.TXT"}, Lower{0x10, "CAF\x90.txt"}, Lower{0x18, "caf\x82.txt"}}) {
    Bytes e = ShortEntry({"CAF\x90    TXT"});
    e[12] = std::byte{c.flags};
    EXPECT_EQ(FatDirEntry(e).ShortName(), c.name);
  }
  Bytes e = ShortEntry({Short11("F", ""), 0x10, 0x00123456, 77});
  FatDirEntry d(e);
  EXPECT_EQ(d.Cluster(32), 0x00123456u);
  EXPECT_EQ(d.Cluster(16), 0x3456u);
  EXPECT_TRUE(d.IsDirectory());
  EXPECT_EQ(d.Size(), 77u);
  EXPECT_TRUE(FatDirEntry(ShortEntry({".          "})).IsDotEntry());
  EXPECT_TRUE(FatDirEntry(ShortEntry({"..         "})).IsDotEntry());
  EXPECT_FALSE(FatDirEntry(ShortEntry({".hidden    "})).IsDotEntry());
}
