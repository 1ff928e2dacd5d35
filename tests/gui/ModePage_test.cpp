// The mode page as the program shows it: its look, the mode buttons that record the mode and
// come back, and the exit question on Esc, the close box and Data > Exit.
#include <gtest/gtest.h>
#include <wx/menu.h>

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "MadeUpMachine.h"
#include "PageTestUtil.h"
#include "widgets/AppGlobals.h"
#include "pages/ModeGlobals.h"
#include "dialogs/wx/AboutDlg.h"
#include "pages/mode/wx/RecoveryMode.h"
#include "pages/source/wx/DeletedFilesRecovery.h"
#include "engine/records/ScanState.h"
#include "platform/DeviceNamespace.h"
#include "platform/ExitProcess.h"
#include "platform/RegistryStore.h"
#include "dialogs/wx/DialogPrompts.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"
#include "dialogs/wx/ViewQuestionMsg.h"

namespace {

using guitest::Script;
using guitest::WhenShown;

class ModePageTest : public testing::Test {
 protected:
  void SetUp() override {
    guitest::UseBuildBitmaps();
    InitAppGlobals(MERROWIND_BUILD_BITMAP_DIR);
    // The source page lists disks into a geometry store: one of the test's own, with no disks.
    // No disk but those the test puts there, and a geometry store of the test's own.
    m_Machine.emplace("mode-page");
    m_Dir = m_Machine->Dir();
    ResetModeGlobals();
    InstallDialogPrompts(nullptr);
    m_PreviousExit = SetExitHook([this](int code) { m_Exits.push_back(code); });
  }
  void TearDown() override {
    m_Machine.reset();
    SetExitHook(m_PreviousExit);
    ShutdownDialogPrompts();
    SetUserPrompts(nullptr);
    ResetModeGlobals();
    ResetAppGlobals();
  }

  static CRecoveryMode* ModePage() { return guitest::FindRunningPage<CRecoveryMode>(); }
  static DeletedFilesRecovery* SourcePage() {
    return guitest::FindRunningPage<DeletedFilesRecovery>();
  }
  static ViewQuestionMsg* Question() { return guitest::FindShownDialog<ViewQuestionMsg>(); }

  // Ends the page the test runs (the page itself never ends).
  static Script::Step EndPage() {
    return WhenShown<CRecoveryMode>(ModePage, [](CRecoveryMode& p) { p.EndDialog(0); });
  }

