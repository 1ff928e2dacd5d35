#include "widgets/LookGlobals.h"

std::string g_AppTitle;
std::string g_BitmapFolder;

void ResetLookGlobals() {
  g_AppTitle.clear();
  g_BitmapFolder.clear();
}

std::string BitmapPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  std::string tail(name);
  for (char& c : tail) {
    if (c == '\\') c = '/';
  }
  if (!path.empty() && path.back() == '/' && !tail.empty() && tail.front() == '/') path.pop_back();
  if (!path.empty() && path.back() != '/' && !tail.empty() && tail.front() != '/') path += '/';
  return path + tail;
}
