#include "pages/source/SourceNames.h"

std::string g_SourceName;
std::string g_DiskImagePath;

void ResetSourceNames() {
  g_SourceName.clear();
  g_DiskImagePath.clear();
}
