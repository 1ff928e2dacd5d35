// Saving from the results page after a real deleted-data scan of the NTFS fixture, through the
// target-path dialog, its size evaluation and the copy page: an empty path is refused, a typed
// path whose folders do not exist yet is made, a file already at the target asks the replace
// question, and the copy ends with the end text; the files written hold the fixture's bytes and
// their times. Pause holds the copy and Stop ends it with "Saving aborted.". A log saved on the
// results page loads back to the same tree, and its copy gives the same files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "PageTestFixture.h"
#include "ResultsPageSteps.h"
#include "SavedFiles.h"
#include "dialogs/wx/CopyQuestions.h"
#include "dialogs/wx/ErrorCopying.h"
#include "dialogs/wx/FileReplaceOptions.h"
#include "engine/records/ScanState.h"
#include "pages/analysis/wx/RecoveryAnalysis.h"
#include "pages/copy/wx/DataCopyPath.h"
#include "pages/copy/wx/DataCopyProgress.h"
#include "pages/results/wx/ViewDataInControls.h"
#include "pages/source/wx/LoadScanLog.h"
#include "pages/wx/SaveScanLogThread.h"
#include "platform/DeviceNamespace.h"
#include "results/ResultRows.h"
#include "saving/ProgramState.h"
#include "saving/extract/CopyCounters.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "widgets/FolderTreeModel.h"
#include "widgets/wx/ColoredListCtrl.h"
#include "widgets/wx/FolderTreeCtrl.h"

#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

namespace fs = std::filesystem;
using guitest::FindShownDialog;
using guitest::Script;
using guitest::WhenShown;
using Results = ViewDataInControls;

const std::string kImage = std::string(MERROWIND_FIXTURE_DIR) + "/ntfs/ntfs-c4096.img";

using guitest::FixtureContents;
using guitest::ReadAll;

class CopyPagesTest : public guitest::PageTest {
 protected:
  void SetUp() override {
    if (!fs::exists(kImage)) GTEST_SKIP() << "fixture " << kImage << " not built";
    StartPageEnvironment();
    InstallCopyQuestions();
    UseImageAsVolume(kImage, FileSystemKind::Ntfs);
    ASSERT_EQ(DetectVolumeGeometry(), 1);
    m_Dir = fs::temp_directory_path() /
            ("merrowind-copy-" + std::to_string(::getpid()) + "-" +
             testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_Dir);
    fs::create_directories(m_Dir);
  }
  void TearDown() override {
    UninstallCopyQuestions();
    guitest::PageTest::TearDown();
    if (!m_Dir.empty()) fs::remove_all(m_Dir);
  }

  static Results* RunningResults() { return guitest::RunningResultsPage(); }
  static Script::Step WhenSettled(std::function<void(Results&)> what) {
    return guitest::WhenResultsSettled(std::move(what));
  }
  // Checks the root of the found tree and presses Save.
  static Script::Step CheckAllAndSave() {
    return WhenSettled([](Results& p) {
      FolderTreeModel& m = p.m_Tree->Model();
      m.Click(m.RootItem(), FolderTreeModel::ClickPart::StateIcon);
      p.CallAfter([&p] { p.OnSave(); });
    });
  }
  template <class T>
  static Script::Step Shot(const std::string& name) {
    auto ticks = std::make_shared<int>(0);
    return [name, ticks] {
      if (!FindShownDialog<T>()) return false;
      if (++*ticks < 10) return false;
      guitest::SaveScreenshot(name);
      return true;
    };
  }
  // Types path into the path dialog and presses OK once the step has returned.
  static Script::Step TypePathAndOk(const std::string& path) {
    return WhenShown<DataCopyPath>([] { return FindShownDialog<DataCopyPath>(); },
                                   [path](DataCopyPath& d) {
                                     d.m_PathEdit->SetValue(wxString::FromUTF8(path));
                                     d.CallAfter([&d] { d.OnOK(); });
                                   });
  }
  Script::Step BackToAnalysis() {
    return WhenSettled([](Results& p) { p.CallAfter([&p] { p.OnBack(); }); });
  }
  void RunScan(Script& script) {
    RecoveryAnalysis analysis;
    analysis.DoModal();
    EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  }

  fs::path m_Dir;
};

// Where the windows stand on the screen while the end message is up.
struct EndScreen {
  bool found = false;
  wxRect results, resultsHint, page, fileBar, overallBar, box;
};

