#include <gtest/gtest.h>

#include "dialogs/FileDialogRules.h"

namespace {

TEST(FileDialogRules, FiltersBecomeTheToolkitWildcard) {
  EXPECT_EQ(WildcardFromFilters({{"*.kvsl", "*.kvsl"}}), "*.kvsl|*.kvsl");
  EXPECT_EQ(WildcardFromFilters({{"*.kvsl", "*"}, {"Images", "*.dmg;*.img"}}),
            "*.kvsl|*|Images|*.dmg;*.img");
  EXPECT_EQ(WildcardFromFilters({}), "");
  EXPECT_EQ(kOfnAlwaysAdded, 0x10080404);
}

TEST(FileDialogRules, PathMustFitTheBuffer) {
  EXPECT_TRUE(FitsFileBuffer("/" + std::string(258, 'a')));   // 259 characters
  EXPECT_FALSE(FitsFileBuffer("/" + std::string(259, 'a')));  // 260
  // Counted in UTF-16 units: 129 two-byte characters are 129 units, not 258 bytes.
  std::string accented = "/";
  for (int i = 0; i < 129; ++i) accented += "\xC3\xA9";
  EXPECT_TRUE(FitsFileBuffer(accented));
}

TEST(FileDialogRules, SplitsAChosenPath) {
  struct Case {
    const char* path;
    const char* dir;
    const char* name;
    const char* ext;
  } const cases[] = {
      {"/home/u/scan.kvsl", "/home/u/", "scan", ".kvsl"},
      {"/home/u/archive.tar.gz", "/home/u/", "archive.tar", ".gz"},
      {"/home/u/.hidden", "/home/u/", ".hidden", ""},
      {"/home/u/noext", "/home/u/", "noext", ""},
      {"/home/u.d/file", "/home/u.d/", "file", ""},
      {"relative.kvsl", "", "relative", ".kvsl"},
  };
  for (const Case& c : cases) {
    const FilePathParts parts = SplitFilePath(c.path);
    EXPECT_EQ(parts.drive, "") << c.path;
    EXPECT_EQ(parts.dir, c.dir) << c.path;
    EXPECT_EQ(parts.name, c.name) << c.path;
    EXPECT_EQ(parts.ext, c.ext) << c.path;
  }
}

TEST(FileDialogRules, OneChosenFileIsTheWholeSelection) {
  size_t pos = 0;
  EXPECT_EQ(NextPathName("/home/u/scan.kvsl", pos), "/home/u/scan.kvsl");
  EXPECT_EQ(pos, std::string::npos);
  EXPECT_EQ(NextPathName("/home/u/scan.kvsl", pos), "");
}

}  // namespace
