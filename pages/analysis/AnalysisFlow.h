// What the analysis page does when its worker ends, and which worker it starts.
#pragma once

#include "engine/scans/ScanSelect.h"
#include "engine/worker/ScanJob.h"

enum class AfterWorker {
  ShowResults,    // run the results page, then end this page
  EndPage,        // end the page: its caller goes on (found file systems, imaging page, Back)
  DiscardAndEnd,  // free the folder list, then end the page
  StayOpen,       // nothing to show: the page stays until Back or the close box
};

struct AnalysisModes {
  bool createImage = false;
  bool formatted = false;
  bool partition = false;
};

AfterWorker AfterWorkerEnds(ScanEnd end);

// The page's result after the results page returns: 1 after a stopped deleted-data scan, 2
// otherwise (the callers tell a finished scan from a stopped one by it).
int ResultAfterResultsPage(ScanEnd end, const AnalysisModes& modes);

// The worker the page starts: the disk-image worker while imaging, otherwise the scan chosen for
// g_FileSystemName and the mode flags; nullptr when none applies.
ScanThreadFn SelectAnalysisWorker(const AnalysisModes& modes);

// The scan state a live scan starts from: the file system it scans (the volume geometry is the
// one copy the scans read).
void PrepareScanState();
