#include "pages/copy/CopyTexts.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

TEST(CopyTexts, SizesTimesAndShares) {
  struct Size {
    uint64_t bytes;
    const char* text;
  };
  const Size sizes[] = {{0, "0.000 MB size in"},
                        {1073741824, "1024.000 MB size in"},
                        {1073741825, "1.000 GB size in"},
                        {uint64_t{1} << 40, "1024.000 GB size in"},
                        {(uint64_t{1} << 40) + 1, "1.000 TB size in"}};
  for (const Size& s : sizes) EXPECT_EQ(CopySizeText(s.bytes), s.text);
  EXPECT_EQ(CopyTimeText(187), "3 Min 7 Sec");
  EXPECT_EQ(CopyTimeText(0), "0 Min 0 Sec");
  EXPECT_EQ(FreeSpaceQuestion(3 * 1048576),
            "Insufficient free space on destination drive. Selected file/folder requires 3.000 MB "
            "of free space. Press Yes if you want continue with it.");
  EXPECT_EQ(PercentOf(5, 0), 0);
  EXPECT_EQ(PercentOf(1, 3), 33);
  EXPECT_EQ(PercentOf(7, 5), 100);
  EXPECT_EQ(PercentOf(UINT64_MAX - 1, UINT64_MAX), 99);
}

TEST(CopyTexts, TimeFieldsFollowTheRate) {
  const auto first = CopyTimeTexts(0, 0, 100);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->elapsed, "00:00:00");
  EXPECT_EQ(first->left, "00:00:00");
  EXPECT_FALSE(CopyTimeTexts(10, 5, 100));  // under a byte a second: keep the texts
  const auto half = CopyTimeTexts(187, 187 * 1000, 2 * 187 * 1000);
  ASSERT_TRUE(half);
  EXPECT_EQ(half->elapsed, "3 Min 7 Sec");
  EXPECT_EQ(half->left, "3 Min 7 Sec");
  // More copied than evaluated: nothing is left, never a wrapped-around time.
  EXPECT_EQ(CopyTimeTexts(10, 5000, 100)->left, "0 Min 0 Sec");
}

TEST(CopyTexts, ImageFilesAndOtherDisksAreNotTheSourceDrive) {
  char pattern[] = "/tmp/merrowind-drive-XXXXXX";
  const std::string dir = ::mkdtemp(pattern);
  EXPECT_FALSE(TargetOnSourceDrive(dir, dir + "/missing.img"));
  EXPECT_FALSE(TargetOnSourceDrive(dir, "/dev/null"));  // a character device is no drive
  EXPECT_GT(GetDiskFreeBytes(dir), 0u);
  EXPECT_EQ(GetDiskFreeBytes(dir + "/missing/deeper"), 0u);
  ::rmdir(dir.c_str());
}
