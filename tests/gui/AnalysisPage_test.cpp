// The analysis page on a real FAT16 image: the scan runs on its worker and hands over to the
// results page; Pause holds it; Stop in deleted-data recovery shows what was found; Back throws
// the lists away; the close box asks to exit; imaging through the page copies the range.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/stattext.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "PageTestUtil.h"
#include "dialogs/wx/DialogPrompts.h"
#include "dialogs/wx/ViewMsgBox.h"
#include "dialogs/wx/ViewQuestionMsg.h"
#include "engine/records/ScanState.h"
#include "pages/SizeText.h"
#include "pages/analysis/AnalysisTexts.h"
#include "pages/analysis/wx/RecoveryAnalysis.h"
#include "platform/DeviceNamespace.h"
#include "platform/ExitProcess.h"
#include "platform/TextCodec.h"
#include "saving/ProgramState.h"
#include "saving/imaging/ImageGlobals.h"
#include "storage/DiskImageFolder.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "widgets/AppGlobals.h"
#include "widgets/wx/GradientProgressCtrl.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

namespace {

namespace fs = std::filesystem;
using guitest::Script;
using guitest::WhenShown;

const std::string kImage = std::string(MERROWIND_FIXTURE_DIR) + "/fat/fat16-s8.img";

class AnalysisPageTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kImage)) GTEST_SKIP() << "fixture " << kImage << " not built";
    guitest::UseBuildBitmaps();
    InitAppGlobals(MERROWIND_BUILD_BITMAP_DIR);
    ResetProgramState();
    InstallDialogPrompts(nullptr);
    m_PreviousExit = SetExitHook([this](int code) { m_Exits.push_back(code); });
    // The FAT16 volume of the fixture as the source page chooses it for deleted-data recovery.
    MapDeviceToFile("\\\\.\\PhysicalDrive0", kImage);
    g_CurrentDevice = 0;
    g_BytesPerSector = 512;
    g_SourceStartSector = 0;
    g_SourceEndSector = static_cast<int64_t>(fs::file_size(kImage) / 512) - 1;
    g_FileSystemName = FileSystemKind::Fat16;
    g_ScanState.recoveryMode = 1;
    ASSERT_EQ(DetectVolumeGeometry(), 1);
  }
  void TearDown() override {
    SetExitHook(m_PreviousExit);
    ShutdownDialogPrompts();
    SetUserPrompts(nullptr);
    ClearDeviceMappings();
    ResetProgramState();
    ResetAppGlobals();
  }

  static RecoveryAnalysis* Page() { return guitest::FindRunningPage<RecoveryAnalysis>(); }
  static ViewQuestionMsg* Question() { return guitest::FindShownDialog<ViewQuestionMsg>(); }
  static ViewMsgBox* Notice() { return guitest::FindShownDialog<ViewMsgBox>(); }

  // Answers the next question with button (wxID_OK is Yes), keeping its text.
  Script::Step Answer(int button) {
    return WhenShown<ViewQuestionMsg>(Question, [this, button](ViewQuestionMsg& box) {
      m_Asked.push_back(box.m_Message.utf8_string());
      guitest::ClickButton(box, button);
    });
  }
  static Script::Step OnPage(std::function<void(RecoveryAnalysis&)> what) {
    return WhenShown<RecoveryAnalysis>(
        Page, [what](RecoveryAnalysis& p) { p.CallAfter([&p, what] { what(p); }); });
  }

  static bool FileListHas(std::string_view name) {
    for (const FileRecord* f = g_ScanState.fileList.head; f; f = f->next)
      if (f->ansiName.View() == name || Utf16ToUtf8(f->wideName.View()) == name) return true;
    return false;
  }

  std::vector<std::string> m_Asked;
  std::vector<int> m_Exits;
  std::function<void(int)> m_PreviousExit;
};

TEST_F(AnalysisPageTest, PausedScanHoldsThenRunsToTheResultsPage) {
  int resultsShown = 0;
  uint32_t filesAtResults = 0;
  bool readmeFound = false;
  Script script({
      WhenShown<RecoveryAnalysis>(Page,
                                  [&](RecoveryAnalysis& page) {
                                    EXPECT_EQ(page.GetTitle(),
                                              "Software Dovrane Merrowind - Deleted Data Recovery");
                                    EXPECT_EQ(page.m_Heading->GetLabel(),
                                              "Software Dovrane analysing. Please wait...");
                                    EXPECT_EQ(page.m_InfoLines[0]->GetLabel(),
                                              "Mode     :  Deleted Data Recovery");
                                    EXPECT_EQ(page.m_InfoLines[1]->GetLabel(),
                                              "Device   :  PhysicalDrive0");
                                    EXPECT_EQ(page.m_Labels[1]->GetLabel().Trim(), "Total Size");
                                    EXPECT_EQ(page.m_PauseButton->GetLabel(), "&Resume");
                                    EXPECT_EQ(page.m_Hint->GetLabel().utf8_string(),
                                              kHideDetailsHint);
                                    // Held at the gate: nothing found yet.
                                    EXPECT_TRUE(page.WorkerRunning());
                                    EXPECT_EQ(g_ScanState.fileCount.load(), 0u);
                                    guitest::SaveScreenshot("analysis-page-paused");
                                    page.OnPauseResume();
                                  }),
  });
  RecoveryAnalysis page;
  page.m_RunResultsPage = [&] {
    ++resultsShown;
    filesAtResults = g_ScanState.fileCount.load();
    readmeFound = FileListHas("README.TXT");
    return 2;
  };
  page.OnPauseResume();  // paused before the worker starts
  EXPECT_EQ(page.DoModal(), 2);
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(resultsShown, 1);
  EXPECT_EQ(page.WorkerEnd(), ScanEnd::Finished);
  EXPECT_GT(filesAtResults, 20u);
  EXPECT_TRUE(readmeFound);
  EXPECT_TRUE(m_Exits.empty());
}

