// The source tree without a window: what it lists, and the source-selection globals each kind
// of node writes when clicked or reached with the arrow keys, on fixture disks mapped as physical
// disks, disk image folders made from them and a catalogue of made-up logical drives.
#include <gtest/gtest.h>

#include "pages/ModeGlobals.h"
#include "storage/GeometryStore.h"
#include "storage/SourceGlobals.h"
#include "storage/partitions/DiskPartitions.h"
#include "tests/core/pages/source/SourceTestUtil.h"

namespace {

using source_test::kMbr4kDisk;
using source_test::kMbrDisk;

class SourceSelectionTest : public source_test::SourceTest {
 protected:
  void SetUp() override {
    SourceTest::SetUp();
    if (!HaveFixtures()) GTEST_SKIP() << "fixture disks not built (tests/fixtures/build-all.sh)";
  }
  void List(int mode = kDeletedDataRecovery) { ASSERT_TRUE(m_Selection.EnumerateSources(mode)); }
  std::vector<std::string> Children(TreeItem parent) const {
    std::vector<std::string> texts;
    for (TreeItem c = m_Tree.FirstChild(parent); c != kNoItem; c = m_Tree.NextSibling(c))
      texts.push_back(m_Tree.Text(c));
    return texts;
  }
  TreeItem Child(TreeItem parent, const std::string& text) const {
    for (TreeItem c = m_Tree.FirstChild(parent); c != kNoItem; c = m_Tree.NextSibling(c))
      if (m_Tree.Text(c) == text) return c;
    return kNoItem;
  }
  void Click(TreeItem item) { m_Tree.Click(item, FolderTreeModel::ClickPart::Label); }

