// The results page as the page tests drive it: the running page, a step that acts on it once its
// tree, list, marking, log and preview workers have ended, and the NTFS fixture volume its tests
// scan.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include <wx/listctrl.h>
#include <wx/treectrl.h>
#include <wx/uiaction.h>

#include "PageTestFixture.h"
#include "PageTestUtil.h"
#include "pages/results/wx/ViewDataInControls.h"
#include "storage/VolumeGeometry.h"

namespace guitest {

inline ViewDataInControls* RunningResultsPage() {
  return FindRunningPage<ViewDataInControls>();
}

inline Script::Step WhenResultsSettled(std::function<void(ViewDataInControls&)> what) {
  return [what] {
    ViewDataInControls* p = RunningResultsPage();
    if (!p || p->Busy()) return false;
    what(*p);
    return true;
  };
}

// The same once ticks ticks (40 ms each) have passed: real input reaches the page through the X
// server some time after the step that sent it returned.
inline Script::Step WhenResultsSettledAfter(int ticks,
                                            std::function<void(ViewDataInControls&)> what) {
  auto waited = std::make_shared<int>(0);
  return [ticks, waited, what] {
    if (++*waited < ticks) return false;
    ViewDataInControls* p = RunningResultsPage();
    if (!p || p->Busy()) return false;
    what(*p);
    return true;
  };
}

// The same once shows(page) holds, or after about six seconds (the test's checks then tell what
// was not reached): real input reaches the page through the X server some time after the step
// that sent it returned, later still on a busy machine.
inline Script::Step WhenResultsShow(std::function<bool(ViewDataInControls&)> shows,
                                    std::function<void(ViewDataInControls&)> what) {
  auto waited = std::make_shared<int>(0);
  return [shows, waited, what] {
    ViewDataInControls* p = RunningResultsPage();
    if (!p || p->Busy()) return false;
    if (!shows(*p) && ++*waited < 150) return false;
    what(*p);
    return true;
  };
}

// Real pointer and keys, through the X server as a person's mouse and keyboard give them. Nothing
// is pumped here: a click that opens a menu or a box runs its loop after the step returned.
inline void MouseClickAt(wxWindow* window, wxPoint client, int button = wxMOUSE_BTN_LEFT) {
  wxUIActionSimulator sim;
  sim.MouseMove(window->ClientToScreen(client));
  sim.MouseClick(button);
}

inline void MouseDoubleClickAt(wxWindow* window, wxPoint client) {
  wxUIActionSimulator sim;
  sim.MouseMove(window->ClientToScreen(client));
  sim.MouseDblClick();
}

inline void PressKeys(std::initializer_list<int> keys) {
  wxUIActionSimulator sim;
  for (int key : keys) sim.Char(key);
}

// A point on list row (scrolled into view), x pixels into its first column, in the list's client
// coordinates.
inline wxPoint ListRowPoint(wxListCtrl& list, long row, int x = 60) {
  list.EnsureVisible(row);
  wxRect r;
  list.GetItemRect(row, r);
  return {r.x + x, r.y + r.height / 2};
}

// The middle of a tree item's text, in the tree's client coordinates.
inline wxPoint TreeItemPoint(wxTreeCtrl& tree, const wxTreeItemId& id) {
  tree.EnsureVisible(id);
  wxRect r;
  tree.GetBoundingRect(id, r, /*textOnly=*/true);
  return {r.x + r.width / 2, r.y + r.height / 2};
}

// A page test on the NTFS fixture volume of 4 KiB clusters, chosen as the source page chooses a
// volume for a deleted-data scan.
class NtfsVolumePageTest : public PageTest {
 protected:
  static inline const std::string kImage =
      std::string(MERROWIND_FIXTURE_DIR) + "/ntfs/ntfs-c4096.img";

  void SetUp() override {
    if (!std::filesystem::exists(kImage)) GTEST_SKIP() << "fixture " << kImage << " not built";
    StartPageEnvironment();
    UseImageAsVolume(kImage, FileSystemKind::Ntfs);
    ASSERT_EQ(DetectVolumeGeometry(), 1);
  }
};

}  // namespace guitest
