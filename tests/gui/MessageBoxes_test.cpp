// The OK box, the Yes/No box and the bad-sector dialog on a real display, shown from the UI
// thread and from workers through the installed dialog prompts.
#include <gtest/gtest.h>
#include <wx/statbmp.h>
#include <wx/checkbox.h>
#include <wx/statbox.h>

#include <atomic>
#include <memory>
#include <thread>

#include "ToolkitTestUtil.h"
#include "dialogs/wx/CopyQuestions.h"
#include "dialogs/wx/ErrorCopying.h"
#include "dialogs/wx/FileReplaceOptions.h"
#include "dialogs/wx/SectorsBadStatusAction.h"
#include "prompts/CopyErrorPrompt.h"
#include "prompts/ReplacePrompt.h"
#include "prompts/PromptCancel.h"
#include "dialogs/wx/DialogPrompts.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"
#include "dialogs/wx/ViewMsgBox.h"
#include "dialogs/wx/ViewQuestionMsg.h"

namespace {

using guitest::Near;
using guitest::OnceShown;
using guitest::PixelAt;
using guitest::UiDriver;

// Checks the common look of a box on the screen: white client area, the picture loaded, the
// message label in bold Arial, and its buttons drawn from their strips.
// The two message boxes also draw their edge and hold their buttons inside their frame.
void ExpectBoxLook(wxDialog& box, const std::string& shotName, std::initializer_list<int> buttons,
                   bool messageBox = false) {
  const wxImage screen = guitest::Shot(shotName);
  ASSERT_TRUE(screen.IsOk());
  EXPECT_EQ(box.GetTitle(), "Software Dovrane Merrowind");
  // Between the group box and the buttons the dialog is plain white.
  const wxSize client = box.GetClientSize();
  EXPECT_TRUE(Near(PixelAt(screen, &box, wxPoint(3, client.y - 3)), *wxWHITE, 2));
  wxStaticBitmap* picture = nullptr;
  for (wxWindow* child : box.GetChildren())
    if (!picture) picture = dynamic_cast<wxStaticBitmap*>(child);
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(picture->GetBitmap().IsOk());
  wxStaticBox* frame = nullptr;
  if (messageBox) {
    // A grey line marks the box's edge where no window manager draws a border.
    EXPECT_TRUE(
        Near(PixelAt(screen, &box, wxPoint(0, client.y / 2)), wxColour(128, 128, 128), 8));
    for (wxWindow* child : box.GetChildren())
      if (!frame) frame = dynamic_cast<wxStaticBox*>(child);
    ASSERT_NE(frame, nullptr);
  }
  for (int id : buttons) {
    auto* button = dynamic_cast<CHoverButton*>(box.FindWindow(id));
    ASSERT_NE(button, nullptr) << id;
    // Every button sits inside the drawn frame.
    if (frame) EXPECT_TRUE(frame->GetRect().Contains(button->GetRect())) << id;
    EXPECT_TRUE(button->HasStrip()) << id;
    // The button's face is the strip's blue, not the white dialog.
    const wxColour face = PixelAt(screen, button, wxPoint(4, button->GetSize().y / 2));
    EXPECT_GT(face.Blue(), face.Red() + 40) << id << " " << face.GetAsString().utf8_string();
  }
}

CLabel* MessageLabel(wxDialog& box, int id) {
  return dynamic_cast<CLabel*>(box.FindWindow(id));
}

TEST(ViewMsgBox, ShowsTheNoticeAndEndsWithOneOrTwo) {
  guitest::UseBuildBitmaps();
  std::string checked;
  UiDriver driver(OnceShown<ViewMsgBox>([&](ViewMsgBox& box) {
    CLabel* label = MessageLabel(box, 1039);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetLabel(), "Saving completed successfully.");
    EXPECT_EQ(label->LabelFont().GetFaceName(), "Arial");
    EXPECT_EQ(label->LabelFont().GetWeight(), wxFONTWEIGHT_BOLD);
    EXPECT_TRUE(box.HasFlag(wxSTAY_ON_TOP));
    EXPECT_EQ(box.GetParent(), nullptr);
    ExpectBoxLook(box, "view-msg-box", {wxID_OK}, true);
    checked = "yes";
    guitest::ClickButton(box, wxID_OK);
  }));
  ViewMsgBox box;
  box.m_Message = "Saving completed successfully.";
  EXPECT_EQ(box.DoModal(), 1);
  EXPECT_EQ(checked, "yes");

