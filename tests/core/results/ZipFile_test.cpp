// The zip listing: archives made by zip against zipinfo's listing of the same files (stored,
// deflated, with entry and archive comments), and the archives it must refuse or cut short
// (a text file, a self-extracting prefix, fewer than four bytes, a truncated directory, lengths
// that run past the end).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "results/ZipFile.h"

namespace fs = std::filesystem;

namespace {

struct Listed {
  std::string name;
  uint32_t size = 0;
  uint32_t compressed = 0;
  std::string method;  // zipinfo's "stor" or "defN"
  std::string when;    // yyyymmdd.hhmmss
};

std::string Run(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

bool HaveZipTools() {
  return std::system("command -v zip >/dev/null && command -v zipinfo >/dev/null") == 0;
}

// zipinfo -l -T: permissions, version, system, size, type, compressed size, method, time, name.
std::vector<Listed> ZipinfoListing(const fs::path& archive) {
  std::vector<Listed> rows;
  std::istringstream lines(Run("zipinfo -l -T '" + archive.string() + "'"));
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || (line[0] != '-' && line[0] != 'd')) continue;
    std::istringstream f(line);
    std::string perm, version, system, type;
    Listed l;
    f >> perm >> version >> system >> l.size >> type >> l.compressed >> l.method >> l.when;
    f.get();
    std::getline(f, l.name);
    rows.push_back(l);
  }
  return rows;
}

std::string DosText(uint16_t date, uint16_t time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d.%02d%02d%02d", 1980 + (date >> 9),
                (date >> 5) & 15, date & 31, time >> 11, (time >> 5) & 63, (time & 31) * 2);
  return text;
}

// Seconds since 1970 of a yyyymmdd.hhmmss text, read as UTC (both sides are the same zone).
long long Seconds(const std::string& when) {
  std::tm t{};
  if (std::sscanf(when.c_str(), "%4d%2d%2d.%2d%2d%2d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour,
                  &t.tm_min, &t.tm_sec) != 6) {
    ADD_FAILURE() << "not a time: " << when;
    return 0;
  }
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  return static_cast<long long>(timegm(&t));
}

// zipinfo's method: "stor", or "def" and the level from flag bits 1 and 2 (N, X, F, S).
std::string MethodText(uint16_t method, uint16_t flags) {
  if (method == 0) return "stor";
  if (method == 8) return std::string("def") + "NXFS"[(flags >> 1) & 3];
  return "?";
}

class ZipListing : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveZipTools()) GTEST_SKIP() << "zip and zipinfo are not installed";
    m_Dir = fs::temp_directory_path() / ("merrowind-zip-" + std::to_string(::getpid()));
    fs::remove_all(m_Dir);
    fs::create_directories(m_Dir / "sub");
    std::ofstream(m_Dir / "short.txt") << "hello world\n";
    std::ofstream long_text(m_Dir / "long.txt");
    for (int i = 0; i < 3000; ++i) long_text << "line " << i << " of a text that packs well\n";
    long_text.close();
    std::ofstream(m_Dir / "sub" / "inner.bin") << std::string(700, '\x7f');
  }
  void TearDown() override {
    if (!m_Dir.empty()) fs::remove_all(m_Dir);
  }
  fs::path Make(const std::string& name, const std::string& zipArgs, const std::string& stdinText = "") {
    const fs::path archive = m_Dir / name;
    const std::string command = "cd '" + m_Dir.string() + "' && printf '" + stdinText +
                                "' | zip -q " + zipArgs + " '" + archive.string() +
                                "' short.txt long.txt sub/inner.bin";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return archive;
  }
  fs::path m_Dir;
};

