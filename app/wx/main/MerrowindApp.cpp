// The program's entry: the application object runs the mode page as its whole life. There is no
// main loop of its own; the page's modal loop is the program, and leaving it ends the process.
#include <wx/app.h>

#include "app/wx/AppStartup.h"
#include "platform/DeviceNamespace.h"

class CQuarvelWindowsApp : public wxApp {
 public:
  bool OnInit() override {
    // Only the program itself looks at the machine's disks; every test process starts without.
    SetSystemRoot("/");
    StartUpApplication();
    return true;
  }
  int OnRun() override {
    RunRecoveryModePage();
    return 0;
  }
  int OnExit() override {
    ShutDownApplication();
    return wxApp::OnExit();
  }
};

wxIMPLEMENT_APP(CQuarvelWindowsApp);
