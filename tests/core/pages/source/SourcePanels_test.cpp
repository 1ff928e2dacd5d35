// The texts of the source page's panels and the pieces of its charts, and the logical drives'
// names as the tree shows them and the system describes them.
#include <gtest/gtest.h>

#include "pages/source/LogicalDrives.h"
#include "pages/source/SourcePanels.h"
#include "storage/partitions/DiskPartitions.h"

namespace {

TEST(SourcePanels, LinesOfEachPanel) {
  StoredDiskGeometry disk;
  disk.model = "QEMU HARDDISK";
  disk.mediaType = "Fixed hard disk media";
  disk.sizeBytes = 3ull << 30;
  EXPECT_EQ(
      DiskInfoLines(2, disk),
      (std::vector<std::string>{"Physical Disk Number : 2", "Model   : QEMU HARDDISK",
                                "Media Type   : Fixed hard disk media", "Disk Size  : 3.0 GB"}));
  EXPECT_EQ(PartitionInfoLines(FileSystemKind::Ntfs, 2048, 2048 + 16384, 512),
            (std::vector<std::string>{"Partition Type   : NTFS", "Start Sector     : 2048",
                                      "End Sector       : 18432", "Partition Size   : 8.0 MB"}));
  LogicalDrive drive{'D', "Data", "vfat", 10ull << 20, 4ull << 20};
  EXPECT_EQ(
      VolumeInfoLines(drive, "FAT32"),
      (std::vector<std::string>{"Volume Name : Data", "File System : FAT32", "Capacity : 10.0 MB",
                                "Used Space : 6.0 MB", "Free Space : 4.0 MB"}));
  // 2022-03-07 was a Monday; 2000-02-29 a Tuesday; the date is the one in UTC.
  // Each unit from its own power on: exactly 1 GiB reads "1.0 GB", 1 MiB "1.0 MB".
  disk.sizeBytes = 1ull << 30;
  EXPECT_EQ(DiskInfoLines(0, disk)[3], "Disk Size  : 1.0 GB");
  EXPECT_EQ(PartitionInfoLines(FileSystemKind::Fat16, 0, 2048, 512)[3],
            "Partition Size   : 1.0 MB");
  EXPECT_EQ(VolumeInfoLines({'E', "", "", 1ull << 40, 1ull << 10}, "NTFS")[2], "Capacity : 1.0 TB");
  EXPECT_EQ(VolumeInfoLines({'E', "", "", 1ull << 40, 1ull << 10}, "NTFS")[4],
            "Free Space : 1.0 KB");
  EXPECT_EQ(ImageFileTimesLines(1646611200, 951782400 + 86399, 0),
            (std::vector<std::string>{"Created : Monday, March 7, 2022",
                                      "Accessed : Tuesday, February 29, 2000",
                                      "Modified : Thursday, January 1, 1970"}));
}

TEST(SourcePanels, ChartPieces) {
  ResetDiskPartitions();
  DiskPartitions& block = g_DiskPartitions[3];
  block.count = 2;
  block.entries[0] = {0, 0, 250};
  block.entries[1] = {0, 250, 1000};
  const auto pieces = PartitionChartPieces(3, 1, 2000 * 512, 512);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].label, "Partition 1");
  EXPECT_DOUBLE_EQ(pieces[0].value, 12.5);
  EXPECT_EQ(pieces[0].colour, ArgbFromColorref(0x3FC78D));
  EXPECT_EQ(pieces[1].label, "Selected Partition 2");
  EXPECT_DOUBLE_EQ(pieces[1].value, 37.5);
  // A disk of unknown size gives no share; a bad block number nothing at all.
  EXPECT_EQ(PartitionChartPieces(3, -1, 0, 512)[0].value, 0);
  EXPECT_TRUE(PartitionChartPieces(26, -1, 1, 512).empty());
  ResetDiskPartitions();

  const auto usage = DriveUsageChartPieces(1000, 255);
  ASSERT_EQ(usage.size(), 2u);
  EXPECT_EQ(usage[0].label, "Used Space");
  EXPECT_EQ(usage[0].value, 74);
  EXPECT_EQ(usage[0].colour, 0xFF6E78FDu);
  EXPECT_EQ(usage[1].label, "Free Space");
  EXPECT_EQ(usage[1].value, 25);
  EXPECT_TRUE(DriveUsageChartPieces(0, 0).empty());
  // Whole percent of the byte counts: 40 GB used of 100 GB is 40, on the imaging page 41 and 60.
  constexpr uint64_t kGB = 1000ull * 1000 * 1000;
  EXPECT_EQ(DriveUsageChartPieces(100 * kGB, 60 * kGB)[0].value, 40);
  const auto imaging = DriveUsageChartPieces(100 * kGB, 60 * kGB, 1);
  EXPECT_EQ(imaging[0].value, 41);
  EXPECT_EQ(imaging[1].value, 60);
  // Less than 1 % free leaves a free piece of 0, which the chart refuses.
  EXPECT_EQ(DriveUsageChartPieces(1000, 5, 1)[1].value, 0);
}

TEST(LogicalDrives, NodeTextsAndLetters) {
  EXPECT_EQ(LogicalDriveNodeText({'C', "Data", "", 0, 0}), "Data (C:)");
  EXPECT_EQ(LogicalDriveNodeText({'D', "", "", 0, 0}), "Local Disk (D:)");
  const std::pair<const char*, char> letters[] = {{"Data (C:)", 'C'}, {"x (e:)", 'E'}, {"(B:)", 0},
                                                  {"Disk0", 0},       {"C:)", 0},      {"", 0}};
  for (const auto& [text, letter] : letters) EXPECT_EQ(DriveLetterOfNodeText(text), letter) << text;
}

TEST(LogicalDrives, MountTypesAndLabelNames) {
  const std::string mountinfo =
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "30 22 8:17 / /media/my\\040stick rw - vfat /dev/sdb1 rw,fmask=0022\n"
      "31 22 0:5 / /proc rw - proc proc rw\n"
      "bad line\n";
  EXPECT_EQ(MountFileSystemType(mountinfo, "/"), "ext4");
  EXPECT_EQ(MountFileSystemType(mountinfo, "/media/my stick"), "vfat");
  EXPECT_EQ(MountFileSystemType(mountinfo, "/nowhere"), "");
  EXPECT_EQ(UnescapeLabelName("My\\x20Disk"), "My Disk");
  EXPECT_EQ(UnescapeLabelName("odd\\x2"), "odd\\x2");
  EXPECT_EQ(UnescapeLabelName("\\xzz"), "\\xzz");
}

}  // namespace
