#include "pages/wx/PageMenu.h"

#include <algorithm>

#include <wx/menu.h>

#include "pages/wx/WizardPage.h"

wxMenuBar* CreatePageMenu(ViewItems view, std::initializer_list<int> enabledOnly) {
  using M = PageMenuIds;
  struct Item {
    int command;
    const char* text;
  };
  const Item data[] = {{M::kMenuFormatted, "&Formatted Data Recovery"},
                       {M::kMenuRecoverSelected, "&Recover Selected"},
                       {M::kMenuRecoveryFilter, "Recovery F&ilter"},
                       {M::kMenuSaveLog, "&Save Log"},
                       {M::kMenuLoadLog, "&Load Log"},
                       {M::kMenuSearch, "&Search Data"},
                       {M::kMenuRename, "R&ename Data"},
                       {M::kMenuExit, "E&xit"}};
  const Item viewItems[] = {{M::kMenuLargeIcons, "Large I&cons"},
                            {M::kMenuDetails, "&Details"},
                            {M::kMenuSmallIcons, "&Small Icons"}};
  const Item help[] = {{M::kMenuViewHelp, "&View Help"}, {M::kMenuAbout, "&About"}};
  const auto enabled = [&](int command) {
    return enabledOnly.size() == 0 ||
           std::find(enabledOnly.begin(), enabledOnly.end(), command) != enabledOnly.end();
  };
  auto* bar = new wxMenuBar;
  const auto menu = [&](const auto& items, const char* title, bool radio) {
    auto* m = new wxMenu;
    for (const Item& i : items) {
      wxMenuItem* added = radio ? m->AppendRadioItem(WxCommandId(i.command), i.text)
                                : m->Append(WxCommandId(i.command), i.text);
      added->Enable(enabled(i.command));
    }
    bar->Append(m, title);
  };
  menu(data, "&Data", false);
  menu(viewItems, "&View", view == ViewItems::Radio);
  menu(help, "&Help", false);
  return bar;
}
