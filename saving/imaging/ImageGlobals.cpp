#include "saving/imaging/ImageGlobals.h"

std::string g_ImagePath;
std::string g_ImageTargetLabel;

void ResetImageGlobals() {
  g_ImagePath.clear();
  g_ImageTargetLabel.clear();
}
