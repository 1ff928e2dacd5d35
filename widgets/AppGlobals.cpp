#include "widgets/AppGlobals.h"

#include "widgets/LookGlobals.h"

char g_OsFamily = 0;
std::string g_ProductCaption;
std::string g_AppTitleCopy;
std::string g_VersionText;
std::string g_OwnRegistryKey;

void InitAppGlobals(std::string_view bitmapFolder) {
  g_OsFamily = 'N';
  g_BitmapFolder = std::string(bitmapFolder);
  g_OwnRegistryKey = "SoftDovrane.Merrowind";
  g_ProductCaption = std::string(kProductTitle);
  g_AppTitle = std::string(kProductTitle);
  g_VersionText = "Version 4.0";
  g_AppTitleCopy = g_AppTitle;
}

void ResetAppGlobals() {
  g_OsFamily = 0;
  g_ProductCaption.clear();
  g_AppTitleCopy.clear();
  g_VersionText.clear();
  g_OwnRegistryKey.clear();
  ResetLookGlobals();
}
