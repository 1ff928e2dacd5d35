#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "dialogs/AboutTexts.h"
#include "widgets/AppGlobals.h"
#include "dialogs/HelpPage.h"
#include "pages/ModeGlobals.h"
#include "pages/ModePageLayout.h"
#include "engine/records/ScanState.h"
#include "platform/ExitProcess.h"
#include "platform/FakeShellLauncher.h"
#include "platform/Registry.h"
#include "platform/RegistryStore.h"
#include "prompts/UserPrompts.h"
#include "prompts/ExitQuestion.h"
#include "widgets/LookGlobals.h"
#include "tests/core/TestPrompts.h"

namespace {

TEST(ModePageSize, FollowsTheDesktop) {
  struct Case {
    DesktopRect desktop;
    PixelRect expected;
  } const cases[] = {
      {{0, 0, 1024, 768}, {100, 50, 924, 668}},
      {{0, 0, 800, 600}, {100, 50, 700, 500}},
      {{0, 0, 1025, 768}, {100, 50, 1080, 668}},
      {{0, 0, 1280, 1024}, {100, 50, 1080, 668}},
      {{0, 0, 2560, 1600}, {100, 50, 1080, 668}},
      {{0, 0, 2561, 1600}, {100, 50, 1080, 668}},  // both edges must be above the limits
      {{0, 0, 2561, 1601}, {100, 50, 2360, 1500}},
      {{40, 30, 1064, 798}, {140, 80, 1080, 668}},  // the rule reads the right edge, not the width
      {{40, 30, 1024, 798}, {140, 80, 884, 668}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModePageWindowRect(c.desktop), c.expected)
        << c.desktop.right << "x" << c.desktop.bottom;
  }
}

TEST(ModePageHeading, FontAndPlace) {
  struct Case {
    int width, height;
    float fx;
    bool large;
    int points, x, y, h;
  } const cases[] = {
      {1080, 668, 1.0f, false, 12, 320 + 33, 501 + 60, 20},
      {1080, 668, 0.8f, false, 9, 353, 561, 20},        // 120 DPI: 9.6 cut to 9
      {1080, 668, 0.6666667f, false, 8, 353, 561, 20},  // 144 DPI
      {924, 668, 1.0f, false, 12, 320 + 28, 561, 20},   // 924 / 33 = 28 exactly
      {925, 668, 1.0f, false, 12, 320 + 29, 561, 20},   // ceiling
      {2360, 1500, 0.5f, true, 12, 320 + 72, 1125 + 60, 48},
  };
  for (const Case& c : cases) {
    const HeadingLook look = ModePageHeading(c.width, c.height, c.fx, c.large);
    EXPECT_EQ(look.face, "verdana");
    EXPECT_EQ(look.points, c.points) << c.width << " " << c.fx;
    EXPECT_EQ(look.rect.x, c.x) << c.width;
    EXPECT_EQ(look.rect.y, c.y) << c.height;
    EXPECT_EQ(look.rect.height, c.h);
    EXPECT_TRUE(look.bold);
    EXPECT_EQ(look.colorRef, 0x274E9Eu);
  }
}

TEST(ModePageLayout, ButtonsAndToolbar) {
  const ModePageLayout at96 = LayoutModePage(1080, 320, 72, 72, 56, {1.0f, 1.0f}, false);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(at96.modeButtons[i].x, kSaveLogTemplateX + 100);
    if (i > 0) {
      EXPECT_EQ(at96.modeButtons[i].y - at96.modeButtons[i - 1].y, 85);
    }
  }
  EXPECT_EQ(at96.toolbar[0].x, kSaveLogTemplateX - 110);
  EXPECT_EQ(at96.toolbar[0].y, kSaveLogTemplateY - 100);
  EXPECT_EQ(at96.toolbar[1].x - at96.toolbar[0].x, 72 + 8);
  EXPECT_EQ(at96.line1206.width, 1080);
  EXPECT_EQ(at96.line1206.height, 2);
  EXPECT_GT(at96.line1206.y, at96.toolbar[0].y + 56);
  EXPECT_LT(at96.line1212.y + 2, at96.modeButtons[0].y);

  // The toolbar offsets scale with the DPI factors; the mode buttons do not move.
  const ModePageLayout at120 = LayoutModePage(1080, 320, 72, 72, 56, {0.8f, 0.8f}, false);
  EXPECT_EQ(at120.toolbar[0].x, kSaveLogTemplateX - 88);
  EXPECT_EQ(at120.toolbar[0].y, kSaveLogTemplateY - 80);
  EXPECT_EQ(at120.modeButtons[0], at96.modeButtons[0]);
  // The second line drops 20 pixels on a large desktop.
  const ModePageLayout large = LayoutModePage(2360, 320, 72, 72, 56, {1.0f, 1.0f}, true);
  EXPECT_EQ(large.line1212.y - large.line1206.y, at96.line1212.y - at96.line1206.y + 20);
}

TEST(ModeButtons, WriteTheModeAndFlags) {
  struct Case {
    int id;
    int32_t mode, style, formattedAfter, image;
  } const cases[] = {
      {kIdDeletedButton, 1, 0, 0, 0},
      {kIdFormattedButton, 2, 0, 1, 0},
      {kIdPartitionButton, 3, 1, 7, 0},  // keeps the formatted flag it found (7)
      {kIdCreateImageButton, 5, 1, 7, 1},
  };
  for (const Case& c : cases) {
    ResetModeGlobals();
    g_FormattedMode = 7;
    g_CreateImageMode = 9;
    const auto values = ValuesOfModeButton(c.id);
    ASSERT_TRUE(values) << c.id;
    ApplyModeButton(*values);
    EXPECT_EQ(g_ScanState.recoveryMode, c.mode) << c.id;
    EXPECT_EQ(g_ScanState.partitionStyle, c.style) << c.id;
    EXPECT_EQ(g_FormattedMode.load(), c.formattedAfter) << c.id;
    EXPECT_EQ(g_CreateImageMode.load(), c.image) << c.id;
  }
  EXPECT_FALSE(ValuesOfModeButton(1013));  // Help is no mode button
  EXPECT_EQ(ModeTitleSuffix(kRawDataRecovery), " - Raw Data Recovery");
  EXPECT_EQ(ModeTitleSuffix(0), "");
  ResetModeGlobals();
}

