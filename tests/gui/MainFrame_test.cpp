#include <gtest/gtest.h>
#include <wx/frame.h>

#include "GuiTestUtil.h"
#include "app/wx/MainFrame.h"

TEST(MainFrame, ShowsWithTheProgramTitle) {
  wxFrame* frame = CreateMainFrame();
  frame->Show();
  guitest::Pump();
  EXPECT_EQ(frame->GetTitle(), "Software Dovrane Merrowind");
  EXPECT_TRUE(frame->IsShown());
  EXPECT_FALSE(guitest::SaveScreenshot("main-frame").empty());
  frame->Destroy();
  guitest::Pump();
}
