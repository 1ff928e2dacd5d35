#include "saving/extract/TargetFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/merrowind-target-XXXXXX";
    m_Path = ::mkdtemp(pattern);
  }
  ~TempDir() { fs::remove_all(m_Path); }
  const fs::path& path() const { return m_Path; }

 private:
  fs::path m_Path;
};

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Sets TZ for one test and restores it.
class ZoneGuard {
 public:
  explicit ZoneGuard(const char* zone) {
    if (const char* old = std::getenv("TZ")) m_Old = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ZoneGuard() {
    if (m_Old.empty())
      ::unsetenv("TZ");
    else
      ::setenv("TZ", m_Old.c_str(), 1);
    ::tzset();
  }

 private:
  std::string m_Old;
};

}  // namespace

TEST(SafeFileName, NamesFromDiskBecomeOnePathComponent) {
  struct Case {
    std::u16string in;
    std::string out;
  };
  const Case cases[] = {
      {u"report.txt", "report.txt"},
      {u"a/b", "a_b"},
      {u"../../etc/passwd", ".._.._etc_passwd"},
      {u"", "_"},
      {u".", "_"},
      {u"..", "__"},
      {std::u16string(u"nul\0x", 5), "nul_x"},
      {u"Überraschung.txt", "Überraschung.txt"},
      // Control characters, as a damaged or hostile NTFS name can hold them.
      {u"res\x1b[2Jdent.txt", "res_[2Jdent.txt"},
      {u"line\nbreak\r.txt", "line_break_.txt"},
      {u"\abell\t\x1f\x7f", "_bell___"},
      {u"c1\u0085\u009b.txt", "c1__.txt"},
      {u"\u00a0nbsp\u00e9", "\u00a0nbsp\u00e9"},  // U+00A0 and U+00E9 are no controls
  };
  for (const Case& c : cases) EXPECT_EQ(SafeFileName(c.in), c.out);

  // Too long: shortened before the extension, on a character boundary.
  const std::string longName = SafeFileName(std::u16string(300, u'é') + u".txt");
  EXPECT_LE(longName.size(), kMaxNameBytes);
  EXPECT_TRUE(longName.ends_with("é.txt"));
  EXPECT_EQ(longName.size() % 2, 0u);  // "é" is two bytes; ".txt" four: nothing cut in half
  const std::string noExtension = SafeFileName(std::u16string(300, u'x'));
  EXPECT_EQ(noExtension, std::string(255, 'x'));
}

TEST(TargetFolder, CreatesFilesAndFoldersButNeverFollowsLinks) {
  TempDir target, outside;
  const TargetFolder root = TargetFolder::Open(target.path());
  ASSERT_TRUE(root.IsOpen());

  TargetFolder sub = root.Subfolder("Docs");
  ASSERT_TRUE(sub.IsOpen());
  std::string name = "a.txt";
  TargetFile f = sub.CreateFile(name);
  ASSERT_TRUE(f.IsOpen());
  const std::string text = "hello";
  EXPECT_TRUE(f.Write(std::as_bytes(std::span(text))));
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(fs::file_size(target.path() / "Docs" / "a.txt"), 5u);
  EXPECT_TRUE(root.Subfolder("Docs").IsOpen());  // an existing folder is opened again

  // Links planted in the target (say by an earlier copy of a hostile disk) lead nowhere.
  fs::create_symlink(outside.path() / "victim", target.path() / "link.txt");
  fs::create_directory_symlink(outside.path(), target.path() / "linkdir");
  std::string linkName = "link.txt";
  EXPECT_TRUE(root.CreateFile(linkName).IsOpen());
  EXPECT_EQ(linkName, "link0.txt");  // a new file beside the link, never through it
  EXPECT_FALSE(root.Subfolder("linkdir").IsOpen());
  EXPECT_FALSE(fs::exists(outside.path() / "victim"));
  EXPECT_TRUE(root.Exists("link.txt"));
}

