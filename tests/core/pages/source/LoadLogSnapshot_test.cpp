// A loaded log's header overwrites the source choice; the snapshot taken before gives the source
// page its own choice back.
#include <gtest/gtest.h>

#include "engine/records/ScanState.h"
#include "engine/scanlog/ScanLogHeader.h"
#include "pages/source/LoadLogSnapshot.h"
#include "saving/ProgramState.h"
#include "widgets/AppGlobals.h"
#include "widgets/LookGlobals.h"

namespace {

TEST(LoadLogSnapshot, RestoresTheTreesChoiceAfterALogsHeaderWasApplied) {
  ResetProgramState();
  ASSERT_TRUE(SetDevicePath(0, "\\\\.\\PhysicalDrive3"));
  g_CurrentDevice = 0;
  g_BytesPerSector = 4096;
  g_SourceStartSector = 2048;
  g_SourceEndSector = 99999;
  g_FileSystemName = FileSystemKind::Fat32;
  g_SelectedDiskNumber = 3;
  g_SelectedPartitionIndex = 1;
  g_SourceNodeText = "Partition 2";
  g_VolumeGeometry.Fat1StartSector = 2080;
  g_ScanState.recoveryMode = 1;
  g_AppTitle = "title - Deleted Data Recovery";
  const SourceSnapshot before = TakeSourceSnapshot();

  ScanLogHeader log;
  log.style = 1;
  log.bytesPerSector = 512;
  log.selectedDiskNumber = 0;
  log.selectedPartitionIndex = 0;
  log.fileSystemName = u"NTFS";
  log.scanFileSystemName = u"NTFS";
  log.startSector = 63;
  log.endSector = 4000;
  log.partitionMode = 1;
  log.volumeGeometry.MftStartSector = 700;
  ApplyScanLogHeader(log, "/tmp/some.kvsl");
  ASSERT_EQ(g_ScanState.recoveryMode, 3);
  ASSERT_EQ(g_SourceStartSector, 63);
  g_AppTitle = LoadedLogTitle(g_ScanState.recoveryMode);
  EXPECT_EQ(g_AppTitle, g_AppTitleCopy + " - Partition Data Recovery");

  RestoreSourceSnapshot(before);
  EXPECT_EQ(CurrentDevicePath(), "\\\\.\\PhysicalDrive3");
  EXPECT_EQ(g_BytesPerSector, 4096);
  EXPECT_EQ(g_SourceStartSector, 2048);
  EXPECT_EQ(g_SourceEndSector, 99999);
  EXPECT_EQ(g_FileSystemName, FileSystemKind::Fat32);
  EXPECT_EQ(g_SelectedDiskNumber, 3);
  EXPECT_EQ(g_SelectedPartitionIndex, 1);
  EXPECT_EQ(g_SourceNodeText, "Partition 2");
  EXPECT_EQ(g_VolumeGeometry.Fat1StartSector, 2080u);
  EXPECT_EQ(g_VolumeGeometry.MftStartSector, 0u);
  EXPECT_EQ(g_ScanState.recoveryMode, 1);
  EXPECT_EQ(g_ScanState.partitionStyle, 0);
  EXPECT_EQ(g_PartitionMode.load(), 0);
  EXPECT_EQ(g_AppTitle, "title - Deleted Data Recovery");
  ResetProgramState();
}

}  // namespace
