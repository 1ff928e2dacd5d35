#include "saving/extract/TargetFiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
  TargetFile f = sub.CreateFile("a.txt");
  ASSERT_TRUE(f.IsOpen());
  const std::string text = "hello";
  EXPECT_TRUE(f.Write(std::as_bytes(std::span(text))));
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(fs::file_size(target.path() / "Docs" / "a.txt"), 5u);
  EXPECT_TRUE(root.Subfolder("Docs").IsOpen());  // an existing folder is opened again

  // Links planted in the target (say by an earlier copy of a hostile disk) lead nowhere.
  fs::create_symlink(outside.path() / "victim", target.path() / "link.txt");
  fs::create_directory_symlink(outside.path(), target.path() / "linkdir");
  EXPECT_FALSE(root.CreateFile("link.txt").IsOpen());
  EXPECT_FALSE(root.Subfolder("linkdir").IsOpen());
  EXPECT_FALSE(fs::exists(outside.path() / "victim"));
  EXPECT_TRUE(root.Exists("link.txt"));
}

TEST(TargetFile, AFailedWriteIsReported) {
  const TargetFolder dev = TargetFolder::Open("/dev");
  TargetFile full = dev.CreateFile("full");  // every write fails with "no space"
  if (!full.IsOpen()) GTEST_SKIP() << "/dev/full cannot be opened here";
  std::string data(100, 'x');
  EXPECT_FALSE(full.Write(std::as_bytes(std::span(data))));
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