TEST_F(AnalysisPageTest, StopInDeletedRecoveryShowsWhatWasFound) {
  int resultsShown = 0;
  Script script({
      OnPage([](RecoveryAnalysis& p) { p.OnStop(); }),
      Answer(wxID_OK),
  });
  RecoveryAnalysis page;
  page.m_RunResultsPage = [&] {
    ++resultsShown;
    return 2;
  };
  page.OnPauseResume();
  const int result = page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  ASSERT_EQ(m_Asked.size(), 1u);
  EXPECT_EQ(m_Asked[0],
            "Do you want to stop Recovery analysis. This may show incomplete data && you may need "
            "to run this step again.");
  EXPECT_EQ(resultsShown, 1);
  EXPECT_EQ(page.WorkerEnd(), ScanEnd::Stopped);
  EXPECT_EQ(result, 1);
}

TEST_F(AnalysisPageTest, BackWhilePausedAsksThenFreesTheLists) {
  int resultsShown = 0;
  Script script({
      OnPage([](RecoveryAnalysis& p) { guitest::PressKey(p, WXK_ESCAPE); }),
      Answer(wxID_CANCEL),  // No: the page stays, still paused
      OnPage([](RecoveryAnalysis& p) {
        EXPECT_TRUE(p.WorkerRunning());
        EXPECT_FALSE(p.WorkerEnd());
        guitest::ClickButton(p, RecoveryAnalysis::kIdBack);
      }),
      Answer(wxID_OK),
  });
  g_LogLoaded = 0;
  RecoveryAnalysis page;
  page.m_RunResultsPage = [&] {
    ++resultsShown;
    return 2;
  };
  page.OnPauseResume();
  EXPECT_EQ(page.DoModal(), 2);
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(m_Asked, std::vector<std::string>(2, "Do you want to go back to Previous Step."));
  EXPECT_EQ(resultsShown, 0);
  EXPECT_FALSE(page.WorkerRunning());
  EXPECT_EQ(g_ScanState.folderList.head, nullptr);
  EXPECT_EQ(g_ScanState.fileList.head, nullptr);
  EXPECT_EQ(g_ScanState.fileCount.load(), 0u);
}

TEST_F(AnalysisPageTest, CloseBoxAsksToExitTheProduct) {
  Script script({
      OnPage([](RecoveryAnalysis& p) { p.Close(); }),
      Answer(wxID_CANCEL),
      OnPage([](RecoveryAnalysis& p) { p.Close(); }),
      Answer(wxID_OK),
      OnPage([](RecoveryAnalysis& p) { p.EndDialog(2); }),
  });
  RecoveryAnalysis page;
  page.m_RunResultsPage = [] { return 2; };
  page.OnPauseResume();
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(m_Asked, std::vector<std::string>(2, "Do you want to exit from Quarvel."));
  EXPECT_EQ(m_Exits, std::vector<int>{0});
}

TEST_F(AnalysisPageTest, ImagingThroughThePageCopiesTheRangeIntoPieces) {
  const fs::path dir = fs::temp_directory_path() / ("mw-analysis-image-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  // Pieces of 1 MiB so that the 20 MiB image makes several.
  SetImagePieceBytesForTest(1 << 20);
  g_CreateImageMode = 1;
  g_ScanState.recoveryMode = 5;
  g_ImageToDisk = 0;
  g_ImageMultiFile = 1;
  g_ImagePath = (dir / "DiskImage.dmg").string();
  g_SourceStartSector = 0;
  g_SourceEndSector = static_cast<int64_t>(fs::file_size(kImage) / 512);
  std::string notice;
  std::string sizeCopied;
  Script script({
      WhenShown<ViewMsgBox>(Notice,
                            [&](ViewMsgBox& box) {
                              notice = box.m_Message.utf8_string();
                              if (auto* p = guitest::FindRunningPage<RecoveryAnalysis>()) {
                                sizeCopied = p->m_Values[2]->GetLabel().utf8_string();
                                EXPECT_EQ(p->m_Hint->GetLabel().utf8_string(),
                                          "Selecting Hide Progress Details will improve "
                                          "performance.You may");
                              }
                              guitest::SaveScreenshot("analysis-page-imaged");
                              guitest::ClickButton(box, wxID_OK);
                            }),
  });
  RecoveryAnalysis page;
  page.m_RunResultsPage = [] { return 2; };
  EXPECT_EQ(page.DoModal(), 2);
  SetImagePieceBytesForTest(0);
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(notice, "Disk Image created successfully.");
  EXPECT_EQ(page.WorkerEnd(), ScanEnd::ImageDone);
  // Size Copied counts every piece, the whole image.
  EXPECT_EQ(sizeCopied, SizeTextOneDecimal(fs::file_size(kImage)));
  std::string joined;
  for (int n = 0;; ++n) {
    const fs::path piece = dir / ("DiskImage" + std::to_string(n) + ".dmg");
    if (!fs::exists(piece)) break;
    std::ifstream in(piece, std::ios::binary);
    joined.append(std::istreambuf_iterator<char>(in), {});
  }
  std::ifstream source(kImage, std::ios::binary);
  const std::string original(std::istreambuf_iterator<char>(source), {});
  EXPECT_EQ(joined.size(), original.size());
  EXPECT_TRUE(joined == original);
  fs::remove_all(dir);
}

}  // namespace
