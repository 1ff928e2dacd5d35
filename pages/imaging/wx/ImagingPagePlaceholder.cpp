// Stands in for the disk-imaging page until it is built: it shows nothing and returns Cancel.
#include <wx/defs.h>

#include "pages/PageFlow.h"

int RunImagingPage() {
  return wxID_CANCEL;
}