TEST_F(ZipListing, AgreesWithZipinfo) {
  struct Case {
    const char* name;
    const char* args;
    const char* input;  // what zip reads for comments
  };
  const Case cases[] = {
      {"stored.zip", "-0", ""},
      {"deflated.zip", "-9", ""},
      {"entry-comments.zip", "-X -c", "hello\\nsecond comment\\nthird\\n"},
      {"archive-comment.zip", "-z", "an archive comment\\n"},
      {"folders.zip", "-r", ""},  // a folder entry of its own
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path archive = Make(c.name, c.args, c.input);
    const std::vector<Listed> expected = ZipinfoListing(archive);
    ASSERT_FALSE(expected.empty());
    CZipFile zip(archive.string());
    ASSERT_EQ(zip.Open(), 0);
    ASSERT_EQ(zip.GetCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < zip.GetCount(); ++i) {
      const ZipEntry& e = *zip.GetEntry(i);
      EXPECT_EQ(e.name, expected[i].name);
      EXPECT_EQ(e.uncompressedSize, expected[i].size);
      EXPECT_EQ(e.compressedSize, expected[i].compressed);
      EXPECT_EQ(MethodText(e.compressionMethod, e.generalFlags), expected[i].method);
      // zipinfo shows the exact time of the extended time field where there is one; the DOS
      // time has two-second steps, and zip rounds an odd second up, which can carry into the
      // next minute, hour or day.
      const std::string when = DosText(e.lastModDate, e.lastModTime);
      EXPECT_LE(std::llabs(Seconds(when) - Seconds(expected[i].when)), 1)
          << when << " against zipinfo's " << expected[i].when;
      if (std::string(c.args) == "-0") {
        EXPECT_EQ(e.compressedSize, e.uncompressedSize);
      }
    }
    if (std::string(c.args) == "-X -c") {
      // A comment of five bytes and no extra field, followed correctly by the next entry.
      EXPECT_EQ(zip.GetEntry(0)->comment, "hello");
      EXPECT_EQ(zip.GetEntry(0)->extraLength, 0);
      EXPECT_EQ(zip.GetEntry(1)->comment, "second comment");
    }
    EXPECT_EQ(zip.GetEntry(-1), nullptr);
    EXPECT_EQ(zip.GetEntry(zip.GetCount()), nullptr);
    zip.Close();
    EXPECT_EQ(zip.GetCount(), 0);
    EXPECT_TRUE(zip.Path().empty());
  }
}

TEST_F(ZipListing, DamagedAndForeignFiles) {
  const fs::path good = Make("good.zip", "-9");
  std::ifstream in(good, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The central directory starts after the last local entry; find its first header.
  const size_t directory = bytes.find("PK\x01\x02");
  ASSERT_NE(directory, std::string::npos);
  const size_t second = bytes.find("PK\x01\x02", directory + 4);
  ASSERT_NE(second, std::string::npos);

  struct Case {
    const char* what;
    std::string content;
    int open;
    int count;
  };
  const Case cases[] = {
      {"text file", "just some text, not an archive", 2, 0},
      {"three bytes", "PK\x03", 2, 0},
      {"empty", "", 2, 0},
      {"self-extracting prefix", "#!/bin/sh\nexit 0\n" + bytes, 2, 0},
      {"cut inside the second directory record", bytes.substr(0, second + 50), 0, 1},
      {"cut inside the first record's fixed part", bytes.substr(0, directory + 20), 0, 0},
      {"local header only", bytes.substr(0, directory), 0, 0},
      {"name length past the end",
       bytes.substr(0, directory + 28) + std::string("\xff\xff", 2) + bytes.substr(directory + 30),
       0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path file = m_Dir / "case.bin";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << c.content;
    CZipFile zip;
    zip.SetPath(file.string());
    EXPECT_EQ(zip.Open(), c.open);
    EXPECT_EQ(zip.GetCount(), c.count);
  }
  CZipFile none;
  EXPECT_EQ(none.Open(), 1);
  none.SetPath((m_Dir / "missing.zip").string());
  EXPECT_EQ(none.Open(), 1);
}

TEST(ZipReadValue, Widths) {
  const std::byte b[4] = {std::byte{0x50}, std::byte{0x4B}, std::byte{0x03}, std::byte{0x04}};
  EXPECT_EQ(CZipFile::ReadValue(b, 8), 0x50u);
  EXPECT_EQ(CZipFile::ReadValue(b, 16), 0x4B50u);
  EXPECT_EQ(CZipFile::ReadValue(b, 24), 0x034B50u);
  EXPECT_EQ(CZipFile::ReadValue(b, 32), kZipLocalHeaderSignature);
  EXPECT_EQ(CZipFile::ReadValue(b, 12), 0u);
}

}  // namespace
