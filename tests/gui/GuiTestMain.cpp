// Runs the GUI tests inside a real wx application on the display (Xvfb in CI). Without a display
// every test is skipped with a visible reason; listing tests needs no display at all.
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

namespace {
// A toolkit assertion fails the running test instead of opening a box nobody answers.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
  ADD_FAILURE() << "toolkit assertion " << cond.utf8_string() << " in " << func.utf8_string()
                << " (" << file.utf8_string() << ":" << line << "): " << msg.utf8_string();
}

class GuiTestApp : public wxApp {
 public:
  bool OnInit() override { return true; }
};

// Tests that click move the real pointer; each test starts with it parked in the screen's
// bottom right corner, where no test puts a window, so none finds a button hovered by the last.
class ParkPointer : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override {
    int width = 0;
    int height = 0;
    wxDisplaySize(&width, &height);
    wxUIActionSimulator().MouseMove(width - 1, height - 1);
  }
};
}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    std::printf("skipped: no display (run the GUI tests under xvfb-run)\n");
    return 77;
  }
  wxSetAssertHandler(FailOnAssert);
  // The file chooser stores its settings; without a session bus they stay in memory.
  ::setenv("GSETTINGS_BACKEND", "memory", 0);
  wxApp::SetInstance(new GuiTestApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
    std::printf("skipped: the toolkit could not open the display\n");
    return 77;
  }
  // Toolkit errors go to the test's output; a box of them at exit would wait for a click.
  delete wxLog::SetActiveTarget(new wxLogStderr);
  testing::UnitTest::GetInstance()->listeners().Append(new ParkPointer);
  int rc = 0;
  {
    // Tests pump this loop themselves; pages under test run their own nested loops on top.
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(&loop);
    rc = RUN_ALL_TESTS();
  }
  wxTheApp->OnExit();
  wxEntryCleanup();
  return rc;
}
