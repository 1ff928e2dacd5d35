// The disk-imaging page's logic without a window: the target disks it offers, the texts it shows
// and asks, and the paths Browse gives and Next checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "pages/imaging/ImagingTargets.h"
#include "platform/DeviceNamespace.h"
#include "platform/RegistryStore.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"
#include "tests/core/TestPrompts.h"
#include "tests/core/storage/StorageTestUtil.h"

namespace {

namespace fs = std::filesystem;

class ImagingTargetsTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    fs::create_directories(m_Dir.path() + "/sys/block");
    SetSystemRoot(m_Dir.path());
    SetRegistryFolder(m_Dir.path() + "/config");
    SetUserPrompts(&m_Prompts);
    for (int n = 0; n < 4; ++n) {
      const std::string file = m_Dir.path() + "/disk" + std::to_string(n) + ".img";
      std::ofstream(file, std::ios::binary) << std::string((n + 1) * 4096, '\0');
      MapDeviceToFile("\\\\.\\PhysicalDrive" + std::to_string(n), file);
    }
  }
  void TearDown() override {
    SetUserPrompts(nullptr);
    SetRegistryFolder("");
    SetSystemRoot("");
    ClearDeviceMappings();
    ResetProgramState();
  }
  static std::vector<std::string> Names(const TargetDiskList& list) {
    std::vector<std::string> out;
    for (const TargetDisk& d : list.disks) out.push_back(d.name);
    return out;
  }

  storage_test::TempDir m_Dir;
  test_support::RecordingPrompts m_Prompts;
};

TEST_F(ImagingTargetsTest, TheSourceDiskAndDisksInUseAreNeverOffered) {
  // A whole disk as the source.
  g_CurrentDevice = 0;
  g_SelectedDiskNumber = 0;
  TargetDiskList list = ImagingTargetDisks(nullptr);
  ASSERT_TRUE(list.storeRead);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Disk1", "Disk2", "Disk3"}));
  EXPECT_EQ(list.disks[0].sizeBytes, 8192u);
  // A partition of disk 2 read through its disk's name: disk 2 is the source's own.
  g_CurrentDevice = 2;
  g_SelectedDiskNumber = 2;
  EXPECT_EQ(Names(ImagingTargetDisks(nullptr)), (std::vector<std::string>{"Disk0", "Disk1", "Disk3"}));
  // A logical drive in entry 0 on disk 3 (its volume node is disk 3's storage): entry 0 no longer
  // names disk 0, and disk 3 is its own.
  fs::create_directories(m_Dir.path() + "/dev");
  fs::create_directories(m_Dir.path() + "/proc/self");
  fs::create_symlink(m_Dir.path() + "/disk3.img", m_Dir.path() + "/dev/vol");
  std::ofstream(m_Dir.path() + "/proc/self/mountinfo") << "22 1 8:1 / / rw - vfat /dev/vol rw\n";
  ASSERT_TRUE(SetDevicePath(0, "\\\\.\\C:"));
  g_CurrentDevice = 0;
  g_SourceDriveLetter = 'C';
  g_SelectedDiskNumber = 0;  // as Next of the range modes leaves it
  EXPECT_EQ(Names(ImagingTargetDisks(nullptr)), (std::vector<std::string>{"Disk1", "Disk2"}));
  // A disk in use is left out.
  EXPECT_EQ(Names(ImagingTargetDisks([](int n) { return n == 1; })),
            (std::vector<std::string>{"Disk2"}));
}

TEST(ImagingTexts, TargetSizeAndQuestion) {
  const std::pair<uint64_t, const char*> sizes[] = {
      {0, "0"},
      {1500000000, "1.4 GB"},
      {uint64_t{1} << 30, "1.0 GB"},
      {(uint64_t{1} << 30) - 1, "1024.0 MB"},
      {uint64_t{1} << 40, "1.0 TB"},
      {1536, "1.5 KB"},
      {100, "0.1 KB"},
  };
  for (const auto& [bytes, text] : sizes) EXPECT_EQ(TargetDiskSizeText(bytes), text) << bytes;
  TargetDisk target;
  target.number = 2;
  target.name = "Disk2";
  target.model = "WDC WD10EZEX";
  EXPECT_EQ(TargetDiskLabel(target), "Disk2 - WDC WD10EZEX");
  EXPECT_EQ(DataLossQuestion(target),
            "All data will be lost in Target Disk -\r\nDisk2 - WDC WD10EZEX\r\n\r\nAre you sure "
            "you want to continue ?\r\n");
  // Two disks of one model are told apart by their size and node.
  target.sizeBytes = uint64_t{1} << 40;
  target.node = "/dev/sdc";
  EXPECT_EQ(
      DataLossQuestion(target),
      "All data will be lost in Target Disk -\r\nDisk2 - WDC WD10EZEX (1.0 TB, /dev/sdc)\r\n\r\n"
      "Are you sure you want to continue ?\r\n");
}

TEST(ImagingPaths, BrowseAndTheFolderNextChecks) {
  EXPECT_EQ(BrowsedImagePath("/"), "/DiskImage.dmg");
  EXPECT_EQ(BrowsedImagePath("/mnt/Out"), "/mnt/Out/DiskImage.dmg");
  EXPECT_EQ(BrowsedImagePath("/mnt/Out/"), "/mnt/Out/DiskImage.dmg");
  const std::pair<const char*, const char*> folders[] = {
      {"/mnt/Out/DiskImage.dmg", "/mnt/Out"},
      {"/DiskImage.dmg", "/"},
      {"/mnt/NoSuchFolder/DiskImage.dmg", "/mnt/NoSuchFolder"},
      {"/mnt/Out", "/mnt/Out"},  // no image file named: the path itself
      {".dmg", ".dmg"},
  };
  for (const auto& [path, folder] : folders) EXPECT_EQ(ImageFolderOf(path), folder) << path;
  EXPECT_EQ(ImagingSourceBytes(2048, 4096, 512), 2048u * 512);
  EXPECT_EQ(ImagingSourceBytes(4096, 2048, 512), 0u);
}

}  // namespace
