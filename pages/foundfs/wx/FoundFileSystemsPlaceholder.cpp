// Stands in for the found-file-systems page until it is built: it shows nothing and returns Cancel.
#include <wx/defs.h>

#include "pages/PageFlow.h"

int RunFoundFileSystemsPage() {
  return wxID_CANCEL;
}
