// Next to the results page: a deleted-data scan run through the analysis page, which then opens
// the real results page, timed from the analysis page's start until the results page has settled
// (its tree filled, the root's rows listed and painted, no worker running), against the same scan
// run bare on a thread with an observer that draws nothing, as scan-dump runs it. Prints the best
// of five runs of each (seconds), the files found and when the analysis page handed over to the
// results page; bench/results_open.sh sets them side by side. Run under a display (xvfb-run).
//
//   results_open_gui_bench IMAGE FS   (FS: NTFS, FAT12, FAT16 or FAT32)
#include <wx/app.h>
#include <wx/init.h>
#include <wx/timer.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/GuiBenchMain.h"
#include "engine/records/ScanState.h"
#include "engine/scans/ScanSelect.h"
#include "engine/worker/ScanJob.h"
#include "pages/analysis/wx/RecoveryAnalysis.h"
#include "pages/results/wx/ViewDataInControls.h"
#include "platform/DeviceNamespace.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "widgets/wx/ColoredListCtrl.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Ends the results page once it has settled, and keeps the time it did.
class SettleWatch : public wxEvtHandler {
 public:
  explicit SettleWatch(ViewDataInControls& page) : m_Page(page), m_Timer(this) {
    for (wxWindow* child : page.m_List->GetChildren())
      child->Bind(wxEVT_PAINT, [this](wxPaintEvent& e) {
        if (!m_Page.m_List->Rows().empty()) m_PaintedRows = true;
        e.Skip();
      });
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
      if (!m_Page.IsShown() || m_Page.Busy() || !m_PaintedRows) return;
      m_Settled = Clock::now();
      m_Timer.Stop();
      m_Page.EndDialog(1);
    });
    m_Timer.Start(1);
  }
  Clock::time_point Settled() const { return m_Settled; }

 private:
  ViewDataInControls& m_Page;
  wxTimer m_Timer;
  bool m_PaintedRows = false;
  Clock::time_point m_Settled;
};

class BenchApp : public wxApp {
 public:
  BenchApp(std::string image, std::string fs) : m_Image(std::move(image)), m_Fs(std::move(fs)) {}
  bool OnInit() override {
    double bare = 1e9, paged = 1e9, handOver = 1e9;
    uint32_t files = 0;
    for (int run = 0; run < 10; ++run) {
      const bool throughPages = run % 2 == 1;  // alternate, so both see the same machine
      if (!Prepare()) return false;
      const Clock::time_point start = Clock::now();
      if (!throughPages) {
        ScanControl control;
        ScanObserver observer;
        std::thread worker([&] {
          ScanJob job{control, observer};
          SelectScanThread(g_FileSystemName)(job);
        });
        worker.join();
        bare = std::min(bare, Seconds(Clock::now() - start));
        continue;
      }
      Clock::time_point settled, handedOver;
      {
        RecoveryAnalysis analysis;
        analysis.m_RunResultsPage = [&] {
          handedOver = Clock::now();
          files = g_ScanState.fileCount.load();
          g_FormattedMode = 1;  // no deleted-data hint box waiting for a click
          ViewDataInControls results;
          SettleWatch watch(results);
          const int answer = results.DoModal();
          settled = watch.Settled();
          return answer;
        };
        analysis.DoModal();
      }
      paged = std::min(paged, Seconds(settled - start));
      handOver = std::min(handOver, Seconds(handedOver - start));
    }
    ResetProgramState();
    std::printf("%.4f\n%.4f\n%u files\n%.4f\n", bare, paged, files, handOver);
    return false;  // nothing more to run
  }

 private:
  bool Prepare() {
    ResetProgramState();
    MapDeviceToFile("\\\\.\\PhysicalDrive0", m_Image);
    struct stat st {};
    if (::stat(m_Image.c_str(), &st) != 0) return false;
    g_CurrentDevice = 0;
    g_BytesPerSector = 512;
    g_SourceStartSector = 0;
    g_SourceEndSector = st.st_size / 512;
    g_FileSystemName = ParseFileSystemKind(m_Fs);
    g_ScanState.recoveryMode = 1;
    if (!DetectVolumeGeometry()) {
      std::printf("no %s volume in %s\n", m_Fs.c_str(), m_Image.c_str());
      return false;
    }
    g_ScanState.fileSystem = g_FileSystemName;
    return true;
  }

  std::string m_Image;
  std::string m_Fs;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("usage: results_open_gui_bench IMAGE FS\n");
    return 2;
  }
  return RunGuiBench(argv[0], new BenchApp(argv[1], argv[2]));
}