  for (int key : {WXK_ESCAPE, WXK_RETURN}) {
    UiDriver esc(OnceShown<ViewMsgBox>([key](ViewMsgBox& b) { guitest::PressKey(b, key); }));
    ViewMsgBox again;
    again.m_Message = "";
    EXPECT_EQ(again.DoModal(), key == WXK_ESCAPE ? 2 : 1);
  }
}

TEST(ViewQuestionMsg, YesIsOneAndEverythingElseIsTwo) {
  guitest::UseBuildBitmaps();
  struct Case {
    const char* how;
    std::function<void(ViewQuestionMsg&)> act;
    int expected;
  };
  const Case cases[] = {
      {"yes", [](ViewQuestionMsg& b) { guitest::ClickButton(b, wxID_OK); }, 1},
      {"no", [](ViewQuestionMsg& b) { guitest::ClickButton(b, wxID_CANCEL); }, 2},
      {"esc", [](ViewQuestionMsg& b) { guitest::PressKey(b, WXK_ESCAPE); }, 2},
      {"close box", [](ViewQuestionMsg& b) { b.Close(); }, 2},
  };
  bool first = true;
  for (const Case& c : cases) {
    UiDriver driver(OnceShown<ViewQuestionMsg>([&](ViewQuestionMsg& box) {
      if (first) {
        CLabel* label = MessageLabel(box, 1039);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->GetLabel(), "Do you want to exit.");
        ExpectBoxLook(box, "view-question-msg", {wxID_OK, wxID_CANCEL}, true);
        first = false;
      }
      c.act(box);
    }));
    ViewQuestionMsg ask;
    ask.m_Message = "Do you want to exit.";
    EXPECT_EQ(ask.DoModal(), c.expected) << c.how;
    EXPECT_TRUE(driver.Done()) << c.how;
  }
}

TEST(ViewQuestionMsg, TemplateLayoutFollowsDialogUnits) {
  guitest::UseBuildBitmaps();
  ViewQuestionMsg ask;
  const wxSize client = ask.GetClientSize();
  const wxSize expected = ask.ConvertDialogToPixels(wxSize(273, 85));
  EXPECT_EQ(client, expected);
  // The Yes button starts at x = 203 dialog units, inside the 6 + 261 unit group box.
  wxWindow* yes = ask.FindWindow(wxID_OK);
  ASSERT_NE(yes, nullptr);
  EXPECT_EQ(yes->GetPosition(), ask.ConvertDialogToPixels(wxPoint(203, 21)));
  EXPECT_GT(client.x, 300);
  EXPECT_LT(client.x, 560);
}

// Installs the dialog prompts for a test and puts the headless default back afterwards.
class DialogPromptsTest : public testing::Test {
 protected:
  void SetUp() override {
    guitest::UseBuildBitmaps();
    m_Prompts = &InstallDialogPrompts(&NewSectorsBadStatusAction);
  }
  void TearDown() override {
    guitest::Pump(5);
    SetUserPrompts(nullptr);
  }
  DialogPrompts* m_Prompts = nullptr;
};

TEST_F(DialogPromptsTest, WorkerQuestionIsAnsweredOnTheUiThread) {
  std::atomic<int> answer{-100};
  std::atomic<bool> askedOnMain{true};
  std::atomic<bool> shownOnMain{false};
  UiDriver driver(OnceShown<ViewQuestionMsg>([&](ViewQuestionMsg& box) {
    shownOnMain = wxThread::IsMain();
    // A box asked by a worker has no owner and stays on top.
    EXPECT_EQ(box.GetParent(), nullptr);
    EXPECT_TRUE(box.HasFlag(wxSTAY_ON_TOP));
    guitest::Shot("question-from-worker");
    guitest::ClickButton(box, wxID_OK);
  }));
  std::thread worker([&] {
    askedOnMain = wxThread::IsMain();
    answer = Prompts().ViewQuestionMsg("Do you want to stop this process.");
  });
  EXPECT_TRUE(guitest::PumpUntil([&] { return answer != -100; }));
  worker.join();
  EXPECT_FALSE(askedOnMain);
  EXPECT_TRUE(shownOnMain);
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(m_Prompts->Bridge().PendingCount(), 0);
}

