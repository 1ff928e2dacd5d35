// The results page at scale, on a display: the real page over 1,000,000 files, one of its folders
// holding 100,000 of them. The folder is opened as a tree click opens it (list fill on the page's
// worker), then each column header is clicked twice (both directions), the list scrolled to its
// end, the tree's root checked and unchecked (every record marked) and the big folder's row
// checked (the select worker marks its files). A 2 ms timer on the UI thread keeps the longest
// gap between its ticks: the longest time the UI thread was blocked, with the processor time the
// thread spent in that gap. Prints one "name value" line per figure (milliseconds unless named);
// bench/results_scale.sh runs it and sets the figures beside their targets. Run under xvfb-run;
// a screen larger than 2560 x 1600 gives the page's large-desktop layout (a taller list).
//
// RESULTS_SCALE_TRACE=1 prints each phase's start (CLOCK_MONOTONIC) to stderr, to line up with
// `perf record -k CLOCK_MONOTONIC`; RESULTS_SCALE_SHOT=FILE.png saves a screenshot.
//
//   results_scale_gui_bench
#include <wx/app.h>
#include <wx/init.h>
#include <wx/listctrl.h>
#include <wx/timer.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/GuiBenchMain.h"
#include "bench/ResultsScaleLists.h"
#include "pages/results/wx/ViewDataInControls.h"
#include "widgets/wx/ColoredListCtrl.h"
#include "widgets/wx/FolderTreeCtrl.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kFolders = 100;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// A timer on the UI thread every 2 ms: the longest gap between two of its ticks since the last
// Reset is the longest time the event loop did not turn (the period itself included).
class Heartbeat : public wxEvtHandler {
 public:
  Heartbeat() : m_Timer(this) {
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
      const Clock::time_point now = Clock::now();
      const double cpu = ThreadCpuMs();
      if (Ms(now - m_Last) > m_Longest) {
        m_Longest = Ms(now - m_Last);
        m_LongestCpu = cpu - m_LastCpu;
      }
      m_Last = now;
      m_LastCpu = cpu;
      ++m_Ticks;
    });
    m_Timer.Start(2);
  }
  void Reset() {
    m_Longest = m_LongestCpu = 0;
    m_Last = Clock::now();
    m_LastCpu = ThreadCpuMs();
  }
  double LongestMs() const { return m_Longest; }
  // The processor time the UI thread spent within the longest gap: well below the gap, the
  // thread waited (for the display server, or for a processor on a busy machine).
  double LongestCpuMs() const { return m_LongestCpu; }
  uint64_t Ticks() const { return m_Ticks; }

 private:
  wxTimer m_Timer;
  Clock::time_point m_Last = Clock::now();
  double m_Longest = 0;
  double m_LastCpu = ThreadCpuMs();
  double m_LongestCpu = 0;
  uint64_t m_Ticks = 0;
};

struct Figure {
  std::string name;
  double value;
};

// Steps run one after another from a timer on the UI thread; a step returns false to be asked
// again at the next tick.
class Driver : public wxEvtHandler {
 public:
  using Step = std::function<bool()>;
  explicit Driver(std::vector<Step> steps) : m_Steps(std::move(steps)), m_Timer(this) {
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
      if (m_Index < m_Steps.size() && m_Steps[m_Index]()) ++m_Index;
    });
    m_Timer.Start(5);
  }
  bool Finished() const { return m_Index >= m_Steps.size(); }

 private:
  std::vector<Step> m_Steps;
  size_t m_Index = 0;
  wxTimer m_Timer;
};

class BenchApp : public wxApp {
 public:
  bool OnInit() override {
    const Clock::time_point built0 = Clock::now();
    BuildScaleLists(kFolders);
    g_FormattedMode = 1;  // no deleted-data hint box
    std::printf("lists_built_s %.2f\n", Ms(Clock::now() - built0) / 1000);
    Run();
    for (const Figure& f : m_Figures) std::printf("%s %.2f\n", f.name.c_str(), f.value);
    return false;
  }

 private:
  void Add(std::string name, double value) { m_Figures.push_back({std::move(name), value}); }

  // Waits until the page's workers have ended, the list has painted since, and the heartbeat has
  // ticked twice since the action (so the gap it caused is counted in its phase).
  bool Settled() const {
    return !m_Page->Busy() && m_Painted && m_Heartbeat->Ticks() >= m_TicksAfterAction + 2;
  }

  void Begin() {
    m_Painted = false;
    m_Heartbeat->Reset();
    m_Start = Clock::now();
  }