wxRect OnScreen(const wxWindow* w) {
  return w ? w->GetScreenRect() : wxRect();
}

EndScreen EndGeometry() {
  EndScreen e;
  const Results* results = guitest::RunningResultsPage();
  const DataCopyProgress* page = FindShownDialog<DataCopyProgress>();
  const ViewMsgBox* box = FindShownDialog<ViewMsgBox>();
  if (!results || !page || !box) return e;
  e.found = true;
  e.results = OnScreen(results);
  e.resultsHint = OnScreen(results->m_Hint);
  e.page = OnScreen(page);
  e.fileBar = OnScreen(page->FindWindow(DataCopyProgress::kIdFileBar));
  e.overallBar = OnScreen(page->FindWindow(DataCopyProgress::kIdOverallBar));
  e.box = OnScreen(box);
  return e;
}

TEST_F(CopyPagesTest, SavesTheCheckedTreeWithBytesAndTimesAfterRefusingAnEmptyPath) {
  EndScreen end;
  const fs::path target = m_Dir / "made" / "on the way";
  // A file of the copy's name is at the target already; skipping it must leave it as it is.
  fs::create_directories(target);
  { std::ofstream(target / "resident.txt") << "kept"; }
  Script script({
      Told(),
      CheckAllAndSave(),
      WhenShown<DataCopyPath>([] { return FindShownDialog<DataCopyPath>(); },
                              [](DataCopyPath& d) { d.CallAfter([&d] { d.OnOK(); }); }),
      Told(),
      WhenShown<DataCopyPath>([] { return FindShownDialog<DataCopyPath>(); },
                              [&](DataCopyPath& d) {
                                d.m_PathEdit->SetValue(wxString::FromUTF8(target.string()));
                              }),
      Shot<DataCopyPath>("copy-path-dialog"),
      TypePathAndOk(target.string()),
      Shot<FileReplaceOptions>("copy-page-replace-question"),
      WhenShown<FileReplaceOptions>([] { return FindShownDialog<FileReplaceOptions>(); },
                                    [](FileReplaceOptions& d) {
                                      guitest::ClickButton(d, FileReplaceOptions::kIdSkip);
                                    }),
      // The end message over the finished copy page, which stands over the results page.
      WhenShown<ViewMsgBox>([] { return FindShownDialog<ViewMsgBox>(); },
                            [&](ViewMsgBox&) {
                              guitest::SaveScreenshot("copy-page-end");
                              end = EndGeometry();
                            }),
      Told(),
      BackToAnalysis(),
      Answer(wxID_OK),
  });
  RunScan(script);

  // The copy page covers neither the results page's hint nor, under the end message, its bars.
  EXPECT_TRUE(end.found);
  EXPECT_FALSE(end.page.Intersects(end.resultsHint)) << "hint";
  EXPECT_FALSE(end.box.Intersects(end.fileBar)) << "file bar";
  EXPECT_FALSE(end.box.Intersects(end.overallBar)) << "overall bar";
  EXPECT_TRUE(end.results.Contains(end.page));
  ASSERT_EQ(m_Told.size(), 3u);
  EXPECT_EQ(m_Told[1], "Please select Data Recovery path.");
  EXPECT_EQ(m_Told[2], "Saving completed successfully.");
  EXPECT_EQ(ReadAll(target / "resident.txt"), "kept");
  EXPECT_EQ(ReadAll(target / "nonresident.bin"), FixtureContents("nonres", 20000));
  const fs::path deep = target / "Docs" / "Level2" / "Level3" / "deep.txt";
  EXPECT_EQ(ReadAll(deep), FixtureContents("deep", 3000));
  struct stat st {};
  ASSERT_EQ(::stat(deep.c_str(), &st), 0);
  std::tm when{};
  when.tm_year = 2020 - 1900;
  when.tm_mon = 6;
  when.tm_mday = 15;
  when.tm_hour = 12;
  when.tm_min = 34;
  when.tm_sec = 56;
  EXPECT_EQ(st.st_mtime, ::timegm(&when));
  // Deleted files come back too.
  EXPECT_EQ(ReadAll(target / "Docs" / "gone.txt"), FixtureContents("gone", 3000));
  EXPECT_EQ(ReadAll(target / "OldDir" / "old2.bin"), FixtureContents("old2", 9000));
}

