// Next on the source page without a window: each refusal on the state that causes it, in the
// order the checks are made, and the page each mode hands over to.
#include <gtest/gtest.h>

#include "engine/records/ScanState.h"
#include "pages/ModeGlobals.h"
#include "pages/source/SourceNext.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "tests/core/pages/source/SourceTestUtil.h"

namespace {

bool Opens() {
  return true;
}
bool NeverOpens() {
  return false;
}
int Detects() {
  return 1;
}
int NeverDetects() {
  return 0;
}

class SourceNextTest : public source_test::SourceTest {
 protected:
  void Mode(int32_t mode) {
    ApplyModeButton(*ValuesOfModeButton(mode == kDeletedDataRecovery     ? kIdDeletedButton
                                        : mode == kPartitionDataRecovery ? kIdPartitionButton
                                                                         : kIdCreateImageButton));
  }
  // A partition of disk 0 chosen in the tree.
  static void ChoosePartition(FileSystemKind kind, int64_t start, int64_t end) {
    g_SourceName = "Disk0";
    g_FileSystemName = kind;
    g_SourceStartSector = start;
    g_SourceEndSector = end;
  }
  std::string Told() const { return m_Prompts.notices.empty() ? "" : m_Prompts.notices.back(); }
};

TEST_F(SourceNextTest, NamesThatAreNoSourceAreRefusedFirst) {
  Mode(kDeletedDataRecovery);
  const std::pair<std::string, std::string_view> cases[] = {
      {"", kSelectLogicalDriveText},
      {"Logical Drives", kSelectLogicalDriveText},
      {"Physical Disks", kSelectPhysicalDiskText},
      {"Virtual Disks", kSelectPhysicalDiskText},
      {"Disk Image", kSelectDiskImageText},
      {"Disk99", kSelectPhysicalDiskText},
      {"Stray text", kSelectLogicalDriveText},
  };
  for (const auto& [name, text] : cases) {
    // Even a valid range and file system left by an earlier choice do not let them through.
    ChoosePartition(FileSystemKind::Ntfs, 2048, 4096);
    g_SourceName = name;
    g_BadSectorChoice = 3;
    EXPECT_EQ(CheckSourceNext({}, Opens, Detects), SourceNextStep::Refused) << name;
    EXPECT_EQ(Told(), text) << name;
    EXPECT_EQ(g_BadSectorChoice.load(), 0);
  }
}

TEST_F(SourceNextTest, VolumeModesCheckTypeRangeDeviceAndBootSectorInThatOrder) {
  Mode(kDeletedDataRecovery);
  struct Case {
    FileSystemKind kind;
    int64_t start, end;
    bool (*opens)();
    int (*detects)();
    std::string_view told;  // empty: the analysis page runs
  } const cases[] = {
      {FileSystemKind::Unknown, 63, 1000, NeverOpens, NeverDetects, kSelectPartitionTypeText},
      {FileSystemKind::Fat12, 63, 1000, NeverOpens, NeverDetects, kSelectPartitionTypeText},
      {FileSystemKind::Ntfs, 1000, 1000, NeverOpens, NeverDetects, kEndAfterStartText},
      {FileSystemKind::Fat32, 2048, 4096, NeverOpens, NeverDetects, kCannotOpenSourceText},
      {FileSystemKind::Fat16, 2048, 4096, Opens, NeverDetects, kCannotReadFileSystemText},
      {FileSystemKind::Ntfs, 2048, 4096, Opens, Detects, ""},
  };
  for (const Case& c : cases) {
    m_Prompts.notices.clear();
    ChoosePartition(c.kind, c.start, c.end);
    g_PartitionMode = 1;
    const SourceNextStep step = CheckSourceNext({}, c.opens, c.detects);
    if (c.told.empty()) {
      EXPECT_EQ(step, SourceNextStep::Analysis);
      EXPECT_TRUE(m_Prompts.notices.empty());
      EXPECT_EQ(g_PartitionMode.load(), 0);
      EXPECT_EQ(g_PartitionPass.load(), 0);
    } else {
      EXPECT_EQ(step, SourceNextStep::Refused) << c.told;
      EXPECT_EQ(m_Prompts.notices, std::vector<std::string>{std::string(c.told)});
    }
  }
}

TEST_F(SourceNextTest, TheRealChecksRefuseAMissingDiskAndAVolumeWithoutBootSector) {
  if (!HaveFixtures()) GTEST_SKIP() << "fixture disks not built (tests/fixtures/build-all.sh)";
  Mode(kDeletedDataRecovery);
  // Disk 3 has no device behind it.
  ChoosePartition(FileSystemKind::Ntfs, 75776, 92160);
  g_SourceName = "Disk3";
  EXPECT_EQ(CheckSourceNext({}), SourceNextStep::Refused);
  EXPECT_EQ(Told(), kCannotOpenSourceText);
  // Disk 0 is the fixture; its NTFS partition reads, a range that holds no NTFS boot sector not.
  MapDeviceToFile("\\\\.\\PhysicalDrive0", source_test::kMbrDisk);
  ChoosePartition(FileSystemKind::Ntfs, 75776, 92160);
  EXPECT_EQ(CheckSourceNext({}), SourceNextStep::Analysis);
  ChoosePartition(FileSystemKind::Ntfs, 2048, 75776);  // the FAT32 partition
  EXPECT_EQ(CheckSourceNext({}), SourceNextStep::Refused);
  EXPECT_EQ(Told(), kCannotReadFileSystemText);
  EXPECT_EQ(DevicePathAt(0), "\\\\.\\PhysicalDrive0");
  EXPECT_EQ(g_CurrentDevice, 0);
}

TEST_F(SourceNextTest, RangeModesReadTheEditsAndTheCombo) {
  struct Case {
    int32_t mode;
    SourceRangeInput range;
    std::string_view told;  // empty: the step runs
    SourceNextStep step;
  } const cases[] = {
      {kPartitionDataRecovery, {"abc", "100", 2}, kStartNotValidText, SourceNextStep::Refused},
      {kPartitionDataRecovery, {"-5", "100", 2}, kStartNotValidText, SourceNextStep::Refused},
      {kPartitionDataRecovery, {"", "100", 2}, kStartNotValidText, SourceNextStep::Refused},
      {kPartitionDataRecovery, {"10", "1e3", 2}, kEndNotValidText, SourceNextStep::Refused},
      {kPartitionDataRecovery,
       {"10", "999999999999999999999", 2},
       kEndNotValidText,
       SourceNextStep::Refused},
      {kPartitionDataRecovery, {"100", "100", 2}, kRangeEndAfterStartText, SourceNextStep::Refused},
      {kPartitionDataRecovery, {"100", "200", 3}, kRangePartitionTypeText, SourceNextStep::Refused},
      {kPartitionDataRecovery, {" 100 ", "200", 0}, "", SourceNextStep::PartitionSearch},
      {kCreateDiskImage, {"0", "200", 3}, "", SourceNextStep::Imaging},
  };
  for (const Case& c : cases) {
    Mode(c.mode);
    m_Prompts.notices.clear();
    ChoosePartition(FileSystemKind::Ntfs, 1, 2);
    EXPECT_EQ(CheckSourceNext(c.range, Opens, NeverDetects), c.step) << c.range.start;
    if (c.told.empty())
      EXPECT_TRUE(m_Prompts.notices.empty()) << c.range.start;
    else
      EXPECT_EQ(m_Prompts.notices, std::vector<std::string>{std::string(c.told)});
    EXPECT_EQ(g_PartitionMode.load(), 1);
  }
  // The combo's choice becomes the file system; UNKNOWN in imaging keeps the one there was.
  EXPECT_EQ(g_FileSystemName, FileSystemKind::Ntfs);
  Mode(kPartitionDataRecovery);
  CheckSourceNext({"100", "200", 0}, Opens, NeverDetects);
  EXPECT_EQ(g_FileSystemName, FileSystemKind::Fat16);
  CheckSourceNext({"100", "200", 1}, Opens, NeverDetects);
  EXPECT_EQ(g_FileSystemName, FileSystemKind::Fat32);
  // A device that cannot be opened is said before the search starts.
  m_Prompts.notices.clear();
  EXPECT_EQ(CheckSourceNext({"100", "200", 1}, NeverOpens, NeverDetects), SourceNextStep::Refused);
  EXPECT_EQ(Told(), kCannotOpenSourceText);
}

TEST_F(SourceNextTest, ImagingRangesAreSixtyFourBit) {
  // The scan modes take 32-bit volume starts only (VolumeLimit_test); an image is copied in 64.
  Mode(kCreateDiskImage);
  ChoosePartition(FileSystemKind::Ntfs, 1, 2);
  EXPECT_EQ(CheckSourceNext({"5000000000", "8589934592", 2}, Opens, NeverDetects),
            SourceNextStep::Imaging);
  EXPECT_EQ(g_SourceStartSector, 5000000000);
  EXPECT_EQ(g_SourceEndSector, 8589934592);
  EXPECT_EQ(ParseSectorNumber(std::to_string(kMaxSourceSector)), kMaxSourceSector);
  EXPECT_EQ(ParseSectorNumber(std::to_string(kMaxSourceSector + 1)), std::nullopt);
}

TEST_F(SourceNextTest, TheDevicePathComesFromTheName) {
  struct Case {
    std::string name;
    bool ok;
    std::string_view path;
    int device;
    char letter;
  } const cases[] = {
      {"Disk3", true, "\\\\.\\PhysicalDrive0", 3, 0},
      {"disk12", true, "\\\\.\\PhysicalDrive0", 12, 0},
      {"Data (E:)", true, "\\\\.\\E:", 0, 'E'},
      {"Disk", false, "", 0, 0},
      {"Disk3x", false, "", 0, 0},
      {"Local Disk (1:)", false, "", 0, 0},
  };
  for (const Case& c : cases) {
    ResetSourceGlobals();
    g_SourceName = c.name;
    EXPECT_EQ(SetDevicePathFromSelection(), c.ok) << c.name;
    if (!c.ok) continue;
    EXPECT_EQ(DevicePathAt(0), c.path) << c.name;
    EXPECT_EQ(g_CurrentDevice, c.device) << c.name;
    EXPECT_EQ(g_SourceDriveLetter, c.letter) << c.name;
  }
}

}  // namespace