TEST(TargetFile, AFailedWriteIsReported) {
  TempDir target;
  const TargetFolder root = TargetFolder::Open(target.path());
  std::string name = "full.bin";
  TargetFile full = root.CreateFile(name);
  ASSERT_TRUE(full.IsOpen());
  // Every write fails as on a full disk.
  SetTargetWriteFunction([](int, const void*, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  });
  std::string data(100, 'x');
  EXPECT_FALSE(full.Write(std::as_bytes(std::span(data))));
  SetTargetWriteFunction(nullptr);
}

// Whatever already has the name (a file of an earlier copy, or a link planted to a file outside
// the target, symbolic or hard), the rule decides, and nothing outside the target changes.
TEST(TargetFolder, ATakenNameIsNeverOpenedOrWrittenThrough) {
  enum class Planted { File, HardLink, SymbolicLink };
  struct Case {
    Planted planted;
    ExistingName rule;
    bool opened;
    std::string used;  // the name the new file got
  } cases[] = {
      {Planted::File, ExistingName::Rename, true, "a0.txt"},
      {Planted::HardLink, ExistingName::Rename, true, "a0.txt"},
      {Planted::SymbolicLink, ExistingName::Rename, true, "a0.txt"},
      {Planted::File, ExistingName::Overwrite, true, "a.txt"},
      {Planted::HardLink, ExistingName::Overwrite, true, "a.txt"},
      {Planted::SymbolicLink, ExistingName::Overwrite, true, "a.txt"},
      {Planted::File, ExistingName::Skip, false, "a.txt"},
      {Planted::HardLink, ExistingName::Skip, false, "a.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.planted) * 10 + static_cast<int>(c.rule));
    TempDir target, outside;
    const fs::path victim = outside.path() / "victim.txt";
    std::ofstream(victim) << "outside";
    switch (c.planted) {
      case Planted::File:
        std::ofstream(target.path() / "a.txt") << "older";
        break;
      case Planted::HardLink:
        fs::create_hard_link(victim, target.path() / "a.txt");
        break;
      case Planted::SymbolicLink:
        fs::create_symlink(victim, target.path() / "a.txt");
        break;
    }
    const TargetFolder root = TargetFolder::Open(target.path());
    std::string name = "a.txt";
    TargetFile f = root.CreateFile(name, c.rule);
    EXPECT_EQ(f.IsOpen(), c.opened);
    EXPECT_EQ(f.Skipped(), !c.opened);
    EXPECT_EQ(name, c.used);
    if (f.IsOpen()) {
      const std::string text = "new";
      EXPECT_TRUE(f.Write(std::as_bytes(std::span(text))));
      EXPECT_TRUE(f.Close());
      EXPECT_EQ(ReadText(target.path() / c.used), "new");
    }
    EXPECT_EQ(ReadText(victim), "outside");
    if (c.planted == Planted::File && c.rule != ExistingName::Overwrite) {
      EXPECT_EQ(ReadText(target.path() / "a.txt"), "older");
    }
  }
}

TEST(TargetFolder, RenameTakesTheFirstFreeNumberedNameAndGivesUpAfterTheLast) {
  TempDir target;
  const TargetFolder root = TargetFolder::Open(target.path());
  for (const char* taken : {"report.txt", "report0.txt", "report2.txt"})
    std::ofstream(target.path() / taken) << "x";
  std::string name = "report.txt";
  EXPECT_TRUE(root.CreateFile(name).IsOpen());
  EXPECT_EQ(name, "report1.txt");

  // Every numbered name taken: nothing is created rather than one overwritten.
  std::ofstream(target.path() / "n") << "x";
  for (uint32_t i = 0; i < kNumberedNames; ++i)
    std::ofstream(target.path() / NumberedName("n", i)) << "x";
  name = "n";
  EXPECT_FALSE(root.CreateFile(name).IsOpen());
  EXPECT_EQ(name, "n");
}

TEST(NumberedName, TheNumberGoesBeforeTheLastExtensionAndTheNameStaysShortEnough) {
  EXPECT_EQ(NumberedName("report.txt", 0), "report0.txt");
  EXPECT_EQ(NumberedName("a.b.txt", 0), "a.b0.txt");
  EXPECT_EQ(NumberedName("_FILE.TXT", 12), "_FILE12.TXT");
  EXPECT_EQ(NumberedName("noext", 9999), "noext9999");
  const std::string longest = std::string(kMaxNameBytes - 4, 'x') + ".txt";
  const std::string numbered = NumberedName(longest, 9999);
  EXPECT_EQ(numbered.size(), kMaxNameBytes);
  EXPECT_TRUE(numbered.ends_with("x9999.txt"));
  const std::string allExtension = "." + std::string(kMaxNameBytes - 1, 'e');
  EXPECT_EQ(NumberedName(allExtension, 7), allExtension.substr(0, kMaxNameBytes - 1) + "7");
}

// A hole is left unwritten, and the length covers one at the end.
TEST(TargetFile, HolesTakeNoRoomAndALastHoleStillCounts) {
  TempDir target;
  const TargetFolder root = TargetFolder::Open(target.path());
  std::string name = "sparse.bin";
  TargetFile f = root.CreateFile(name);
  const std::string head = "head";
  ASSERT_TRUE(f.Write(std::as_bytes(std::span(head))));
  ASSERT_TRUE(f.WriteHole(uint64_t{64} << 20));
  ASSERT_TRUE(f.Close());
  struct stat st {};
  ASSERT_EQ(::stat((target.path() / name).c_str(), &st), 0);
  EXPECT_EQ(st.st_size, (int64_t{64} << 20) + 4);
  EXPECT_LT(st.st_blocks * 512, int64_t{1} << 20);
}

TEST(DosTime, LocalTimeWithTwoSecondUnitsAndDecemberForABadMonth) {
  ZoneGuard zone("EST5");  // five hours behind UTC, no summer time
  struct Case {
    uint16_t date, time;
    int64_t utc;  // expected seconds since 1970 (UTC)
  };
  auto date = [](int y, int m, int d) {
    return static_cast<uint16_t>((y - 1980) << 9 | m << 5 | d);
  };
  auto time = [](int h, int mi, int s) { return static_cast<uint16_t>(h << 11 | mi << 5 | s / 2); };
  const Case cases[] = {
      // 2019-12-31 23:59:58 local = 2020-01-01 04:59:58 UTC
      {date(2019, 12, 31), time(23, 59, 58), 1577854798},
      {static_cast<uint16_t>(date(2019, 1, 31) & ~0x1E0), time(23, 59, 58), 1577854798},  // month 0
      {static_cast<uint16_t>(date(2019, 1, 31) | 13 << 5), time(23, 59, 58), 1577854798},  // 13
  };
  for (const Case& c : cases) {
    const auto t = DosTimeToTimespec(c.date, c.time);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->tv_sec, c.utc);
  }
  EXPECT_FALSE(DosTimeToTimespec(date(2020, 5, 0), 0).has_value());  // day 0
  EXPECT_FALSE(DosTimeToTimespec(date(2020, 5, 1), time(24, 0, 0)).has_value());
  EXPECT_FALSE(DosTimeToTimespec(date(2020, 5, 1), 60 << 5).has_value());
}

// NTFS keeps UTC in 100 ns units from 1601: the instant comes out exactly, with no zone applied.
TEST(FileTime, UtcInHundredNanosecondUnitsFrom1601) {
  struct Case {
    uint64_t fileTime;
    int64_t seconds;
    long nanoseconds;
  } cases[] = {
      {116444736000000000ULL, 0, 0},  // 1970-01-01
      {(1614834368ULL + 11644473600ULL) * 10000000 + 1234567, 1614834368, 123456700},
      {10000000, -11644473599, 0},  // 1601-01-01 00:00:01
  };
  for (const Case& c : cases) {
    const auto t = FileTimeToTimespec(c.fileTime);
    ASSERT_TRUE(t.has_value()) << c.fileTime;
    EXPECT_EQ(t->tv_sec, c.seconds);
    EXPECT_EQ(t->tv_nsec, c.nanoseconds);
  }
  EXPECT_FALSE(FileTimeToTimespec(0).has_value());  // no time recorded
}
