// The start of a benchmark that runs a wxApp on a display: without one it says so and returns 77
// (ctest's skip code); otherwise it starts the toolkit with the program's name only, sets up the
// program's globals, runs the app's OnInit (where the benchmark does its work) and cleans up.
#pragma once

#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>

#include "widgets/AppGlobals.h"

inline int RunGuiBench(char* program, wxApp* app) {
  if (!std::getenv("DISPLAY")) {
    std::printf("needs a display: run under xvfb-run\n");
    delete app;
    return 77;
  }
  wxApp::SetInstance(app);
  int one = 1;
  char* name[] = {program, nullptr};
  if (!wxEntryStart(one, name)) return 1;
  InitAppGlobals("");
  wxTheApp->CallOnInit();
  wxEntryCleanup();
  return 0;
}
