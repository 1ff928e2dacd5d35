#include <wx/app.h>
#include <wx/frame.h>

#include "app/wx/MainFrame.h"

class MerrowindApp : public wxApp {
 public:
  bool OnInit() override {
    wxFrame* frame = CreateMainFrame();
    frame->Show();
    return true;
  }
};

wxIMPLEMENT_APP(MerrowindApp);
