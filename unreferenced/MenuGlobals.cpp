#include "unreferenced/MenuGlobals.h"

int ClassifyWindowsVersion(const WindowsVersionInfo& version) {
  if (version.win9xFamily) {
    if (version.major < 4) return 0;
    if (!version.recordAllocated) return 2;
    if (version.major == 4 && version.minor == 10) return 3;
    if (version.major == 4 && version.minor == 90) return 4;
    return 2;
  }
  if (!version.recordAllocated) return 1;
  if (version.major == 4) return 5;
  if (version.major == 5 && version.minor == 0) return 6;
  if (version.major == 5 && version.minor == 1) return 7;
  return 1;
}

MenuGlobals& GetMenuGlobals() {
  static MenuGlobals globals;
  return globals;
}

void ResetMenuGlobals() {
  GetMenuGlobals() = MenuGlobals();
}
