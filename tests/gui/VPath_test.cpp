// The virtual-path dialog on a real display: its controls as the template places them, and OK
// refusing an empty path with its message, then accepting a QCOW file chosen through Browse's
// path handling.
#include <gtest/gtest.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <filesystem>
#include <memory>
#include <string>

#include "ToolkitTestUtil.h"
#include "dialogs/wx/VPath.h"
#include "dialogs/wx/ViewMsgBox.h"
#include "storage/SourceGlobals.h"
#include "tests/core/storage/vdisk/VdiskTestImages.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

namespace {

using guitest::OnceShown;
using guitest::UiDriver;

TEST(VPath, RefusesAnEmptyPathThenAcceptsAQcowFile) {
  guitest::UseBuildBitmaps();
  ResetSourceGlobals();
  const std::string file = (std::filesystem::temp_directory_path() / "vpath-test.qcow2").string();
  vdisk_test::ClusterImageBuilder image(vdisk_test::ClusterImageBuilder::Kind::Qcow2, 9, 65536);
  image.Write(0);
  vdisk_test::WriteFile(file, image.Bytes());

  std::string refusal;
  bool checked = false;
  auto answerBox = std::make_shared<UiDriver>(OnceShown<ViewMsgBox>([&](ViewMsgBox& box) {
    refusal = box.m_Message.utf8_string();
    guitest::ClickButton(box, wxID_OK);
  }));
  UiDriver driver([&, stage = 0]() mutable {
    VPath* dialog = guitest::FindShownDialog<VPath>();
    if (!dialog) return false;
    if (stage == 0) {
      guitest::Pump(5);
      auto* prompt = dynamic_cast<CLabel*>(dialog->FindWindow(VPath::kIdPrompt));
      EXPECT_NE(prompt, nullptr);
      if (prompt) {
        EXPECT_EQ(prompt->GetLabel(), "Please choose virtual path for data recovery");
      }
      EXPECT_EQ(dialog->m_Caption->GetLabel(), "Select Virtual File Path ");
      EXPECT_TRUE(dialog->m_OkButton->HasStrip());
      EXPECT_TRUE(dialog->m_BrowseButton->HasStrip());
      // OK above Cancel at the right, the edit inside the group box, the prompt below it.
      EXPECT_LT(dialog->m_OkButton->GetPosition().y, dialog->m_CancelButton->GetPosition().y);
      EXPECT_GT(dialog->m_OkButton->GetPosition().x, dialog->m_PathEdit->GetRect().GetRight());
      // Browse, drawn from its strip, keeps to the slot between the edit and OK.
      EXPECT_GT(dialog->m_BrowseButton->GetPosition().x, dialog->m_PathEdit->GetRect().GetRight());
      EXPECT_LT(dialog->m_BrowseButton->GetRect().GetRight(), dialog->m_OkButton->GetPosition().x);
      EXPECT_GT(dialog->m_PromptLabel->GetPosition().y, dialog->m_GroupBox->GetRect().GetBottom());
      guitest::SaveScreenshot("vpath");
      // Nothing chosen yet: the message box opens inside this call, and this driver keeps
      // ticking meanwhile, so the stage says the box is open until the click returns.
      stage = 1;
      guitest::ClickButton(*dialog, wxID_OK);
      stage = 2;
      return false;
    }
    if (stage == 1) return false;
    dialog->TakeChosenPath(file);
    EXPECT_EQ(dialog->m_PathEdit->GetValue().utf8_string(), file);
    checked = true;
    guitest::ClickButton(*dialog, wxID_OK);
    return true;
  });
  VPath dialog;
  EXPECT_EQ(dialog.DoModal(), 1);
  EXPECT_TRUE(checked);
  EXPECT_EQ(refusal, "Please specify Virtual Path to continue further.");
  EXPECT_EQ(g_VirtualDiskType, VirtualDiskFormat::Qcow);
  EXPECT_EQ(g_VirtualDiskPath, file);
  std::filesystem::remove(file);
}

}  // namespace
