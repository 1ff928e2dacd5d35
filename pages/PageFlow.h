// How one page opens the next. Each page's folder implements the function that runs it; a page
// that hands on calls it through this header and never includes another page's own headers, so
// pages can be built and tested one at a time. The wizard order (mode, source, imaging, found
// file systems, analysis, results, copy) is also the link order: a page calls only later ones.
#pragma once

#include <string>

#include "saving/copywalk/FolderWalk.h"

// Runs the source page modally without a parent and returns its result.
int RunSourcePage();

// Runs the disk-imaging page for the source chosen on the source page.
int RunImagingPage();

// Runs the found-file-systems page after the first pass of a partition search; its Next runs the
// analysis page again for the chosen file system.
int RunFoundFileSystemsPage();

// Runs the analysis page for the chosen source, mode and flags: 1 after a stopped deleted-data
// scan whose results were shown, 2 otherwise.
int RunAnalysisPage();

// Runs the results page over the lists the analysis page built.
int RunResultsPage();

// Runs the target-path dialog over a snapshot of what is to be saved (the results page's checked
// tree, or the search dialog's checked matches); after its checks and the size evaluation it runs
// the copy page.
int RunDataCopyPath(const FolderWalk& walk);

// Runs the saving-settings dialog (from the path dialog and the results page's menu).
int RunSavingSettings();

// One copy as the path dialog accepted it: what to copy, what the size evaluation counted (the
// end message compares the bytes written with it) and the target folder.
struct CopyRun {
  const FolderWalk* walk = nullptr;
  SizeTotals totals;
  std::string targetPath;  // UTF-8, absolute
};

// Runs the copy progress page; it copies on a worker and ends with the end message.
int RunCopyProgressPage(const CopyRun& run);
