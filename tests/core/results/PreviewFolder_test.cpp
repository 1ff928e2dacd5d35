// The preview's folder: private to the program (mode 0700), a hostile record name stays inside
// it, and it goes with everything in it when removed.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "results/PreviewFolder.h"

namespace {

namespace fs = std::filesystem;

TEST(PreviewFolder, PrivateContainedAndRemoved) {
  PreviewFolder folder;
  const std::string path = folder.Path();
  ASSERT_FALSE(path.empty());
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  const TargetFolder target = folder.Open();
  ASSERT_TRUE(target.IsOpen());
  for (const std::u16string name : {u"../escape.jpg", u"..", u"a/b.rtf"}) {
    std::string safe = SafeFileName(name);
    TargetFile f = target.CreateFile(safe, ExistingName::Overwrite);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_TRUE(f.Close());
    EXPECT_TRUE(fs::exists(fs::path(path) / safe)) << safe;
  }
  EXPECT_FALSE(fs::exists(fs::path(path).parent_path() / "escape.jpg"));
  // A second preview of the same name replaces the file.
  std::string again = SafeFileName(u"../escape.jpg");
  TargetFile f = target.CreateFile(again, ExistingName::Overwrite);
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(again, SafeFileName(u"../escape.jpg"));

  folder.Remove();
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
