#include "app/wx/MainFrame.h"

#include <wx/frame.h>

wxFrame* CreateMainFrame() {
  return new wxFrame(nullptr, wxID_ANY, "Software Dovrane Merrowind", wxDefaultPosition,
                     wxSize(640, 480));
}