TEST_F(DialogPromptsTest, WorkerNoticeWaitsForOk) {
  std::atomic<bool> returned{false};
  UiDriver driver(OnceShown<ViewMsgBox>([&](ViewMsgBox& box) {
    EXPECT_FALSE(returned);
    guitest::PressKey(box, WXK_ESCAPE);
  }));
  std::thread worker([&] {
    Prompts().ViewMsgBox("Saving not completed successfully.");
    returned = true;
  });
  EXPECT_TRUE(guitest::PumpUntil([&] { return returned.load(); }));
  worker.join();
}

TEST_F(DialogPromptsTest, BadSectorButtonsGiveTheirChoices) {
  struct Case {
    int id;  // 0: Esc, -2: close box
    int expected;
  };
  const Case cases[] = {
      {SectorsBadStatusAction::kIdRetry, 0},  {SectorsBadStatusAction::kIdRetryAll, 2},
      {SectorsBadStatusAction::kIdSkip, 1},   {SectorsBadStatusAction::kIdSkipAll, 3},
      {0, SectorsBadStatusAction::kNoChoice}, {-2, SectorsBadStatusAction::kNoChoice},
  };
  bool first = true;
  for (const Case& c : cases) {
    std::atomic<int> answer{-100};
    UiDriver driver(OnceShown<SectorsBadStatusAction>([&](SectorsBadStatusAction& dialog) {
      if (first) {
        CLabel* label = MessageLabel(dialog, SectorsBadStatusAction::kIdMessage);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->GetLabel(),
                  "Error found while reading sector. This may be due to bad sectors. Please "
                  "choose appropriate action.");
        ExpectBoxLook(dialog, "bad-sector-dialog",
                      {SectorsBadStatusAction::kIdRetry, SectorsBadStatusAction::kIdRetryAll,
                       SectorsBadStatusAction::kIdSkip, SectorsBadStatusAction::kIdSkipAll});
        first = false;
      }
      if (c.id == 0) {
        guitest::PressKey(dialog, WXK_ESCAPE);
      } else if (c.id == -2) {
        dialog.Close();
      } else {
        guitest::ClickButton(dialog, c.id);
      }
    }));
    // The sector reader asks from the scan's worker thread.
    std::thread worker([&] { answer = Prompts().AskBadSector(); });
    EXPECT_TRUE(guitest::PumpUntil([&] { return answer != -100; })) << c.id;
    worker.join();
    EXPECT_EQ(answer, c.expected) << c.id;
  }
}

