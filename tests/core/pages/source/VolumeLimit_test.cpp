// Volumes past sector 2^32: on a sparse GPT disk of a little over 2 TiB with a FAT16 volume on
// each side of that sector, the volume below is chosen and scanned in every scan mode, and the
// one above is refused at Next with words that name the limit, never scanned at a wrapped
// sector. The range boxes refuse a number that does not fit.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "engine/records/RecordName.h"
#include "engine/records/ScanState.h"
#include "engine/scans/ScanSelect.h"
#include "pages/ModeGlobals.h"
#include "pages/analysis/AnalysisFlow.h"
#include "pages/source/SourceNext.h"
#include "storage/SourceGlobals.h"
#include "tests/core/pages/source/SourceTestUtil.h"

namespace {

const std::string kLargeDisk = source_test::kFixtures + "/disks/gpt-2tb.img";

class QuietObserver final : public ScanObserver {
 public:
  void OnProgress(const ScanProgress&) override {}
  void OnDetailText(std::string_view) override {}
  void OnBar(int) override {}
};

class VolumeLimitTest : public source_test::SourceTest {
 protected:
  void SetUp() override {
    SourceTest::SetUp();
    if (!std::filesystem::exists(kLargeDisk))
      GTEST_SKIP() << "fixture " << kLargeDisk << " not built";
    MapDeviceToFile("\\\\.\\PhysicalDrive0", kLargeDisk);
    m_Tree.SetHooks(&m_Selection);
  }
  TreeItem Child(TreeItem parent, const std::string& text) const {
    for (TreeItem c = m_Tree.FirstChild(parent); c != kNoItem; c = m_Tree.NextSibling(c))
      if (m_Tree.Text(c) == text) return c;
    return kNoItem;
  }
  // A click on partition `number` of Disk0 in a fresh listing of mode `button`, and Next with
  // the range boxes as the page fills them.
  SourceNextStep ChooseAndNext(int button, int number) {
    ApplyModeButton(*ValuesOfModeButton(button));
    EXPECT_TRUE(m_Selection.EnumerateSources(g_ScanState.recoveryMode));
    const TreeItem partition = Child(Child(m_Tree.RootItem(), "Disk0"),
                                     "Partition - " + std::to_string(number) + " ( FAT16 )");
    EXPECT_NE(partition, kNoItem);
    m_Tree.Click(partition, FolderTreeModel::ClickPart::Label);
    m_Prompts.notices.clear();
    return CheckSourceNext(
        {std::to_string(g_SourceStartSector), std::to_string(g_SourceEndSector), 0},
        SourceCanBeOpened, nullptr);
  }
  // The names the scan of the chosen volume finds.
  static std::set<std::string> Scan() {
    ScanControl control;
    QuietObserver observer;
    ScanJob job{control, observer};
    PrepareScanState();
    const ScanThreadFn worker = SelectScanThread(g_FileSystemName);
    EXPECT_NE(worker, nullptr);
    if (!worker) return {};
    EXPECT_EQ(worker(job), ScanEnd::Finished);
    std::set<std::string> names;
    for (const FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
      names.insert(Utf16ToUtf8(RecordName(*f)));
    return names;
  }

  FolderTreeModel m_Tree;
  source_test::RecordingView m_View;
  FixedDriveCatalogue m_Drives{{}};
  SourceSelection m_Selection{m_Tree, m_View, m_Drives};
};

TEST_F(VolumeLimitTest, TheVolumeBelowIsScannedAndTheOneAboveIsRefusedInEveryScanMode) {
  for (int button : {kIdDeletedButton, kIdFormattedButton}) {
    ASSERT_EQ(ChooseAndNext(button, 1), SourceNextStep::Analysis) << button;
    EXPECT_EQ(g_SourceStartSector, 2048);
    const std::set<std::string> found = Scan();
    EXPECT_EQ(found, (std::set<std::string>{"KEPT.TXT", "_ELETED.TXT"})) << button;
    ASSERT_EQ(ChooseAndNext(button, 2), SourceNextStep::Refused) << button;
    EXPECT_EQ(m_Prompts.notices, std::vector<std::string>{std::string(kVolumeBeyondLimitText)});
  }
  EXPECT_EQ(ChooseAndNext(kIdPartitionButton, 1), SourceNextStep::PartitionSearch);
  EXPECT_EQ(g_SourceStartSector, 2048);
  ASSERT_EQ(ChooseAndNext(kIdPartitionButton, 2), SourceNextStep::Refused);
  EXPECT_EQ(m_Prompts.notices, std::vector<std::string>{std::string(kVolumeBeyondLimitText)});
}

TEST_F(VolumeLimitTest, RangeNumbersThatDoNotFitAreNotValid) {
  ApplyModeButton(*ValuesOfModeButton(kIdPartitionButton));
  ASSERT_TRUE(m_Selection.EnumerateSources(g_ScanState.recoveryMode));
  m_Tree.Click(Child(m_Tree.RootItem(), "Disk0"), FolderTreeModel::ClickPart::Label);
  struct Case {
    const char* start;
    const char* end;
    std::string_view told;
  } const cases[] = {
      {"99999999999", "99999999999", kStartNotValidText},
      {"4294967296", "4294968000", kStartNotValidText},
      {"2048", "99999999999", kEndNotValidText},
  };
  for (const Case& c : cases) {
    m_Prompts.notices.clear();
    EXPECT_EQ(CheckSourceNext({c.start, c.end, 0}, SourceCanBeOpened, nullptr),
              SourceNextStep::Refused)
        << c.start;
    EXPECT_EQ(m_Prompts.notices, std::vector<std::string>{std::string(c.told)}) << c.start;
  }
  // The last sector that fits is taken; the whole disk as the page fills it is searched up to
  // the limit.
  m_Prompts.notices.clear();
  EXPECT_EQ(CheckSourceNext({"2048", "4294967296", 0}, SourceCanBeOpened, nullptr),
            SourceNextStep::PartitionSearch);
  m_Tree.Click(Child(m_Tree.RootItem(), "Disk0"), FolderTreeModel::ClickPart::Label);
  EXPECT_EQ(
      CheckSourceNext({std::to_string(g_SourceStartSector), std::to_string(g_SourceEndSector), 0},
                      SourceCanBeOpened, nullptr),
      SourceNextStep::PartitionSearch);
  EXPECT_EQ(g_SourceEndSector, int64_t{1} << 32);
  EXPECT_TRUE(m_Prompts.notices.empty());
}

}  // namespace
