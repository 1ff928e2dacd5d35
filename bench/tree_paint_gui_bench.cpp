// Time to first paint of a results tree over a large folder list: from the start of the fill to
// the first paint of the tree control, then the time to open a node four levels down. The folder
// list (not timed) has four levels, 20 x 20 x 20 x N folders; run under a display (xvfb-run).
//
//   tree_paint_gui_bench [folders at the last level, default 200000]
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/init.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"
#include "widgets/wx/FolderTreeCtrl.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from) {
  return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

uint32_t BuildFolders(uint32_t lastLevel) {
  const uint32_t fanout[] = {20, 20, 20, lastLevel / 8000 ? lastLevel / 8000 : 1};
  uint32_t next = 100;
  uint32_t deepest = 0;
  std::vector<uint32_t> level{5};
  for (uint32_t width : fanout) {
    std::vector<uint32_t> below;
    for (uint32_t parent : level)
      for (uint32_t i = 0; i < width; ++i) {
        const std::u16string name = u"Folder " + std::u16string(1, char16_t(u'A' + i % 26)) +
                                    std::u16string(1, char16_t(u'a' + i / 26 % 26));
        AddFolderRecord({.wideName = name, .parentId = parent, .id = next});
        below.push_back(deepest = next++);
      }
    level = std::move(below);
  }
  return deepest;
}

void Pump(bool& until) {
  const auto start = Clock::now();
  while (!until && Ms(start) < 30000) {
    wxTheApp->ProcessPendingEvents();
    while (wxTheApp->Pending()) wxTheApp->Dispatch();
    wxTheApp->ProcessIdle();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t lastLevel = argc > 1 ? static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 200000;
  if (!std::getenv("DISPLAY")) {
    std::printf("needs a display: run under xvfb-run\n");
    return 77;
  }
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv)) return 1;
  wxGUIEventLoop loop;
  wxEventLoopActivator activate(&loop);
  ResetProgramState();
  g_FileSystemName = FileSystemKind::Ntfs;
  g_TreeMode = 2;
  const uint32_t deepest = BuildFolders(lastLevel);
  std::printf("folders: %u\n", g_ScanState.folderCount.load());

  auto* frame = new wxFrame(nullptr, wxID_ANY, "tree", wxPoint(40, 40), wxSize(420, 600));
  auto* tree = new CFolderTreeCtrl(frame, wxID_ANY);
  bool painted = false;
  tree->Bind(wxEVT_PAINT, [&](wxPaintEvent& e) {
    painted = true;
    e.Skip();
  });

  const auto start = Clock::now();
  const std::clock_t cpuStart = std::clock();
  tree->InitRoots();
  tree->FillFolderTree(tree->Model().RootItem(), 5);
  const double fill = Ms(start);
  const double fillCpu = 1000.0 * double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  frame->Show();
  Pump(painted);
  // On a shared machine the processor time of the fill says more than the wall time.
  std::printf("fill: %.1f ms (processor time %.1f ms)\nfirst paint: %.1f ms (window items %zu)\n", fill, fillCpu, Ms(start),
              tree->WindowItemCount());

  const auto open = Clock::now();
  painted = false;
  const wxTreeItemId id = tree->ShowItem(FindFolderRecord(deepest, 0)->treeItem);
  tree->EnsureVisible(id);
  tree->SelectItem(id);
  tree->Refresh();
  Pump(painted);
  std::printf("open a node four levels down and paint: %.1f ms (window items %zu)\n", Ms(open),
              tree->WindowItemCount());

  frame->Destroy();
  wxEntryCleanup();
  return 0;
}
