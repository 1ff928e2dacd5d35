// The found-file-systems page after a real partition search over the fixture disk whose MBR is
// zeroed: it lists every file system the search found, a click shows that one's fields, Next runs
// its second pass through the analysis page, Save Log holds Back and Next until the writer ends,
// Back frees every list, and a search that found nothing says so.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/stattext.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PageTestFixture.h"
#include "dialogs/wx/DialogPrompts.h"
#include "dialogs/wx/ViewMsgBox.h"
#include "engine/records/ScanState.h"
#include "pages/analysis/wx/RecoveryAnalysis.h"
#include "pages/foundfs/wx/ExhaustiveDisplayPartitionInformation.h"
#include "pages/wx/SaveScanLogThread.h"
#include "platform/DeviceNamespace.h"
#include "platform/ExitProcess.h"
#include "platform/TextCodec.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"
#include "widgets/AppGlobals.h"
#include "widgets/wx/FolderTreeCtrl.h"
#include "widgets/wx/HoverButton.h"

namespace {

namespace fs = std::filesystem;
using guitest::Script;
using guitest::WhenShown;
using Page = ExhaustiveDisplayPartitionInformation;

const std::string kImage = std::string(MERROWIND_FIXTURE_DIR) + "/disks/mbr-lost.img";

// A real click (the pointer moved there, the button pressed and released) on the row's label.
void ClickLabel(CFolderTreeCtrl* tree, TreeItem item) {
  const wxTreeItemId id = tree->ShowItem(item);
  wxRect rect;
  ASSERT_TRUE(tree->GetBoundingRect(id, rect, true));
  const int y = rect.y + rect.height / 2;
  for (int x = 0; x < rect.GetRight(); ++x) {
    int flags = 0;
    if (tree->HitTest(wxPoint(x, y), flags) == id && (flags & wxTREE_HITTEST_ONITEMLABEL)) {
      guitest::ClickAt(tree, wxPoint(x + 4, y));
      return;
    }
  }
  FAIL() << "no point of the row is its label";
}

std::vector<std::string> Fields(const Page& page) {
  std::vector<std::string> out;
  for (const wxStaticText* v : page.m_Values) out.push_back(v->GetLabel().utf8_string());
  return out;
}

bool FileListHas(std::string_view name) {
  for (const FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
    if (f->ansiName.View() == name || Utf16ToUtf8(f->wideName.View()) == name) return true;
  return false;
}

class FoundFileSystemsPageTest : public guitest::PageTest {
 protected:
  void SetUp() override {
    if (!fs::exists(kImage)) GTEST_SKIP() << "fixture " << kImage << " not built";
    StartPageEnvironment();
    // The whole disk as the source page chooses it for a FAT partition search.
    MapDeviceToFile("\\\\.\\PhysicalDrive0", kImage);
    g_CurrentDevice = 0;
    g_BytesPerSector = 512;
    g_SourceStartSector = 0;
    g_SourceEndSector = static_cast<int64_t>(fs::file_size(kImage) / 512);
    g_FileSystemName = FileSystemKind::Fat12;
    g_PartitionMode = 1;
    g_ScanState.recoveryMode = 3;
  }
  void TearDown() override {
    JoinSaveLogThread();
    PageTest::TearDown();
  }

  // The first pass, run by the analysis page as the source page's Next runs it.
  static void RunFirstPass() {
    RecoveryAnalysis analysis;
    analysis.m_RunResultsPage = [] { return 2; };
    analysis.DoModal();
    ASSERT_EQ(analysis.WorkerEnd(), ScanEnd::PassDone);
  }

  static Page* Running() { return guitest::FindRunningPage<Page>(); }
  static Script::Step OnPage(std::function<void(Page&)> what) {
    return WhenShown<Page>(Running, [what](Page& p) { what(p); });
  }
};

TEST_F(FoundFileSystemsPageTest, ListsTheFoundFileSystemsAndRunsTheChosenOnesSecondPass) {
  RunFirstPass();
  ASSERT_EQ(g_ScanState.partitionCount.load(), 3u);
  int secondPasses = 0;
  bool l5FileFound = false;
  int32_t chosenInSecondPass = 0;
  Script script({
      OnPage([](Page& p) {
        const FolderTreeModel& model = p.m_Tree->Model();
        std::vector<std::string> nodes;
        for (TreeItem i = model.FirstChild(model.RootItem()); i != kNoItem; i = model.NextSibling(i))
          nodes.push_back(model.Text(i));
        EXPECT_EQ(model.Text(model.RootItem()), "File System");
        EXPECT_EQ(nodes, (std::vector<std::string>{"File System 1 - FAT32", "File System 2 - FAT16",
                                                   "File System 3 - FAT12"}));
        EXPECT_EQ(p.GetTitle(), "Software Dovrane Merrowind - Partition Data Recovery");
        EXPECT_EQ(Fields(p), (std::vector<std::string>{"FAT32", "36 MB", "2048", "75776"}));
        EXPECT_EQ(p.ChosenNumber(), 1);
        guitest::SaveScreenshot("foundfs-page");
        ClickLabel(p.m_Tree, p.NodeOf(2));
      }),
      OnPage([](Page& p) {
        EXPECT_EQ(Fields(p), (std::vector<std::string>{"FAT16", "4 MB", "94208", "102400"}));
        EXPECT_EQ(g_SourceNodeText, "File System 2 - FAT16");
        EXPECT_EQ(p.ChosenNumber(), 2);
        // The click highlights the node and leaves the focus on the tree.
        EXPECT_EQ(p.m_Tree->GetItemText(p.m_Tree->GetSelection()), "File System 2 - FAT16");
        EXPECT_EQ(wxWindow::FindFocus(), p.m_Tree);
        guitest::SaveScreenshot("foundfs-page-fat16");
        p.CallAfter([&p] { guitest::ClickButton(p, Page::kIdNext); });
      }),
      // Shown again after the second pass: Back frees every list.
      OnPage([](Page& p) { guitest::ClickButton(p, Page::kIdBack); }),
  });
  Page page;
  page.m_RunAnalysisPage = [&] {
    RecoveryAnalysis analysis;
    analysis.m_RunResultsPage = [&] {
      ++secondPasses;
      chosenInSecondPass = g_ScanState.chosenFileSystem.load();
      l5FileFound = FileListHas("FIRST.TXT");
      return 2;
    };
    return analysis.DoModal();
  };
  EXPECT_EQ(page.DoModal(), 2);
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(secondPasses, 1);
  EXPECT_EQ(chosenInSecondPass, 2);
  EXPECT_TRUE(l5FileFound);
  EXPECT_EQ(g_ScanState.partitionList.head, nullptr);
  EXPECT_EQ(g_ScanState.partitionCount.load(), 0u);
  EXPECT_EQ(g_ScanState.folderList.head, nullptr);
  EXPECT_EQ(g_ScanState.fileList.head, nullptr);
  EXPECT_TRUE(m_Exits.empty());
}

TEST_F(FoundFileSystemsPageTest, SavingALogHoldsBackAndNextUntilTheWriterEnds) {
  RunFirstPass();
  const fs::path log = fs::temp_directory_path() / ("mw-foundfs-" + std::to_string(getpid()));
  fs::remove(log.string() + ".kvsl");
  bool held = false;
  Script script({
      OnPage([&](Page& p) {
        // A writer that has not ended yet: Back and Next do nothing.
        p.m_StartSaveLog = [](Page&) { return true; };
        guitest::ClickButton(p, Page::kIdSaveLog);
        EXPECT_TRUE(p.SavingLog());
        EXPECT_FALSE(p.m_NextButton->IsEnabled());
        EXPECT_FALSE(p.m_BackButton->IsEnabled());
        guitest::ClickButton(p, Page::kIdBack);
        guitest::ClickButton(p, Page::kIdNext);
        held = p.IsRunningModal() && g_ScanState.partitionCount.load() == 3;
        p.OnSaveLogEnded();
        EXPECT_TRUE(p.m_BackButton->IsEnabled());
        // The real writer, on the path the dialog would give.
        p.m_StartSaveLog = [&log](Page& page) {
          return StartSaveScanLog(page, log.string(), [&page] { page.OnSaveLogEnded(); });
        };
        guitest::ClickButton(p, Page::kIdSaveLog);
      }),
      OnPage([](Page& p) {
        if (!p.SavingLog()) guitest::ClickButton(p, Page::kIdBack);
      }),
  });
  Page page;
  page.m_RunAnalysisPage = [] { return 2; };
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_TRUE(held);
  EXPECT_GT(fs::file_size(log.string() + ".kvsl"), 0u);
  fs::remove(log.string() + ".kvsl");
}

TEST_F(FoundFileSystemsPageTest, NothingFoundSaysSoAndHidesNext) {
  Script script({
      WhenShown<ViewMsgBox>([] { return guitest::FindShownDialog<ViewMsgBox>(); },
                            [](ViewMsgBox&) { guitest::SaveScreenshot("foundfs-page-nothing"); }),
      Told(),
      OnPage([](Page& p) {
        EXPECT_FALSE(p.m_NextButton->IsShown());
        // The Data menu's Exit, through the keyboard: the exit question, and No keeps the page.
        wxMenuBar* bar = p.GetMenuBar();
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->GetMenuLabelText(0), "Data");
        EXPECT_TRUE(bar->IsEnabled(WxCommandId(Page::kMenuExit)));
        guitest::ExitThroughTheDataMenu(p, "foundfs-page-data-menu");
      }),
      Answer(wxID_CANCEL),
      OnPage([](Page& p) { guitest::ClickButton(p, Page::kIdBack); }),
  });
  g_PartitionPass = 1;
  Page page;
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(m_Told, std::vector<std::string>{
                        "Software Dovrane has not recognised any partition till now. It is recommended to "
            "complete this process."});
  EXPECT_EQ(g_PartitionPass.load(), 0);
  EXPECT_EQ(m_Asked, std::vector<std::string>{"Do you want to exit."});
  EXPECT_TRUE(m_Exits.empty());
}

}  // namespace
