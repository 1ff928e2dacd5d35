// The analysis page's logic without a window: its texts, the progress fields, the elapsed time,
// what follows the worker's end, and the layout.
#include <gtest/gtest.h>

#include "engine/records/ScanState.h"
#include "pages/SizeText.h"
#include "pages/analysis/AnalysisFlow.h"
#include "pages/analysis/AnalysisLayout.h"
#include "pages/analysis/AnalysisProgress.h"
#include "pages/analysis/AnalysisTexts.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"

namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;
constexpr uint64_t kGiB = uint64_t{1} << 30;
constexpr uint64_t kTiB = uint64_t{1} << 40;

TEST(SizeText, SwitchesUnitsAtTheirEdges) {
  const std::pair<uint64_t, const char*> three[] = {
      {0, "0.000 MB"},           {kMiB, "1.000 MB"},        {kGiB, "1024.000 MB"},
      {kGiB + 1, "1.000 GB"},    {kTiB, "1024.000 GB"},     {kTiB + 1, "1.000 TB"},
      {3 * kTiB, "3.000 TB"},
  };
  for (const auto& [bytes, text] : three) EXPECT_EQ(SizeTextMbGbTb(bytes), text) << bytes;
  const std::pair<uint64_t, const char*> one[] = {
      {0, "0.0 KB"},        {kMiB, "1024.0 KB"}, {kMiB + 1, "1.0 MB"}, {kGiB, "1024.0 MB"},
      {kGiB + 1, "1.0 GB"}, {kTiB, "1024.0 GB"}, {kTiB + 1, "1.0 TB"},
  };
  for (const auto& [bytes, text] : one) EXPECT_EQ(SizeTextOneDecimal(bytes), text) << bytes;
  // The source page's panels change unit from each power on.
  const std::pair<uint64_t, const char*> from[] = {
      {0, "0.0 KB"},           {kMiB - 1, "1024.0 KB"}, {kMiB, "1.0 MB"},
      {kGiB - 1, "1024.0 MB"}, {kGiB, "1.0 GB"},        {kTiB, "1.0 TB"},
  };
  for (const auto& [bytes, text] : from) EXPECT_EQ(SizeTextOneDecimalFrom(bytes), text) << bytes;
}

TEST(AnalysisTexts, InformationLines) {
  EXPECT_EQ(ModeLineText(1), "Mode     :  Deleted Data Recovery");
  EXPECT_EQ(ModeLineText(5), "Mode     :  Create Disk Image");
  EXPECT_EQ(DeviceLineText("\\\\.\\PhysicalDrive0", false), "Device   :  PhysicalDrive0");
  EXPECT_EQ(DeviceLineText("\\\\.\\C:", false), "Device   :  C:");
  EXPECT_EQ(DeviceLineText("\\\\.\\PhysicalDrive0", true), "Device   :  Virtual Disk");
  EXPECT_EQ(CapacityLineText(63, 63 + 2 * 1024 * 1024, 512), "Capacity :  1024.0 MB");
  EXPECT_EQ(CapacityLineText(100, 50, 512), "Capacity :  0.0 KB");  // an end before the start
  EXPECT_EQ(AnalysisHelpLine(true, false, 0, false), kImagingHelpLine);
  EXPECT_EQ(AnalysisHelpLine(false, true, 0, false), kPartitionHelpLine);
  EXPECT_EQ(AnalysisHelpLine(false, true, 1, false), kDeletedHelpLine);
  EXPECT_EQ(AnalysisHelpLine(false, false, 0, true), kFormattedHelpLine);
  EXPECT_EQ(AnalysisHelpLine(false, false, 0, false), kDeletedHelpLine);
  // The hint under the bar, by what runs.
  EXPECT_EQ(AnalysisHint(true, false, 0),
            "Selecting Hide Progress Details will improve performance.You may");
  EXPECT_EQ(AnalysisHint(false, true, 0),
            "Selecting Hide Progress Details will improve performance.You may return to view "
            "partition");
  EXPECT_EQ(AnalysisHint(false, true, 1), kHideDetailsHint);
  EXPECT_EQ(AnalysisHint(false, false, 0), kHideDetailsHint);
}

