// How one page opens the next. Each page's folder implements the function that runs it; a page
// that hands on calls it through this header and never includes another page's own headers, so
// pages can be built and tested one at a time.
#pragma once

// Runs the source page modally without a parent and returns its result.
int RunSourcePage();

// Runs the analysis page for the chosen source, mode and flags: 1 after a stopped deleted-data
// scan whose results were shown, 2 otherwise.
int RunAnalysisPage();

// Runs the results page over the lists the analysis page built.
int RunResultsPage();
