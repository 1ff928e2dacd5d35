// The page machinery: a page runs modally on its own loop, a page nested in a page hides and
// shows its caller, other windows are disabled while a page runs, and EndDialog asked while a box
// is open on top waits until that box has closed.
#include <gtest/gtest.h>
#include <wx/frame.h>

#include <memory>

#include "PageTestUtil.h"
#include "dialogs/wx/ViewMsgBox.h"
#include "pages/wx/WizardPage.h"

namespace {

using guitest::Script;
using guitest::WhenShown;

class OuterPage : public CWizardPage {
 public:
  OuterPage() : CWizardPage(nullptr, "outer", wxPoint(50, 50), wxSize(400, 300)) {}
  int initCalls = 0;

 protected:
  void OnInitPage() override { ++initCalls; }
};

class InnerPage : public CWizardPage {
 public:
  InnerPage() : CWizardPage(nullptr, "inner", wxPoint(80, 80), wxSize(300, 200)) {}
};

TEST(WizardPage, NestedPageHidesItsCallerAndReturnsItsResult) {
  guitest::UseBuildBitmaps();
  auto other = std::make_unique<wxFrame>(nullptr, wxID_ANY, "other");
  other->Show();
  int innerResult = 0;
  bool outerHiddenWhileInner = false;
  bool otherDisabled = false;
  Script script({
      WhenShown<OuterPage>(guitest::FindRunningPage<OuterPage>,
                           [&](OuterPage& outer) {
                             otherDisabled = !other->IsEnabled();
                             outer.CallAfter([&outer, &innerResult] {
                               InnerPage inner;
                               innerResult = RunPageInPlaceOf(&outer, inner);
                             });
                           }),
      WhenShown<InnerPage>(guitest::FindRunningPage<InnerPage>,
                           [&](InnerPage& inner) {
                             for (wxWindow* w : wxTopLevelWindows) {
                               if (dynamic_cast<OuterPage*>(w))
                                 outerHiddenWhileInner = !w->IsShown();
                             }
                             inner.EndDialog(7);
                           }),
      WhenShown<OuterPage>(guitest::FindRunningPage<OuterPage>,
                           [](OuterPage& outer) { outer.EndDialog(3); }),
  });
  OuterPage outer;
  EXPECT_EQ(outer.DoModal(), 3);
  EXPECT_TRUE(script.Finished()) << "stopped at step " << script.StepReached();
  EXPECT_EQ(outer.initCalls, 1);
  EXPECT_EQ(innerResult, 7);
  EXPECT_TRUE(outerHiddenWhileInner);
  EXPECT_TRUE(otherDisabled);
  EXPECT_FALSE(outer.IsShown());  // DoModal hides the page when it returns
  EXPECT_TRUE(other->IsEnabled());
  // A page runs again after it returned.
  Script again({WhenShown<OuterPage>(guitest::FindRunningPage<OuterPage>,
                                     [](OuterPage& o) { o.EndDialog(4); })});
  EXPECT_EQ(outer.DoModal(), 4);
  EXPECT_EQ(outer.initCalls, 2);
}

TEST(WizardPage, EndWhileABoxIsOpenWaitsForTheBox) {
  guitest::UseBuildBitmaps();
  bool boxClosedFirst = false;
  bool pageRunningAfterEnd = false;
  ViewMsgBox* open = nullptr;
  Script script({
      WhenShown<OuterPage>(guitest::FindRunningPage<OuterPage>,
                           [&](OuterPage& outer) {
                             outer.CallAfter([&outer, &boxClosedFirst] {
                               ViewMsgBox box;
                               box.m_Message = "notice";
                               box.DoModal();
                               boxClosedFirst = outer.IsRunningModal();
                             });
                           }),
      WhenShown<ViewMsgBox>(guitest::FindShownDialog<ViewMsgBox>,
                            [&](ViewMsgBox& box) {
                              open = &box;
                              for (wxWindow* w : wxTopLevelWindows) {
                                if (auto* page = dynamic_cast<OuterPage*>(w)) page->EndDialog(5);
                              }
                            }),
      [&] {
        // The box is still up and the page still runs after a few ticks.
        for (wxWindow* w : wxTopLevelWindows) {
          if (auto* page = dynamic_cast<OuterPage*>(w))
            pageRunningAfterEnd = page->IsRunningModal();
        }
        if (open) guitest::ClickButton(*open, wxID_OK);
        return true;
      },
  });
  OuterPage outer;
  EXPECT_EQ(outer.DoModal(), 5);
  EXPECT_TRUE(pageRunningAfterEnd);
  EXPECT_TRUE(boxClosedFirst);
}

TEST(WizardPage, EscAndTheCloseBoxCancelWithoutDestroyingThePage) {
  guitest::UseBuildBitmaps();
  Script script({WhenShown<OuterPage>(guitest::FindRunningPage<OuterPage>,
                                      [](OuterPage& o) { guitest::PressKey(o, WXK_ESCAPE); })});
  OuterPage outer;
  EXPECT_EQ(outer.DoModal(), 2);
  Script close(
      {WhenShown<OuterPage>(guitest::FindRunningPage<OuterPage>, [](OuterPage& o) { o.Close(); })});
  EXPECT_EQ(outer.DoModal(), 2);
  EXPECT_FALSE(outer.IsBeingDeleted());
}

}  // namespace