  // A step that acts, then a step that waits for the page to settle and records the figures.
  void Phase(std::vector<Driver::Step>& steps, const std::string& name, std::function<void()> act) {
    steps.push_back([this, name, act] {
      Begin();
      if (std::getenv("RESULTS_SCALE_TRACE")) {  // phase starts, to line up with a profile
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        std::fprintf(stderr, "phase %s %.6f\n", name.c_str(), double(t.tv_sec) + t.tv_nsec / 1e9);
      }
      const Clock::time_point t0 = Clock::now();
      act();
      Add(name + "_handler", Ms(Clock::now() - t0));
      m_TicksAfterAction = m_Heartbeat->Ticks();
      return true;
    });
    steps.push_back([this, name] {
      if (!Settled()) return false;
      Add(name + "_shown", Ms(Clock::now() - m_Start));
      Add(name + "_longest_block", m_Heartbeat->LongestMs());
      Add(name + "_longest_block_cpu", m_Heartbeat->LongestCpuMs());
      return true;
    });
  }

  void Run() {
    ViewDataInControls page;
    m_Page = &page;
    // The list draws through its own child windows.
    for (wxWindow* child : page.m_List->GetChildren())
      child->Bind(wxEVT_PAINT, [this](wxPaintEvent& e) {
        m_Painted = true;
        e.Skip();
      });
    Heartbeat heartbeat;
    m_Heartbeat = &heartbeat;
    long residentBefore = 0;
    std::vector<Driver::Step> steps;
    // The page opens on the root's 100 folders.
    steps.push_back([this] {
      if (!m_Page->IsShown() || !Settled() || m_Page->m_List->Rows().empty()) return false;
      Add("page_open_shown", Ms(Clock::now() - m_Opened));
      Add("page_open_longest_block", m_Heartbeat->LongestMs());
      Add("page_open_longest_block_cpu", m_Heartbeat->LongestCpuMs());
      return true;
    });
    steps.push_back([&residentBefore] {
      residentBefore = ResidentKb();
      return true;
    });
    Phase(steps, "open_folder", [this] {
      m_Page->ShowFolderItem(static_cast<TreeItem>(FindFolderRecord(kBigFolderId, 0)->treeItem));
    });
    steps.push_back([this, &residentBefore] {
      const size_t rows = m_Page->m_List->Rows().size();
      Add("rows", static_cast<double>(rows));
      Add("resident_bytes_per_row",
          1024.0 * double(ResidentKb() - residentBefore) / double(rows ? rows : 1));
      return true;
    });
    const char* const columns[kListColumnCount] = {"name",    "type",     "size", "modified",
                                                   "created", "accessed", "id"};
    for (int c = 0; c < kListColumnCount; ++c)
      for (int click = 0; click < 2; ++click) {
        Phase(steps, std::string("sort_") + columns[c] + (click ? "_asc" : "_desc"), [this, c] {
          wxListEvent event(wxEVT_LIST_COL_CLICK, m_Page->m_List->GetId());
          event.m_col = c;
          event.SetEventObject(m_Page->m_List);
          m_Page->m_List->GetEventHandler()->ProcessEvent(event);
        });
        // The screenshot shows the folder sorted by type, deleted rows first.
        if (const char* shot = std::getenv("RESULTS_SCALE_SHOT"); shot && c == 1 && click == 0)
          steps.push_back([shot = std::string(shot)] {
            return std::system(("import -window root '" + shot + "'").c_str()) >= 0;
          });
      }
    Phase(steps, "scroll_to_end",
          [this] { m_Page->m_List->EnsureVisible(m_Page->m_List->GetItemCount() - 1); });
    Phase(steps, "check_root", [this] {
      FolderTreeModel& m = m_Page->m_Tree->Model();
      m.Click(m.RootItem(), FolderTreeModel::ClickPart::StateIcon);
    });
    Phase(steps, "uncheck_root", [this] {
      FolderTreeModel& m = m_Page->m_Tree->Model();
      m.Click(m.RootItem(), FolderTreeModel::ClickPart::StateIcon);
    });
    Phase(steps, "check_folder_row", [this] {
      // The check of the big folder's row as the root's list shows it: the select worker walks
      // all files.
      m_Page->CheckRow({FindFolderRecord(kBigFolderId, 0), nullptr}, true,
                       m_Page->m_Tree->Model().RootItem());
    });
    steps.push_back([this] {
      m_Page->EndDialog(1);
      return true;
    });
    Driver driver(std::move(steps));
    m_Opened = Clock::now();
    heartbeat.Reset();
    page.DoModal();
    if (!driver.Finished()) std::printf("the page ended before the last step\n");
    m_Page = nullptr;
    m_Heartbeat = nullptr;
  }

  ViewDataInControls* m_Page = nullptr;
  Heartbeat* m_Heartbeat = nullptr;
  bool m_Painted = false;
  Clock::time_point m_Opened;
  Clock::time_point m_Start;
  uint64_t m_TicksAfterAction = 0;
  std::vector<Figure> m_Figures;
};

}  // namespace

int main(int, char** argv) { return RunGuiBench(argv[0], new BenchApp); }