TEST(AppGlobals, StartUpValues) {
  InitAppGlobals("/usr/share/softdovrane/merrowind");
  EXPECT_EQ(g_AppTitle, "Software Dovrane Merrowind");
  EXPECT_EQ(g_AppTitleCopy, g_AppTitle);
  EXPECT_EQ(g_ProductCaption, "Software Dovrane Merrowind");
  EXPECT_EQ(g_VersionText, "Version 4.0");
  EXPECT_EQ(g_OsFamily, 'N');
  EXPECT_FALSE(g_OwnRegistryKey.empty());
  EXPECT_EQ(g_BitmapFolder, "/usr/share/softdovrane/merrowind");
  ResetAppGlobals();
  EXPECT_TRUE(g_AppTitle.empty());
  EXPECT_TRUE(g_AppTitleCopy.empty());
}

TEST(AboutTitle, OnlyTheFirstAmpersandIsDoubled) {
  EXPECT_EQ(AboutTitleText("Software Dovrane Merrowind", "Version 4.0"),
            "Software Dovrane Merrowind\r\nVersion 4.0");
  EXPECT_EQ(AboutTitleText("Dovrane & Sons", "Version 4.0"), "Dovrane && Sons\r\nVersion 4.0");
  EXPECT_EQ(AboutTitleText("A & B & C", "V"), "A && B & C\r\nV");
  EXPECT_EQ(AboutTitleText("", ""), "\r\n");
}

class HelpPathTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/merrowind-help-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    m_Folder = pattern;
    SetRegistryFolder(m_Folder);
    InitAppGlobals("/b");
    const char* path = std::getenv("PATH");
    m_SavedPath = path ? path : "";
    ::setenv("PATH", "/usr/bin:/bin", 1);
  }
  void TearDown() override {
    ::setenv("PATH", m_SavedPath.c_str(), 1);
    SetRegistryFolder("");
    std::filesystem::remove_all(m_Folder);
    ResetAppGlobals();
  }
  std::string m_Folder;
  std::string m_SavedPath;
};

TEST_F(HelpPathTest, EachHelpCommandAppendsTheInstallFolderAgain) {
  ScopedFakeLauncher launcher;
  WriteRegistryString(RegistryRoot::ClassesRoot, g_OwnRegistryKey, "FilePath", "/opt/merrowind");
  EXPECT_TRUE(OpenHelpWebPage());
  EXPECT_STREQ(std::getenv("PATH"), "/usr/bin:/bin:/opt/merrowind");
  EXPECT_TRUE(OpenHelpWebPage());
  EXPECT_STREQ(std::getenv("PATH"), "/usr/bin:/bin:/opt/merrowind:/opt/merrowind");
  EXPECT_EQ(launcher.fake.opened, std::vector<std::string>(2, std::string(kHelpPageAddress)));
}

TEST_F(HelpPathTest, WithoutAFolderPathStaysAsItIs) {
  // An empty entry would put the current folder on PATH.
  AppendInstallFolderToPath();
  AppendInstallFolderToPath();
  EXPECT_STREQ(std::getenv("PATH"), "/usr/bin:/bin");
  WriteRegistryString(RegistryRoot::ClassesRoot, g_OwnRegistryKey, "FilePath", "relative/dir");
  AppendInstallFolderToPath();
  EXPECT_STREQ(std::getenv("PATH"), "/usr/bin:/bin");
  // The help page still opens; a desktop that cannot open it is not an error shown.
  EXPECT_FALSE(OpenHelpWebPage());  // no launcher installed
}

TEST(HelpPath, AppendRule) {
  EXPECT_EQ(PathWithInstallFolder("/bin", "/opt/m"), "/bin:/opt/m");
  EXPECT_EQ(PathWithInstallFolder("", "/opt/m"), "/opt/m");
  EXPECT_FALSE(PathWithInstallFolder("/bin", ""));
  EXPECT_FALSE(PathWithInstallFolder("/bin", "/opt/a:b"));  // would add two entries
  EXPECT_FALSE(PathWithInstallFolder(std::string(2048, 'p'), "/opt/m"));
  EXPECT_TRUE(PathWithInstallFolder(std::string(2047, 'p'), "/opt/m"));
}

using ScriptedPrompts = test_support::RecordingPrompts;

TEST(ExitQuestion, NoStaysAndYesExitsWithCodeZero) {
  ScriptedPrompts prompts;
  SetUserPrompts(&prompts);
  std::vector<int> exits;
  auto previous = SetExitHook([&](int code) { exits.push_back(code); });
  EXPECT_FALSE(ConfirmExit());
  EXPECT_TRUE(exits.empty());
  prompts.AnswerQuestions(1);
  EXPECT_TRUE(ConfirmExit());
  EXPECT_EQ(exits, std::vector<int>{0});
  EXPECT_EQ(prompts.questions, std::vector<std::string>(2, "Do you want to exit."));
  SetExitHook(previous);
  SetUserPrompts(nullptr);
}

}  // namespace
