// A deleted-data scan run through the analysis page, as the program runs it: the page's worker,
// its observer, its coalesced drawing and its timers, from the page's start until it hands over
// to the results page (replaced here by nothing), against the same scan run bare on a thread with
// an observer that draws nothing, as scan-dump runs it. Prints the best of five runs of each
// (seconds), the files found, and the time taken to make the page's window before its scan
// starts (bench/analysis_page.sh compares them). Run under a display (xvfb-run).
//
//   analysis_page_gui_bench IMAGE FS   (FS: NTFS, FAT12, FAT16 or FAT32)
#include <wx/app.h>
#include <wx/init.h>

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
#include "platform/DeviceNamespace.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchApp : public wxApp {
 public:
  BenchApp(std::string image, std::string fs) : m_Image(std::move(image)), m_Fs(std::move(fs)) {}
  bool OnInit() override {
    double best = 1e9;
    double bare = 1e9;
    double built = 1e9;  // making the page's window, before its scan starts
    uint32_t files = 0;
    for (int run = 0; run < 10; ++run) {
      const bool throughPage = run % 2 == 1;  // alternate, so both see the same machine
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
      const auto start = Clock::now();
      if (!throughPage) {
        ScanControl control;
        ScanObserver observer;
        std::thread worker([&] {
          ScanJob job{control, observer};
          SelectScanThread(g_FileSystemName)(job);
        });
        worker.join();
        bare = std::min(bare, std::chrono::duration<double>(Clock::now() - start).count());
        continue;
      }
      {
        RecoveryAnalysis page;
        const auto shown = Clock::now();
        Clock::time_point handedOver;
        page.m_RunResultsPage = [&] {
          handedOver = Clock::now();
          files = g_ScanState.fileCount.load();
          return 2;
        };
        page.DoModal();
        best = std::min(best, std::chrono::duration<double>(handedOver - shown).count());
        built = std::min(built, std::chrono::duration<double>(shown - start).count());
      }
    }
    std::printf("%.4f\n%.4f\n%u files\n%.4f\n", bare, best, files, built);
    return false;  // nothing more to run
  }

 private:
  std::string m_Image;
  std::string m_Fs;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("usage: analysis_page_gui_bench IMAGE FS\n");
    return 2;
  }
  return RunGuiBench(argv[0], new BenchApp(argv[1], argv[2]));
}