TEST_F(CopyPagesTest, PauseHoldsTheCopyAndStopEndsItWithSavingAborted) {
  const fs::path target = m_Dir / "out";
  fs::create_directories(target);
  { std::ofstream(target / "resident.txt") << "kept"; }
  uint64_t bytesWhenPaused = 0;
  auto pausedTicks = std::make_shared<int>(0);
  bool held = true;
  Script script({
      Told(),
      CheckAllAndSave(),
      TypePathAndOk(target.string()),
      // The worker waits on the replace question: pause the page, then let the worker go on.
      WhenShown<FileReplaceOptions>([] { return FindShownDialog<FileReplaceOptions>(); },
                                    [](FileReplaceOptions& d) {
                                      DataCopyProgress* page = FindShownDialog<DataCopyProgress>();
                                      ASSERT_NE(page, nullptr);
                                      page->OnPauseResume();
                                      guitest::ClickButton(d, FileReplaceOptions::kIdSkip);
                                    }),
      Shot<DataCopyProgress>("copy-page-paused"),
      [&] {
        DataCopyProgress* page = FindShownDialog<DataCopyProgress>();
        if (!page) return false;
        if ((*pausedTicks)++ == 0) bytesWhenPaused = g_CopiedBytes.load();
        if (*pausedTicks < 15) return false;
        held = page->Paused() && g_CopiedBytes.load() == bytesWhenPaused;
        page->CallAfter([page] { page->OnStop(); });
        return true;
      },
      Answer(wxID_OK),
      Told(),
      BackToAnalysis(),
      Answer(wxID_OK),
  });
  RunScan(script);

  EXPECT_TRUE(held);
  ASSERT_GE(m_Asked.size(), 1u);
  EXPECT_EQ(m_Asked[0], "Do you want to stop this process. This may give you incomplete data.");
  ASSERT_EQ(m_Told.size(), 2u);
  // A file the stop cut short is counted after the text.
  EXPECT_TRUE(m_Told[1] == "Saving aborted." ||
              m_Told[1] == "Saving aborted.\n1 file was not fully copied.")
      << m_Told[1];
  EXPECT_FALSE(fs::exists(target / "Docs" / "Level2" / "Level3" / "deep.txt"));
}

