// The base of the page tests that run a page over a fixture: the program's globals, bitmaps and
// boxes as the running program has them, an exit hook that records instead of exiting, and steps
// that answer the boxes the page opens, keeping their texts.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "PageTestUtil.h"
#include "dialogs/wx/DialogPrompts.h"
#include "dialogs/wx/ViewMsgBox.h"
#include "dialogs/wx/ViewQuestionMsg.h"
#include "engine/records/ScanState.h"
#include "platform/DeviceNamespace.h"
#include "platform/ExitProcess.h"
#include "prompts/UserPrompts.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"
#include "widgets/AppGlobals.h"

namespace guitest {

class PageTest : public testing::Test {
 protected:
  void StartPageEnvironment() {
    UseBuildBitmaps();
    InitAppGlobals(MERROWIND_BUILD_BITMAP_DIR);
    ResetProgramState();
    InstallDialogPrompts(nullptr);
    m_PreviousExit = SetExitHook([this](int code) { m_Exits.push_back(code); });
    m_Started = true;
  }
  void TearDown() override {
    if (!m_Started) return;
    SetExitHook(m_PreviousExit);
    ShutdownDialogPrompts();
    SetUserPrompts(nullptr);
    ClearDeviceMappings();
    ResetProgramState();
    ResetAppGlobals();
  }

  // The whole image as the source page chooses a volume for a deleted-data scan: the first
  // device mapped to it, its sectors of 512 bytes, file system fs.
  static void UseImageAsVolume(const std::string& image, FileSystemKind fs) {
    MapDeviceToFile("\\\\.\\PhysicalDrive0", image);
    g_CurrentDevice = 0;
    g_BytesPerSector = 512;
    g_SourceStartSector = 0;
    g_SourceEndSector = static_cast<int64_t>(std::filesystem::file_size(image) / 512);
    g_FileSystemName = fs;
    g_ScanState.recoveryMode = 1;
  }

  // The next notice: its text is kept and OK pressed.
  Script::Step Told() {
    return WhenShown<ViewMsgBox>([] { return FindShownDialog<ViewMsgBox>(); },
                                 [this](ViewMsgBox& box) {
                                   m_Told.push_back(box.m_Message.utf8_string());
                                   ClickButton(box, wxID_OK);
                                 });
  }
  // The next question, answered with button (wxID_OK is Yes); its text is kept.
  Script::Step Answer(int button) {
    return WhenShown<ViewQuestionMsg>([] { return FindShownDialog<ViewQuestionMsg>(); },
                                      [this, button](ViewQuestionMsg& box) {
                                        m_Asked.push_back(box.m_Message.utf8_string());
                                        ClickButton(box, button);
                                      });
  }

  std::vector<std::string> m_Told;
  std::vector<std::string> m_Asked;
  std::vector<int> m_Exits;

 private:
  std::function<void(int)> m_PreviousExit;
  bool m_Started = false;
};

}  // namespace guitest