// The copy's two questions, asked from a worker as the copy asks them: each button's answer, the
// replace question's "for all" forms, and Esc (skip the file; "closed" for the error question).
TEST_F(DialogPromptsTest, CopyQuestionsGiveTheirAnswers) {
  InstallCopyQuestions();
  struct ReplaceCase {
    int id;  // 0: Esc
    bool forAll;
    int32_t expected;
  };
  const ReplaceCase replaceCases[] = {
      {FileReplaceOptions::kIdYes, false, kReplaceOverwrite},
      {FileReplaceOptions::kIdSkip, false, kReplaceSkip},
      {FileReplaceOptions::kIdRename, false, kReplaceRename},
      {FileReplaceOptions::kIdYes, true, kReplaceOverwriteAll},
      {FileReplaceOptions::kIdSkip, true, kReplaceSkipAll},
      {FileReplaceOptions::kIdRename, true, kReplaceRenameAll},
      {0, false, kReplaceSkip},
  };
  bool first = true;
  for (const ReplaceCase& c : replaceCases) {
    std::atomic<int32_t> answer{-100};
    UiDriver driver(OnceShown<FileReplaceOptions>([&](FileReplaceOptions& dialog) {
      if (first) {
        ExpectBoxLook(dialog, "replace-dialog",
                      {FileReplaceOptions::kIdYes, FileReplaceOptions::kIdSkip,
                       FileReplaceOptions::kIdRename});
        first = false;
      }
      dialog.m_ForAllCheck->SetValue(c.forAll);
      if (c.id == 0)
        guitest::PressKey(dialog, WXK_ESCAPE);
      else
        guitest::ClickButton(dialog, c.id);
    }));
    g_ReplaceChoice = kReplaceOverwrite;
    std::thread worker([&] { answer = AskReplace(); });
    EXPECT_TRUE(guitest::PumpUntil([&] { return answer != -100; })) << c.id;
    worker.join();
    EXPECT_EQ(answer, c.expected) << c.id << " " << c.forAll;
    EXPECT_EQ(g_ReplaceChoice.load(), c.expected);
  }

  struct ErrorCase {
    int id;  // 0: Esc
    CopyErrorAnswer expected;
  };
  const ErrorCase errorCases[] = {
      {ErrorCopying::kIdSkip, CopyErrorAnswer::Skip},
      {ErrorCopying::kIdSkipAll, CopyErrorAnswer::SkipAll},
      {ErrorCopying::kIdAbort, CopyErrorAnswer::Abort},
      {0, CopyErrorAnswer::Closed},
  };
  first = true;
  for (const ErrorCase& c : errorCases) {
    std::atomic<bool> done{false};
    CopyErrorAnswer answer = CopyErrorAnswer::Closed;
    UiDriver driver(OnceShown<ErrorCopying>([&](ErrorCopying& dialog) {
      if (first) {
        ExpectBoxLook(dialog, "copy-error-dialog",
                      {ErrorCopying::kIdAbort, ErrorCopying::kIdSkip, ErrorCopying::kIdSkipAll});
        first = false;
      }
      if (c.id == 0)
        guitest::PressKey(dialog, WXK_ESCAPE);
      else
        guitest::ClickButton(dialog, c.id);
    }));
    std::thread worker([&] {
      answer = AskCopyError();
      done = true;
    });
    EXPECT_TRUE(guitest::PumpUntil([&] { return done.load(); })) << c.id;
    worker.join();
    EXPECT_EQ(answer, c.expected) << c.id;
  }
  UninstallCopyQuestions();
}

TEST_F(DialogPromptsTest, CancelledWorkerEndsWithoutDeadlock) {
  // Cancelled while its box is open: the worker gets No and the box closes.
  auto token = std::make_shared<PromptCancelToken>();
  std::atomic<int> answer{-100};
  UiDriver driver(OnceShown<ViewQuestionMsg>([&](ViewQuestionMsg&) { token->Cancel(); }));
  std::thread worker([&] {
    ScopedPromptCancel scope(token);
    answer = Prompts().ViewQuestionMsg("Do you want to stop data searching.");
  });
  EXPECT_TRUE(guitest::PumpUntil([&] { return answer != -100; }));
  worker.join();
  EXPECT_EQ(answer, 2);
  EXPECT_TRUE(
      guitest::PumpUntil([] { return guitest::FindShownDialog<ViewQuestionMsg>() == nullptr; }));

  // Cancelled while the UI thread is busy (a page joining its worker): no box is ever shown.
  auto busyToken = std::make_shared<PromptCancelToken>();
  std::atomic<int> busyAnswer{-100};
  std::thread busyWorker([&] {
    ScopedPromptCancel scope(busyToken);
    busyAnswer = Prompts().AskBadSector();
  });
  wxMilliSleep(100);
  busyToken->Cancel();
  busyWorker.join();  // the UI thread does not pump while it joins
  EXPECT_EQ(busyAnswer, -1);
  guitest::Pump(10);
  EXPECT_EQ(guitest::FindShownDialog<SectorsBadStatusAction>(), nullptr);
}

TEST_F(DialogPromptsTest, ShutdownEndsOpenAndLaterQuestions) {
  std::atomic<int> answer{-100};
  UiDriver driver(OnceShown<ViewQuestionMsg>([&](ViewQuestionMsg&) { ShutdownDialogPrompts(); }));
  std::thread worker([&] { answer = Prompts().ViewQuestionMsg("Do you want to exit."); });
  EXPECT_TRUE(guitest::PumpUntil([&] { return answer != -100; }));
  worker.join();
  EXPECT_EQ(answer, 2);
  EXPECT_TRUE(
      guitest::PumpUntil([] { return guitest::FindShownDialog<ViewQuestionMsg>() == nullptr; }));
  std::atomic<int> later{-100};
  std::thread after([&] { later = Prompts().AskBadSector(); });
  after.join();
  EXPECT_EQ(later, -1);
}

}  // namespace
