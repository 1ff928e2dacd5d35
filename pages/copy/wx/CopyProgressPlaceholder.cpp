// Stands in for the copy progress page until it is built: it shows nothing and returns Cancel.
#include <wx/defs.h>

#include "pages/PageFlow.h"

int RunCopyProgressPage(const CopyRun&) {
  return wxID_CANCEL;
}
