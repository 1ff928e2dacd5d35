// The disk chosen is the disk read and written: on a made-up machine whose disks change between
// the choice and the open (a disk unplugged, another one taking its name), a scan's read, the
// Next check and the image worker refuse with one notice and touch no byte of the disk that took
// the name; the same for the imaging target. A disk the user may not open is listed as such and
// Next says why.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/worker/ScanJob.h"
#include "pages/ModeGlobals.h"
#include "pages/imaging/ImagingTargets.h"
#include "pages/source/SourceNext.h"
#include "saving/imaging/DiskImageWorker.h"
#include "saving/imaging/ImageGlobals.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "tests/core/pages/source/SourceTestUtil.h"

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kDiskSectors = 2048;

class QuietObserver final : public ScanObserver {
 public:
  void OnProgress(const ScanProgress&) override {}
  void OnDetailText(std::string_view) override {}
  void OnBar(int) override {}
};

class ChosenDiskTest : public source_test::SourceTest {
 protected:
  void SetUp() override {
    SourceTest::SetUp();
    fs::create_directories(m_Dir.path() + "/sys/block");
    fs::create_directories(m_Dir.path() + "/dev");
    m_Tree.SetHooks(&m_Selection);
  }
  void TearDown() override {
    ResetDeviceHandleCache();
    SourceTest::TearDown();
  }
  // A whole disk of the made-up machine: its sysfs folder and its node, every byte `fill`.
  void Plug(const std::string& name, char fill) {
    const std::string sys = m_Dir.path() + "/sys/block/" + name;
    fs::create_directories(sys + "/device");
    std::ofstream(sys + "/size") << kDiskSectors << "\n";
    std::ofstream(sys + "/device/model") << "Disk " << fill << "\n";
    std::ofstream(Node(name), std::ios::binary) << std::string(kDiskSectors * 512, fill);
  }
  void Unplug(const std::string& name) { fs::remove_all(m_Dir.path() + "/sys/block/" + name); }
  std::string Node(const std::string& name) const { return m_Dir.path() + "/dev/" + name; }
  static bool AllBytes(const std::string& path, char fill) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    return bytes.size() == kDiskSectors * 512 && bytes.find_first_not_of(fill) == std::string::npos;
  }
  TreeItem Child(TreeItem parent, const std::string& text) const {
    for (TreeItem c = m_Tree.FirstChild(parent); c != kNoItem; c = m_Tree.NextSibling(c))
      if (m_Tree.Text(c) == text) return c;
    return kNoItem;
  }
  void Click(TreeItem item) { m_Tree.Click(item, FolderTreeModel::ClickPart::Label); }
  void Mode(int button) { ApplyModeButton(*ValuesOfModeButton(button)); }
  DiskImageResult Image() {
    ScanControl control;
    QuietObserver observer;
    ScanJob job{control, observer, ProgressThrottle(ProgressThrottle::kImagePeriod)};
    return DiskImageThread(job);
  }
  int Count(std::string_view text) const {
    return static_cast<int>(std::count(m_Prompts.notices.begin(), m_Prompts.notices.end(), text));
  }

  FolderTreeModel m_Tree;
  source_test::RecordingView m_View;
  FixedDriveCatalogue m_Drives{{}};
  SourceSelection m_Selection{m_Tree, m_View, m_Drives};
};

TEST_F(ChosenDiskTest, ASourceWhoseNameNowNamesAnotherDiskIsRefusedUnread) {
  Plug("sda", 'A');
  Plug("sdb", 'B');
  Mode(kIdDeletedButton);
  ASSERT_TRUE(m_Selection.EnumerateSources(kDeletedDataRecovery));
  Click(Child(m_Tree.RootItem(), "Disk1"));
  ASSERT_EQ(g_SourceName, "Disk1");
  // The disk chosen reads as itself.
  std::vector<std::byte> sector(512);
  ASSERT_EQ(ReadSectors("\\\\.\\PhysicalDrive1", 0, 1, sector), 1);
  EXPECT_EQ(sector[0], std::byte{'B'});

  // sda is unplugged and sdc plugged in: "Disk1" is now sdc.
  Unplug("sda");
  Plug("sdc", 'C');
  ResetDeviceHandleCache();
  EXPECT_EQ(CheckSourceNext({}), SourceNextStep::Refused);
  EXPECT_EQ(m_Prompts.notices, std::vector<std::string>{std::string(kChosenDiskChangedText)});

  // A worker's reads get zeros and one notice, however many runs it reads.
  m_Prompts.notices.clear();
  for (int i = 0; i < 3; ++i) {
    std::fill(sector.begin(), sector.end(), std::byte{0x55});
    EXPECT_EQ(ReadSectors("\\\\.\\PhysicalDrive1", i, 1, sector), 0);
    EXPECT_EQ(std::count(sector.begin(), sector.end(), std::byte{0}), 512);
  }
  EXPECT_EQ(Count(kChosenDiskChangedText), 1);

  // Imaging it into a folder says so and creates nothing.
  m_Prompts.notices.clear();
  g_CurrentDevice = 1;
  g_SourceStartSector = 0;
  g_SourceEndSector = 64;
  g_ImageToDisk = 0;
  g_ImagePath = m_Dir.path() + "/out/DiskImage.dmg";
  fs::create_directories(m_Dir.path() + "/out");
  const DiskImageResult r = Image();
  EXPECT_FALSE(r.success);
  EXPECT_EQ(m_Prompts.notices, std::vector<std::string>{std::string(kChosenDiskChangedText)});
  EXPECT_TRUE(fs::is_empty(m_Dir.path() + "/out"));
  EXPECT_TRUE(AllBytes(Node("sdc"), 'C'));

  // Chosen again from a new listing, the disk under the name is read.
  ASSERT_TRUE(m_Selection.EnumerateSources(kDeletedDataRecovery));
  Click(Child(m_Tree.RootItem(), "Disk1"));
  ASSERT_EQ(ReadSectors("\\\\.\\PhysicalDrive1", 0, 1, sector), 1);
  EXPECT_EQ(sector[0], std::byte{'C'});
}

