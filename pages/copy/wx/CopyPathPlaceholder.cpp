// Stands in for the target-path dialog until it is built: it shows nothing and returns Cancel.
#include <wx/defs.h>

#include "pages/PageFlow.h"

int RunDataCopyPath(const FolderWalk&) {
  return wxID_CANCEL;
}