TEST(AnalysisTexts, SizeCaptionFollowsTheScanAndTheLog) {
  struct Case {
    FileSystemKind fs;
    bool formatted, partition;
    int pass;
    bool log;
    std::string_view label;
  } const cases[] = {
      {FileSystemKind::Ntfs, false, true, 1, false, ""},
      {FileSystemKind::Ntfs, true, false, 0, false, kIndexesFoundLabel},
      {FileSystemKind::Ntfs, false, true, 0, true, kTotalSizeLabel},
      {FileSystemKind::Ntfs, false, false, 0, false, kTotalSizeLabel},
      {FileSystemKind::Fat32, false, true, 0, false, kCurrentSectorLabel},
      {FileSystemKind::Fat16, true, false, 0, true, kTotalSizeLabel},
      {FileSystemKind::Fat12, false, false, 0, false, kTotalSizeLabel},
      {FileSystemKind::Unknown, false, false, 0, false, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SizeLabelForScan(c.fs, c.formatted, c.partition, c.pass, c.log), c.label)
        << FileSystemKindText(c.fs) << c.formatted << c.partition << c.pass << c.log;
}

TEST(AnalysisProgressView, SizeModeFillsEveryField) {
  AnalysisProgressView view(false, FileSystemKind::Ntfs);
  const AnalysisFieldTexts t = view.Update({3 * kMiB / 2, 4, 9, u"a.txt", 'n'}, 0, 0, 512);
  EXPECT_EQ(t.sizeOrSector, "1.500 MB");
  EXPECT_EQ(t.folders, "4");
  EXPECT_EQ(t.files, "9");
  EXPECT_EQ(t.name, u"a.txt");
  EXPECT_FALSE(t.detail);
}

TEST(AnalysisProgressView, SectorModeChangesOnlyWhatChanged) {
  AnalysisProgressView fat(false, FileSystemKind::Fat32);
  AnalysisFieldTexts t = fat.Update({100, 2, 3, u"Dir1", 'e'}, 0, 5000, 512);
  EXPECT_EQ(t.sizeOrSector, "100/5000");
  EXPECT_EQ(t.folders, "2");
  EXPECT_EQ(t.files, "3");
  EXPECT_EQ(t.name, u"Dir1");
  t = fat.Update({200, 2, 4, u"DIR1", 'e'}, 0, 5000, 512);
  EXPECT_EQ(t.sizeOrSector, "200/5000");
  EXPECT_FALSE(t.folders);  // unchanged count
  EXPECT_EQ(t.files, "4");
  EXPECT_FALSE(t.name);  // the same name in other case

  AnalysisProgressView ntfs(false, FileSystemKind::Ntfs);
  t = ntfs.Update({300, 0, 0, u"", 'e'}, 7, 5000, 512);
  EXPECT_EQ(t.sizeOrSector, "7");  // indexes found
  EXPECT_EQ(t.detail, " Analysing  Sectors :     300/5000");
  t = ntfs.Update({400, 0, 0, u"", 'e'}, 7, 5000, 512);
  EXPECT_FALSE(t.sizeOrSector);
  EXPECT_EQ(t.detail, " Analysing  Sectors :     400/5000");

  // While imaging the sector comes in the folder count and the size is sectors copied.
  AnalysisProgressView image(true, FileSystemKind::None);
  t = image.Update({2048, 4096, 0, u"DiskImage0.dmg", 'e'}, 0, 8192, 512);
  EXPECT_EQ(t.sizeOrSector, "4096/8192");
  EXPECT_EQ(t.folders, "1024.0 KB");
  t = image.Update({0, 4096, 0, u"DiskImage0.dmg", 'e'}, 0, 8192, 512);
  EXPECT_EQ(t.folders, "0");
}

TEST(ElapsedClock, CountsRunningTimeByDivisionAndLeavesPausesOut) {
  ElapsedClock clock;
  clock.Start(1000);
  EXPECT_EQ(ElapsedClock::Text(clock.ElapsedMs(1000 + 61'000)), "0 : 1 : 1");
  EXPECT_EQ(ElapsedClock::Text(clock.ElapsedMs(1000 + 3'725'999)), "1 : 2 : 5");
  clock.Pause(11'000);  // 10 s in
  EXPECT_EQ(clock.ElapsedMs(50'000), 10'000u);
  clock.Resume(71'000);  // a minute paused
  EXPECT_EQ(clock.ElapsedMs(72'500), 11'500u);
  clock.Resume(80'000);  // a second resume changes nothing
  EXPECT_EQ(clock.ElapsedMs(80'000), 19'000u);
}

TEST(AnalysisFlow, WhatFollowsTheWorkersEnd) {
  EXPECT_EQ(AfterWorkerEnds(ScanEnd::Finished), AfterWorker::ShowResults);
  EXPECT_EQ(AfterWorkerEnds(ScanEnd::Stopped), AfterWorker::ShowResults);
  EXPECT_EQ(AfterWorkerEnds(ScanEnd::PassDone), AfterWorker::EndPage);
  EXPECT_EQ(AfterWorkerEnds(ScanEnd::ImageDone), AfterWorker::EndPage);
  EXPECT_EQ(AfterWorkerEnds(ScanEnd::Cancelled), AfterWorker::EndPage);
  EXPECT_EQ(AfterWorkerEnds(ScanEnd::Discard), AfterWorker::DiscardAndEnd);
  EXPECT_EQ(AfterWorkerEnds(ScanEnd::Failed), AfterWorker::StayOpen);
  EXPECT_EQ(ResultAfterResultsPage(ScanEnd::Stopped, {}), 1);
  EXPECT_EQ(ResultAfterResultsPage(ScanEnd::Finished, {}), 2);
  EXPECT_EQ(ResultAfterResultsPage(ScanEnd::Stopped, {.formatted = true}), 2);
}

TEST(AnalysisFlow, PicksTheWorkerAndTheScannedFileSystem) {
  ResetProgramState();
  g_FileSystemName = FileSystemKind::Fat32;
  PrepareScanState();
  EXPECT_EQ(g_ScanState.fileSystem, FileSystemKind::Fat32);
  EXPECT_EQ(SelectAnalysisWorker({}), SelectScanThread(FileSystemKind::Fat32));
  EXPECT_NE(SelectAnalysisWorker({.createImage = true}), nullptr);
  g_FileSystemName = FileSystemKind::Unknown;
  EXPECT_EQ(SelectAnalysisWorker({}), nullptr);
  // A loaded log keeps the file system it names.
  g_LogLoaded = 1;
  g_ScanState.fileSystem = FileSystemKind::Ntfs;
  PrepareScanState();
  EXPECT_EQ(g_ScanState.fileSystem, FileSystemKind::Ntfs);
  ResetProgramState();
}

bool Overlap(const PixelRect& a, const PixelRect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

TEST(AnalysisLayout, NothingOverlapsAndEverythingFits) {
  // The page on a 1280 x 1024 desktop, on a large desktop, and on a 1024 x 768 one.
  for (const auto& [w, h] : {std::pair{1064, 610}, std::pair{2344, 1442}, std::pair{908, 610}}) {
    const AnalysisPageLayout l = LayoutAnalysisPage(w, h, {});
    std::vector<PixelRect> all(l.toolbar.begin(), l.toolbar.end());
    all.insert(all.end(), {l.headingBand, l.stepPicture, l.helpLine, l.stepLine, l.detailLine,
                           l.bar, l.hint});
    all.insert(all.end(), l.infoLines.begin(), l.infoLines.end());
    all.insert(all.end(), l.labels.begin(), l.labels.end());
    all.insert(all.end(), l.values.begin(), l.values.end());
    all.insert(all.end(), l.buttons.begin(), l.buttons.end());
    for (size_t i = 0; i < all.size(); ++i) {
      EXPECT_GE(all[i].x, 0);
      EXPECT_LE(all[i].x + all[i].width, w) << i;
      EXPECT_LE(all[i].y + all[i].height, h) << i;
      for (size_t j = i + 1; j < all.size(); ++j)
        EXPECT_FALSE(Overlap(all[i], all[j])) << w << "x" << h << ": " << i << " and " << j;
    }
  }
}

}  // namespace
