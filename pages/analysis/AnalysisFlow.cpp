#include "pages/analysis/AnalysisFlow.h"

#include "engine/records/ScanState.h"
#include "saving/imaging/DiskImageWorker.h"
#include "storage/SourceGlobals.h"

AfterWorker AfterWorkerEnds(ScanEnd end) {
  switch (end) {
    case ScanEnd::Finished:
    case ScanEnd::Stopped:
      return AfterWorker::ShowResults;
    case ScanEnd::PassDone:
    case ScanEnd::ImageDone:
    case ScanEnd::Cancelled:
      return AfterWorker::EndPage;
    case ScanEnd::Discard:
      return AfterWorker::DiscardAndEnd;
    case ScanEnd::Failed:
      break;
  }
  return AfterWorker::StayOpen;
}

int ResultAfterResultsPage(ScanEnd end, const AnalysisModes& modes) {
  const bool deletedMode = !modes.formatted && !modes.partition && !modes.createImage;
  return end == ScanEnd::Stopped && deletedMode ? 1 : 2;
}

namespace {

// The disk-image worker as the page runs it: what it could not do goes to the detail line.
ScanEnd RunDiskImage(ScanJob& job) {
  const DiskImageResult result = DiskImageThread(job);
  const std::string note = DiskImageRunNote(result);
  if (!note.empty()) job.observer.OnDetailText(note);
  return result.end;
}

}  // namespace

ScanThreadFn SelectAnalysisWorker(const AnalysisModes& modes) {
  if (modes.createImage) return RunDiskImage;
  return SelectScanThread(g_FileSystemName);
}

void PrepareScanState() {
  if (g_LogLoaded.load() == 0) g_ScanState.fileSystem = g_FileSystemName;
}
