// Stands in for the saving-settings dialog until it is built: it shows nothing and returns Cancel.
#include <wx/defs.h>

#include "pages/PageFlow.h"

int RunSavingSettings() {
  return wxID_CANCEL;
}
