// Helpers for GUI tests: let pending events run, and save a screenshot of the whole screen into
// the build tree so that a person can look at what a test saw.
#pragma once

#include <string>

#include <wx/app.h>
#include <wx/utils.h>

namespace guitest {

// Runs the event loop for about rounds x 20 ms so that shows, paints and CallAfter land (GTK maps
// and draws windows asynchronously).
inline void Pump(int rounds = 15) {
  for (int i = 0; i < rounds; ++i) {
    wxTheApp->ProcessPendingEvents();
    while (wxTheApp->Pending()) wxTheApp->Dispatch();
    wxTheApp->ProcessIdle();
    wxMilliSleep(20);
  }
}

// Saves MERROWIND_SHOT_DIR/name.png with ImageMagick's import; returns the path or "" on failure.
std::string SaveScreenshot(const std::string& name);

}  // namespace guitest