  std::vector<int> m_Exits;
  std::function<void(int)> m_PreviousExit;
  std::optional<guitest::MadeUpMachine> m_Machine;
  std::filesystem::path m_Dir;
};

TEST_F(ModePageTest, ShowsTitleHeadingButtonsAndMenu) {
  bool checked = false;
  Script script({WhenShown<CRecoveryMode>(
                     ModePage,
                     [&](CRecoveryMode& page) {
                       EXPECT_EQ(page.GetTitle(), "Software Dovrane Merrowind");
                       // The test screen is 1280 x 1024.
                       EXPECT_EQ(page.GetRect(), wxRect(100, 50, 1080, 668));
                       EXPECT_EQ(page.m_Heading->GetLabel(), "Please Select Recovery Option");
                       EXPECT_EQ(page.m_Heading->LabelFont().GetFaceName().Lower(), "verdana");
                       EXPECT_EQ(page.m_Heading->TextColour(), wxColour(0x9E, 0x4E, 0x27));
                       for (CHoverButton* b : page.m_ModeButtons) {
                         EXPECT_TRUE(b->HasStrip());
                         EXPECT_TRUE(b->IsShown());
                       }
                       EXPECT_EQ(page.m_ModeButtons[1]->GetPosition().y -
                                     page.m_ModeButtons[0]->GetPosition().y,
                                 85);
                       EXPECT_TRUE(page.m_HelpButton->IsEnabled());
                       for (CHoverButton* b : {page.m_SaveLogButton, page.m_LoadLogButton,
                                               page.m_SearchButton, page.m_SettingsButton}) {
                         EXPECT_EQ(b->CurrentFrame(), 3);  // disabled frame
                       }
                       wxMenuBar* bar = page.GetMenuBar();
                       ASSERT_NE(bar, nullptr);
                       EXPECT_EQ(bar->GetMenuCount(), 3u);
                       EXPECT_TRUE(bar->IsEnabled(WxCommandId(CRecoveryMode::kMenuExit)));
                       EXPECT_TRUE(bar->IsEnabled(WxCommandId(CRecoveryMode::kMenuAbout)));
                       EXPECT_TRUE(bar->IsEnabled(WxCommandId(CRecoveryMode::kMenuViewHelp)));
                       EXPECT_FALSE(bar->IsEnabled(WxCommandId(CRecoveryMode::kMenuFormatted)));
                       EXPECT_FALSE(bar->IsEnabled(WxCommandId(CRecoveryMode::kMenuDetails)));
                       EXPECT_FALSE(guitest::SaveScreenshot("mode-page").empty());
                       checked = true;
                     }),
                 EndPage()});
  CRecoveryMode page;
  page.DoModal();
  EXPECT_TRUE(checked);
  EXPECT_TRUE(script.Finished());
}

TEST_F(ModePageTest, EachModeButtonRecordsTheModeRunsTheSourcePageAndComesBack) {
  struct Expect {
    int index;
    int32_t mode, style, formatted, image;
    const char* suffix;
  } const order[] = {
      {1, 2, 0, 1, 0, " - Formatted Data Recovery"},
      {2, 3, 1, 1, 0, " - Partition Data Recovery"},  // formatted flag kept from before
      {0, 1, 0, 0, 0, " - Deleted Data Recovery"},
      {3, 5, 1, 0, 1, " - Create Disk Image"},
  };
  std::vector<Script::Step> steps;
  int seen = 0;
  for (const Expect& e : order) {
    steps.push_back(WhenShown<CRecoveryMode>(ModePage, [e](CRecoveryMode& page) {
      EXPECT_EQ(page.GetTitle(), "Software Dovrane Merrowind");
      CHoverButton* button = page.m_ModeButtons[e.index];
      button->CallAfter([button] { button->Click(); });
    }));
    steps.push_back(
        WhenShown<DeletedFilesRecovery>(SourcePage, [e, &seen](DeletedFilesRecovery& source) {
          EXPECT_EQ(g_ScanState.recoveryMode, e.mode) << e.suffix;
          EXPECT_EQ(g_ScanState.partitionStyle, e.style) << e.suffix;
          EXPECT_EQ(g_FormattedMode.load(), e.formatted) << e.suffix;
          EXPECT_EQ(g_CreateImageMode.load(), e.image) << e.suffix;
          EXPECT_EQ(source.GetTitle(), wxString("Software Dovrane Merrowind") + e.suffix);
          // The mode page is hidden while the source page runs.
          for (wxWindow* w : wxTopLevelWindows) {
            if (dynamic_cast<CRecoveryMode*>(w)) {
              EXPECT_FALSE(w->IsShown()) << e.suffix;
            }
          }
          if (seen++ == 0) guitest::SaveScreenshot("source-page-from-mode-page");
          guitest::ClickButton(source, DeletedFilesRecovery::kIdBack);
        }));
  }
  steps.push_back(WhenShown<CRecoveryMode>(ModePage, [](CRecoveryMode& page) {
    // Back on the mode page: its title has no mode suffix again.
    EXPECT_EQ(page.GetTitle(), "Software Dovrane Merrowind");
    EXPECT_EQ(g_AppTitle, "Software Dovrane Merrowind");
    page.EndDialog(0);
  }));
  Script script(std::move(steps));
  CRecoveryMode page;
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(seen, 4);
  EXPECT_TRUE(m_Exits.empty());
}

TEST_F(ModePageTest, EscCloseBoxAndExitAskAndOnlyYesExits) {
  std::vector<std::string> asked;
  auto answer = [&](int button) {
    return WhenShown<ViewQuestionMsg>(Question, [&asked, button](ViewQuestionMsg& box) {
      asked.push_back(box.m_Message.utf8_string());
      guitest::ClickButton(box, button);
    });
  };
  auto act = [](std::function<void(CRecoveryMode&)> what) {
    return WhenShown<CRecoveryMode>(
        ModePage, [what](CRecoveryMode& page) { page.CallAfter([&page, what] { what(page); }); });
  };
  size_t exitsAfterNo = 99;
  Script script({
      act([](CRecoveryMode& p) { guitest::PressKey(p, WXK_ESCAPE); }),
      answer(wxID_CANCEL),
      act([](CRecoveryMode& p) { p.Close(); }),  // the close box
      answer(wxID_CANCEL),
      act([](CRecoveryMode& p) {
        wxCommandEvent exit(wxEVT_MENU, WxCommandId(CRecoveryMode::kMenuExit));
        p.ProcessWindowEvent(exit);
      }),
      answer(wxID_CANCEL),
      WhenShown<CRecoveryMode>(ModePage,
                               [&](CRecoveryMode& page) {
                                 // No leaves the page open and unchanged.
                                 EXPECT_TRUE(page.IsShown());
                                 exitsAfterNo = m_Exits.size();
                               }),
      act([](CRecoveryMode& p) { p.Close(); }),
      answer(wxID_OK),
      EndPage(),
  });
  CRecoveryMode page;
  page.DoModal();
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(asked, std::vector<std::string>(4, "Do you want to exit."));
  EXPECT_EQ(exitsAfterNo, 0u);
  EXPECT_EQ(m_Exits, std::vector<int>{0});  // Yes ended the process once, with code 0
}

TEST_F(ModePageTest, AboutCommandShowsTheAboutBox) {
  bool shown = false;
  Script script({
      WhenShown<CRecoveryMode>(ModePage,
                               [](CRecoveryMode& page) {
                                 page.CallAfter([&page] {
                                   wxCommandEvent about(wxEVT_MENU,
                                                        WxCommandId(CRecoveryMode::kMenuAbout));
                                   page.ProcessWindowEvent(about);
                                 });
                               }),
      WhenShown<CAboutDlg>([] { return guitest::FindShownDialog<CAboutDlg>(); },
                           [&](CAboutDlg& about) {
                             shown = true;
                             guitest::ClickButton(about, wxID_OK);
                           }),
      EndPage(),
  });
  CRecoveryMode page;
  page.DoModal();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
}

}  // namespace
