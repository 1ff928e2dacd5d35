// The menu bar the wizard pages share: its command ids and the bar itself. Each page binds the
// commands it acts on; the others stay in the menu as they always have.
#pragma once

#include <initializer_list>

class wxMenuBar;

struct PageMenuIds {
  static constexpr int kMenuFormatted = 32774;
  static constexpr int kMenuRecoverSelected = 32790;
  static constexpr int kMenuRecoveryFilter = 32782;
  static constexpr int kMenuSaveLog = 32776;
  static constexpr int kMenuLoadLog = 32777;
  static constexpr int kMenuSearch = 32791;
  static constexpr int kMenuRename = 32793;
  static constexpr int kMenuExit = 32775;
  static constexpr int kMenuLargeIcons = 32783;
  static constexpr int kMenuDetails = 59411;
  static constexpr int kMenuSmallIcons = 59408;
  static constexpr int kMenuViewHelp = 32784;
  static constexpr int kMenuAbout = 32785;
};

enum class ViewItems { Plain, Radio };

// Data, View and Help. With enabledOnly given, every other command is greyed.
wxMenuBar* CreatePageMenu(ViewItems view, std::initializer_list<int> enabledOnly = {});