// The names the results page shows for the root folder.
std::vector<std::string> RootRowNames(Results& p) {
  std::vector<std::string> names;
  for (const ResultRow& r : p.m_List->Rows()) names.push_back(RowName(r));
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(CopyPagesTest, ALogSavedOnTheResultsPageLoadsBackToTheSameTreeAndCopiesTheSameFiles) {
  const fs::path log = m_Dir / "scan";
  std::vector<std::string> scanned, loaded;
  Script first({
      Told(),
      WhenSettled([&](Results& p) {
        scanned = RootRowNames(p);
        p.m_StartSaveLog = [&log](Results& page) {
          return StartSaveScanLog(page, log.string(), [&page] { page.OnSaveLogEnded(); });
        };
        p.OnSaveLog();
      }),
      BackToAnalysis(),
      Answer(wxID_OK),
  });
  RunScan(first);
  JoinSaveLogThread();
  ASSERT_TRUE(fs::exists(log.string() + ".kvsl"));
  ResetProgramState();
  InstallDialogPrompts(nullptr);
  g_SourceEndSector = 0;  // the log brings its own source back

  const fs::path target = m_Dir / "from log";
  m_Told.clear();
  Script second({
      Told(),
      WhenSettled([&](Results& p) { loaded = RootRowNames(p); }),
      CheckAllAndSave(),
      TypePathAndOk(target.string()),
      Told(),
      BackToAnalysis(),
      Answer(wxID_OK),
  });
  LoadScanLog(nullptr, [&](std::string& path) {
    path = log.string() + ".kvsl";
    return true;
  });
  EXPECT_TRUE(second.Finished()) << "stopped at step " << second.StepReached();
  EXPECT_FALSE(scanned.empty());
  EXPECT_EQ(loaded, scanned);
  ASSERT_EQ(m_Told.size(), 2u);
  EXPECT_EQ(m_Told[1], "Saving completed successfully.");
  EXPECT_EQ(ReadAll(target / "Docs" / "Level2" / "Level3" / "deep.txt"),
            FixtureContents("deep", 3000));
  EXPECT_EQ(ReadAll(target / "Docs" / "gone.txt"), FixtureContents("gone", 3000));
  // The source page gets its own (here empty) choice back.
  EXPECT_EQ(g_SourceEndSector, 0);
  EXPECT_EQ(g_LogLoaded.load(), 0);
}

TEST_F(CopyPagesTest, ABrokenLogIsRefusedWithoutChangingTheSource) {
  const fs::path log = m_Dir / "broken.kvsl";
  { std::ofstream(log, std::ios::binary) << std::string(70, '\0'); }
  const int64_t end = g_SourceEndSector;
  Script script({Told()});
  LoadScanLog(nullptr, [&](std::string& path) {
    path = log.string();
    return true;
  });
  EXPECT_TRUE(script.Finished());
  ASSERT_EQ(m_Told.size(), 1u);
  EXPECT_EQ(m_Told[0], "Log file is not valid. Invalid seeking. .");
  EXPECT_EQ(g_SourceEndSector, end);
  EXPECT_EQ(g_LogLoaded.load(), 0);
}

TEST_F(CopyPagesTest, AFullTargetAsksTheCopyErrorQuestionAndSkipAllEndsNotCompleted) {
  const fs::path target = m_Dir / "small";
  fs::create_directories(target);
  const std::string mount = "mount -t tmpfs -o size=256k tmpfs '" + target.string() + "' 2>/dev/null";
  if (::geteuid() != 0 || std::system(mount.c_str()) != 0)
    GTEST_SKIP() << "mounting a small tmpfs needs root";
  int errorQuestions = 0;
  Script script({
      Told(),
      CheckAllAndSave(),
      TypePathAndOk(target.string()),
      Answer(wxID_OK),  // the free-space question: go on all the same
      Shot<ErrorCopying>("copy-error-question"),
      WhenShown<ErrorCopying>([] { return FindShownDialog<ErrorCopying>(); },
                              [&](ErrorCopying& d) {
                                ++errorQuestions;
                                guitest::ClickButton(d, ErrorCopying::kIdSkipAll);
                              }),
      Told(),
      BackToAnalysis(),
      Answer(wxID_OK),
  });
  RunScan(script);
  std::system(("umount '" + target.string() + "'").c_str());

  EXPECT_EQ(errorQuestions, 1);
  ASSERT_GE(m_Asked.size(), 1u);
  EXPECT_EQ(m_Asked[0].rfind("Insufficient free space on destination drive. ", 0), 0u);
  ASSERT_EQ(m_Told.size(), 2u);
  // The end text, then how many files the full target left incomplete.
  EXPECT_EQ(m_Told[1].rfind("Saving not completed successfully.\n", 0), 0u) << m_Told[1];
  EXPECT_TRUE(m_Told[1].ends_with(" files were not fully copied.")) << m_Told[1];
}

TEST_F(CopyPagesTest, StopAfterASkippedFileTellsThatItWasNotFullyCopied) {
  const fs::path target = m_Dir / "small";
  fs::create_directories(target);
  const std::string mount = "mount -t tmpfs -o size=256k tmpfs '" + target.string() + "' 2>/dev/null";
  if (::geteuid() != 0 || std::system(mount.c_str()) != 0)
    GTEST_SKIP() << "mounting a small tmpfs needs root";
  Script script({
      Told(),
      CheckAllAndSave(),
      TypePathAndOk(target.string()),
      Answer(wxID_OK),  // the free-space question: go on all the same
      // The first file the full target cuts short is skipped with the copy held, then Stop.
      WhenShown<ErrorCopying>([] { return FindShownDialog<ErrorCopying>(); },
                              [](ErrorCopying& d) {
                                DataCopyProgress* page = FindShownDialog<DataCopyProgress>();
                                ASSERT_NE(page, nullptr);
                                page->OnPauseResume();
                                guitest::ClickButton(d, ErrorCopying::kIdSkip);
                                page->CallAfter([page] { page->OnStop(); });
                              }),
      Answer(wxID_OK),  // yes, stop
      Told(),
      BackToAnalysis(),
      Answer(wxID_OK),
  });
  RunScan(script);
  std::system(("umount '" + target.string() + "'").c_str());

  ASSERT_EQ(m_Told.size(), 2u);
  EXPECT_EQ(m_Told[1].rfind("Saving aborted.\n", 0), 0u) << m_Told[1];
  EXPECT_TRUE(m_Told[1].ends_with(" not fully copied.")) << m_Told[1];
}

}  // namespace