TEST_F(ChosenDiskTest, AnImagingTargetWhoseNameNowNamesAnotherDiskIsNeverWritten) {
  Plug("sda", 'A');
  Plug("sdb", 'B');
  Mode(kIdCreateImageButton);
  ASSERT_TRUE(m_Selection.EnumerateSources(kCreateDiskImage));
  Click(Child(m_Tree.RootItem(), "Disk0"));
  ASSERT_EQ(CheckSourceNext({"0", "64", 3}), SourceNextStep::Imaging);
  const TargetDiskList targets = ImagingTargetDisks(nullptr);
  ASSERT_EQ(targets.disks.size(), 1u);
  EXPECT_EQ(targets.disks[0].name, "Disk1");
  EXPECT_EQ(targets.disks[0].node, Node("sdb"));
  ChooseImagingTarget(targets.disks[0]);

  // sdb is unplugged and sdc plugged in (sdaa too, which sorts after them): "Disk1" is now sdc.
  Plug("sdaa", 'D');
  Unplug("sdb");
  Plug("sdc", 'C');
  const DiskImageResult r = Image();
  EXPECT_FALSE(r.success);
  EXPECT_EQ(m_Prompts.notices, std::vector<std::string>{std::string(kChosenDiskChangedText)});
  EXPECT_TRUE(AllBytes(Node("sdc"), 'C'));
  EXPECT_TRUE(AllBytes(Node("sdb"), 'B'));
  EXPECT_TRUE(AllBytes(Node("sdaa"), 'D'));

  // The sector writer refuses it too, block by block.
  std::vector<std::byte> data(512, std::byte{0x11});
  EXPECT_EQ(WriteSectors("\\\\.\\PhysicalDrive1", 0, 1, data), 0);
  EXPECT_TRUE(AllBytes(Node("sdc"), 'C'));
}

TEST_F(ChosenDiskTest, ADiskRefusedForLackOfRightsSaysSoOnceAndAtNext) {
  Plug("sda", 'A');
  MapDeviceToFactory("\\\\.\\PhysicalDrive0", [](DeviceAccess) -> std::unique_ptr<RawDevice> {
    errno = EACCES;
    return nullptr;
  });
  Mode(kIdDeletedButton);
  ASSERT_TRUE(m_Selection.EnumerateSources(kDeletedDataRecovery));
  // Listed with its size, and with the reason instead of looking like a disk without partitions.
  const TreeItem disk = Child(m_Tree.RootItem(), "Disk0");
  ASSERT_NE(disk, kNoItem);
  ASSERT_NE(Child(disk, std::string(kNeedsRightsNodeText)), kNoItem);
  m_Selection.TellDisksRefusedForRights();
  m_Selection.TellDisksRefusedForRights();
  EXPECT_EQ(m_Prompts.notices, std::vector<std::string>{std::string(kNeedsRightsText)});
  Click(disk);
  EXPECT_EQ(CheckSourceNext({}), SourceNextStep::Refused);
  EXPECT_EQ(m_Prompts.notices.back(), kNeedsRightsText);
  // The reason's node chooses nothing.
  Click(Child(disk, std::string(kNeedsRightsNodeText)));
  EXPECT_EQ(CheckSourceNext({}), SourceNextStep::Refused);
  EXPECT_EQ(m_Prompts.notices.back(), kSelectPhysicalDiskText);
}

}  // namespace
