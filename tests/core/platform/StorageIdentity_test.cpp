#include "platform/StorageIdentity.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "tests/core/storage/StorageTestUtil.h"

namespace {

TEST(StorageIdentity, FilesAreTheSameThroughAnyNameOnly) {
  storage_test::TempDir dir;
  const std::string a = dir.path() + "/a.img", b = dir.path() + "/b.img";
  std::ofstream(a) << "a";
  std::ofstream(b) << "b";
  ASSERT_EQ(::link(a.c_str(), (dir.path() + "/hard.img").c_str()), 0);
  ASSERT_EQ(::symlink(a.c_str(), (dir.path() + "/soft.img").c_str()), 0);
  EXPECT_TRUE(SameStorage(a, a));
  EXPECT_TRUE(SameStorage(a, dir.path() + "/hard.img"));
  EXPECT_TRUE(SameStorage(dir.path() + "/soft.img", a));
  EXPECT_FALSE(SameStorage(a, b));
  EXPECT_FALSE(SameStorage(a, dir.path() + "/missing.img"));
  EXPECT_FALSE(SameStorage("", a));
  // Only a block device can hold a folder's file system.
  EXPECT_FALSE(FolderOnDevice(dir.path(), a));
  EXPECT_FALSE(FolderOnDevice(dir.path() + "/missing", a));
}

}  // namespace