  FolderTreeModel m_Tree;
  source_test::RecordingView m_View;
  FixedDriveCatalogue m_Drives{{{'C', "Data", "vfat", 1 << 20, 1 << 18}, {'D', "", "ntfs3", 0, 0}}};
  SourceSelection m_Selection{m_Tree, m_View, m_Drives};
};

TEST_F(SourceSelectionTest, ListsDrivesDisksAndTheirPartitions) {
  MapDeviceToFile("\\\\.\\PhysicalDrive0", kMbrDisk);
  m_Tree.SetHooks(&m_Selection);
  List();
  EXPECT_EQ(Children(m_Tree.ThisPcItem()),
            (std::vector<std::string>{"Physical Disks", "Logical Drives", "Disk Image"}));
  EXPECT_EQ(Children(m_Tree.LogicalDrivesItem()),
            (std::vector<std::string>{"Data (C:)", "Local Disk (D:)"}));
  EXPECT_EQ(Children(m_Tree.RootItem()), std::vector<std::string>{"Disk0"});
  EXPECT_EQ(Children(Child(m_Tree.RootItem(), "Disk0")),
            (std::vector<std::string>{"Partition - 1 ( FAT32 )", "Partition - 2 ( NTFS )",
                                      "Partition - 3 ( FAT16 )", "Partition - 4 ( FAT16 )"}));
  // Disk images cannot be the source of an image.
  List(kCreateDiskImage);
  EXPECT_EQ(Children(m_Tree.ThisPcItem()),
            (std::vector<std::string>{"Physical Disks", "Logical Drives"}));
}

TEST_F(SourceSelectionTest, EachPhysicalNodeWritesItsGlobals) {
  MapDeviceToFile("\\\\.\\PhysicalDrive0", kMbrDisk);
  MapDeviceToFile("\\\\.\\PhysicalDrive1", kMbrDisk);
  m_Tree.SetHooks(&m_Selection);
  List();
  const TreeItem disk1 = Child(m_Tree.RootItem(), "Disk1");

  // A partition: partition 2 (NTFS) of Disk1.
  Click(Child(disk1, "Partition - 2 ( NTFS )"));
  EXPECT_EQ(g_SourceName, "Disk1");
  EXPECT_EQ(g_SourceNodeText, "Partition - 2 ( NTFS )");
  EXPECT_EQ(g_DiskImageSource, 0);
  EXPECT_EQ(g_CurrentDevice, 1);
  EXPECT_EQ(g_SelectedDiskNumber, 1);
  EXPECT_EQ(g_SelectedPartitionIndex, 1);
  EXPECT_EQ(g_SourceStartSector, 75776);
  EXPECT_EQ(g_SourceEndSector, 75776 + 16384);
  EXPECT_EQ(g_FileSystemName, FileSystemKind::Ntfs);
  EXPECT_EQ(DevicePathAt(0), "\\\\.\\PhysicalDrive0");
  EXPECT_EQ(m_View.calls.back(), "partition");

  // The whole disk.
  Click(disk1);
  EXPECT_EQ(g_SourceName, "Disk1");
  EXPECT_EQ(g_SourceNodeText, "");
  EXPECT_EQ(g_SelectedPartitionIndex, -1);
  EXPECT_EQ(g_SourceStartSector, 63);
  EXPECT_EQ(g_SourceEndSector, static_cast<int64_t>(std::filesystem::file_size(kMbrDisk) / 512));
  EXPECT_EQ(g_FileSystemName, FileSystemKind::Unknown);
  EXPECT_EQ(m_View.calls.back(), "disk 1");

  // A group clears the range, the file system and the panel.
  Click(m_Tree.RootItem());
  EXPECT_EQ(g_SourceName, "Physical Disks");
  EXPECT_EQ(g_SourceStartSector, 0);
  EXPECT_EQ(g_SourceEndSector, 0);
  EXPECT_EQ(g_FileSystemName, FileSystemKind::None);
  EXPECT_EQ(m_View.calls.back(), "disk -1");
}

TEST_F(SourceSelectionTest, AWholeDiskIsImagedFromSectorZeroAndScannedFrom63) {
  MapDeviceToFile("\\\\.\\PhysicalDrive0", kMbrDisk);
  m_Tree.SetHooks(&m_Selection);
  for (auto [mode, start] :
       {std::pair{kDeletedDataRecovery, 63}, std::pair{kPartitionDataRecovery, 63},
        std::pair{kCreateDiskImage, 0}}) {
    List(mode);
    Click(Child(m_Tree.RootItem(), "Disk0"));
    EXPECT_EQ(g_SourceStartSector, start) << "mode " << mode;
  }
}

TEST_F(SourceSelectionTest, ALogicalDriveReadsItsOwnBootSector) {
  MapDeviceToFile("\\\\.\\C:", source_test::kFixtures + "/fat/fat16-s8.img");
  m_Tree.SetHooks(&m_Selection);
  List();
  Click(Child(m_Tree.LogicalDrivesItem(), "Data (C:)"));
  EXPECT_EQ(g_SourceName, "Data (C:)");
  EXPECT_EQ(g_SourceDriveLetter, 'C');
  EXPECT_EQ(DevicePathAt(0), "\\\\.\\C:");
  EXPECT_EQ(g_CurrentDevice, 0);
  EXPECT_EQ(g_DiskImageSource, 0);
  EXPECT_EQ(g_FileSystemName, FileSystemKind::Fat16);
  EXPECT_EQ(g_SourceStartSector, 0);
  EXPECT_GT(g_SourceEndSector, 0);
  EXPECT_EQ(m_View.calls.back(), "volume C");
  // A drive without a file system the program reads leaves nothing to scan.
  Click(Child(m_Tree.LogicalDrivesItem(), "Local Disk (D:)"));
  EXPECT_EQ(g_FileSystemName, FileSystemKind::None);
  EXPECT_EQ(g_SourceEndSector, 0);
}

TEST_F(SourceSelectionTest, DiskImageFoldersAreTheirOwnDisks) {
  MapDeviceToFile("\\\\.\\PhysicalDrive0", kMbrDisk);
  SetImagePieceBytesForTest(32 << 20);
  const uint64_t mbrSectors = std::filesystem::file_size(kMbrDisk) / 512;
  const uint64_t mbr4kSectors = std::filesystem::file_size(kMbr4kDisk) / 4096;
  struct Case {
    std::string name;
    std::string folder;
    int32_t bytesPerSector;
    int32_t multiFile;
    uint64_t sectors;
    std::vector<std::string> partitions;
  } const cases[] = {
      {"one piece",
       MakeImageFolder("one", kMbrDisk, 0),
       512,
       0,
       mbrSectors,
       {"Partition - 1 ( FAT32 )", "Partition - 2 ( NTFS )", "Partition - 3 ( FAT16 )",
        "Partition - 4 ( FAT16 )"}},
      {"two pieces",
       MakeImageFolder("two", kMbrDisk, 32 << 20),
       512,
       1,
       mbrSectors,
       {"Partition - 1 ( FAT32 )", "Partition - 2 ( NTFS )", "Partition - 3 ( FAT16 )",
        "Partition - 4 ( FAT16 )"}},
      {"4096-byte sectors",
       MakeImageFolder("k4", kMbr4kDisk, 0, 4096),
       4096,
       0,
       mbr4kSectors,
       {"Partition - 1 ( FAT16 )", "Partition - 2 ( NTFS )"}},
  };
  m_Tree.SetHooks(&m_Selection);
  List();
  int entry = 1;  // Disk0 is the physical disk
  for (const Case& c : cases) {
    m_View.folders = {c.folder};
    Click(m_Tree.DiskImageGroupItem());
    const TreeItem image = Child(m_Tree.DiskImageGroupItem(), c.folder + "/DiskImage0.dmg");
    ASSERT_NE(image, kNoItem) << c.name;
    EXPECT_EQ(Children(image), c.partitions) << c.name;
    EXPECT_EQ(g_SourceName, "Disk" + std::to_string(entry)) << c.name;
    EXPECT_EQ(g_DiskImageSource, 1) << c.name;
    EXPECT_EQ(g_DiskImagePath, c.folder + "/DiskImage0.dmg") << c.name;
    EXPECT_EQ(g_SourceImageFolder, c.folder + "/") << c.name;
    EXPECT_EQ(g_BytesPerSector, c.bytesPerSector) << c.name;
    EXPECT_EQ(g_ImageMultiFile, c.multiFile) << c.name;
    EXPECT_EQ(g_SourceEndSector, static_cast<int64_t>(c.sectors)) << c.name;
    const auto stored = ReadDiskGeometry(entry);
    ASSERT_TRUE(stored) << c.name;
    EXPECT_EQ(stored->kind, "Image");
    EXPECT_EQ(stored->model, "Disk Image");
    ++entry;
  }
  // Back to the first image's last partition after the others were added: its own folder and
  // sector size are read again, and the partition lies where the image has it.
  const TreeItem first = Child(m_Tree.DiskImageGroupItem(), cases[0].folder + "/DiskImage0.dmg");
  Click(Child(first, "Partition - 3 ( FAT16 )"));
  EXPECT_EQ(g_SourceName, "Disk1");
  EXPECT_EQ(g_CurrentDevice, 1);
  EXPECT_EQ(g_SelectedPartitionIndex, 2);
  EXPECT_EQ(g_SourceStartSector, 94208);
  EXPECT_EQ(g_SourceEndSector, 94208 + 8192);
  EXPECT_EQ(g_FileSystemName, FileSystemKind::Fat16);
  EXPECT_EQ(g_SourceImageFolder, cases[0].folder + "/");
  EXPECT_EQ(g_BytesPerSector, 512);
  EXPECT_EQ(g_DiskImageSource, 1);
  // A physical disk afterwards is read as a disk again, in its own sector size.
  Click(Child(Child(m_Tree.RootItem(), "Disk0"), "Partition - 1 ( FAT32 )"));
  EXPECT_EQ(g_DiskImageSource, 0);
  EXPECT_EQ(g_CurrentDevice, 0);
  EXPECT_EQ(g_SourceStartSector, 2048);
}

TEST_F(SourceSelectionTest, ImageNumbersTakeTheFirstFreeEntry) {
  // Disks 0 and 2: the image takes number 1, never the number of a disk that exists.
  MapDeviceToFile("\\\\.\\PhysicalDrive0", kMbrDisk);
  MapDeviceToFile("\\\\.\\PhysicalDrive2", kMbrDisk);
  m_Tree.SetHooks(&m_Selection);
  List();
  m_View.folders = {MakeImageFolder("img", kMbrDisk, 0)};
  Click(m_Tree.DiskImageGroupItem());
  EXPECT_EQ(g_SourceName, "Disk1");
  ASSERT_TRUE(ReadDiskGeometry(2));
  EXPECT_EQ(ReadDiskGeometry(2)->kind, "HDD");
}

TEST_F(SourceSelectionTest, AFolderWithoutAnImageChoosesNothingAndACancelKeepsTheChoice) {
  m_Tree.SetHooks(&m_Selection);
  List();
  const std::string empty = m_Dir.path() + "/empty";
  std::filesystem::create_directories(empty);
  m_View.folders = {empty};
  Click(m_Tree.DiskImageGroupItem());
  EXPECT_EQ(m_Prompts.notices,
            std::vector<std::string>{"Image path not found. Please specify image path."});
  EXPECT_EQ(g_SourceName, "");
  EXPECT_EQ(g_DiskImageSource, 0);
  EXPECT_EQ(m_View.calls.back(), "disk -1");
  // Clicking the node of that folder later does not make it a source.
  Click(Child(m_Tree.DiskImageGroupItem(), empty + "/DiskImage0.dmg"));
  EXPECT_EQ(g_SourceName, "Disk Image");
  // Cancel keeps what was chosen before, and its highlight.
  const TreeItem drive = Child(m_Tree.LogicalDrivesItem(), "Data (C:)");
  Click(drive);
  const std::vector<std::string> shown = m_View.calls;
  Click(m_Tree.DiskImageGroupItem());
  EXPECT_EQ(g_SourceName, "Data (C:)");
  EXPECT_EQ(g_SourceDriveLetter, 'C');
  EXPECT_EQ(m_View.calls, shown);
  EXPECT_EQ(m_Tree.SelectedItem(), drive);
  EXPECT_TRUE(m_Tree.IsExpanded(m_Tree.DiskImageGroupItem()));
  // A bps.dmg that holds no usable sector size refuses the image.
  const std::string bad = MakeImageFolder("bad", kMbrDisk, 0, 1000);
  m_View.folders = {bad};
  Click(m_Tree.DiskImageGroupItem());
  EXPECT_EQ(m_Prompts.notices.back(), kImageSectorSizeText);
  EXPECT_EQ(g_SourceName, "");
}

TEST_F(SourceSelectionTest, ArrowKeysChooseWhatTheyReachAndAddImageFiles) {
  MapDeviceToFile("\\\\.\\PhysicalDrive0", kMbrDisk);
  m_Tree.SetHooks(&m_Selection);
  List();
  // Up or Down onto a partition chooses it as a click does.
  m_Tree.NavigateKey(Child(Child(m_Tree.RootItem(), "Disk0"), "Partition - 2 ( NTFS )"));
  EXPECT_EQ(g_SourceName, "Disk0");
  EXPECT_EQ(g_SelectedPartitionIndex, 1);
  EXPECT_EQ(g_FileSystemName, FileSystemKind::Ntfs);

  // Onto "Disk Image": a piece of one of the program's images is set up like a chosen folder.
  const std::string folder = MakeImageFolder("keyed", kMbrDisk, 0);
  const std::string piece = folder + "/DiskImage0.dmg";
  m_View.files = {piece};
  m_Tree.NavigateKey(m_Tree.DiskImageGroupItem());
  const TreeItem image = Child(m_Tree.DiskImageGroupItem(), piece);
  ASSERT_NE(image, kNoItem);
  EXPECT_EQ(Children(image).size(), 4u);
  EXPECT_EQ(g_SourceName, "Disk1");
  EXPECT_EQ(g_DiskImageSource, 1);
  EXPECT_EQ(g_SourceImageFolder, folder + "/");
  EXPECT_EQ(m_View.calls.back(), "times " + piece);

  // The same file again is refused and asked for again; any other file cannot be a source.
  const std::string other = m_Dir.path() + "/other.dmg";
  std::ofstream(other) << "not an image";
  m_View.files = {piece, other};
  m_Tree.NavigateKey(m_Tree.DiskImageGroupItem());
  EXPECT_EQ(m_Prompts.notices,
            std::vector<std::string>{"Choose different file, This image file already exists."});
  EXPECT_NE(Child(m_Tree.DiskImageGroupItem(), other), kNoItem);
  EXPECT_EQ(g_SourceName, "Disk Image");
  EXPECT_EQ(g_DiskImageSource, 0);
  // "This PC" changes nothing.
  m_Tree.NavigateKey(m_Tree.ThisPcItem());
  EXPECT_EQ(g_SourceName, "Disk Image");
}

TEST_F(SourceSelectionTest, AStoreThatCannotBeWrittenListsNoDisksAndTellsTheUser) {
  MapDeviceToFile("\\\\.\\PhysicalDrive0", kMbrDisk);
  // The store's folder is a file: nothing can be written under it.
  const std::string blocked = m_Dir.path() + "/blocked";
  std::ofstream(blocked) << "x";
  SetRegistryFolder(blocked + "/config");
  m_Tree.SetHooks(&m_Selection);
  EXPECT_FALSE(m_Selection.EnumerateSources(kDeletedDataRecovery));
  ASSERT_EQ(m_Prompts.notices.size(), 1u);
  EXPECT_TRUE(m_Prompts.notices[0].starts_with("Unable to save the disk information in "));
  EXPECT_TRUE(Children(m_Tree.RootItem()).empty());
  EXPECT_EQ(Children(m_Tree.LogicalDrivesItem()).size(), 2u);
}

}  // namespace
