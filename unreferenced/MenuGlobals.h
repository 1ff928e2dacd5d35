// The owner-drawn menus' class-wide state: the shared image list's command ids, the system
// version class, every popup handle added through any menu, and the draw modes. Built on first
// use; tests start from the defaults with ResetMenuGlobals.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "unreferenced/MenuImages.h"
#include "unreferenced/MenuResources.h"
#include "unreferenced/NativeMenus.h"

struct WindowsVersionInfo {
  bool win9xFamily = false;  // the high bit of the version word
  int major = 0;
  int minor = 0;
  bool recordAllocated = true;
};

// 0 Win32s; 2 a 9x system; 3 4.10; 4 4.90; 5 NT 4; 6 5.0; 7 5.1; 1 anything else.
int ClassifyWindowsVersion(const WindowsVersionInfo& version);

struct MenuGlobals {
  // The shared image list and the command id of each of its slots.
  SharedMenuImages imageList;
  // This program runs on a system newer than any the menus tell apart.
  int windowsVersion = ClassifyWindowsVersion({false, 6, 1, true});
  std::vector<MenuHandle> menuHandles;
  int drawModeThemed = 1;
  int drawModePlain = 0;
  // The desktop theme's file name; the classic theme is judged from it once.
  std::u16string themeName;
  std::optional<bool> classicTheme;
  MenuSysColours colours;
  // The bitmaps and toolbars the menus load images from.
  MenuResourceTable resources;
};

inline constexpr int g_MenuSelectDisabledClassic = 1;
inline constexpr int g_MenuSelectDisabledFlat = 0;
inline constexpr int g_MenuShadedImages = 1;

MenuGlobals& GetMenuGlobals();
void ResetMenuGlobals();
