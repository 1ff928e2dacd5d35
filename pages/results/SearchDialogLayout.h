// The search dialog's geometry, free of any window: where its window stands on the desktop before
// and after the first search, and where the rows of controls that are placed from the lengths of
// their texts stand. Texts are measured in the fonts the dialog draws them with (the label font
// is 9 points times the DPI factor, so its pixels hardly change with the DPI); the gaps of the
// 96-DPI design grow with the DPI (divided by the factor, which is 1 on a large desktop).
#pragma once

#include "pages/ModePageLayout.h"
#include "widgets/LookMetrics.h"

// A length of the 96-DPI design at the screen's DPI: pixels / factor, rounded.
int SearchDialogPixels(int pixelsAt96, float factor);

enum class SearchWindowState {
  Criteria,            // before the first search
  CriteriaAndResults,  // after it, with the criteria shown
  ResultsOnly,         // after it, with the criteria hidden
};

// The window for a state; startWidth x startHeight is its size before the first search. Before
// it the window's centre stands at five sevenths of (desktop width - 300) across and at half the
// desktop's height; with the results it keeps that centre across, its top at the desktop's top +
// 60 and three times the starting height with the criteria, twice it + 80 without. The window is
// kept on the desktop: moved in and, when larger, cut to it.
PixelRect SearchWindowRect(const DesktopRect& desktop, int startWidth, int startHeight,
                           SearchWindowState state);

// The name row: label 1118, pattern edit 1117, example 1228 and the Start button.
struct SearchNameRowInput {
  PixelRect row;         // the space inside the name frame, client pixels
  int labelText = 0;     // "Enter Search Name " in the label font
  int exampleText = 0;   // "e.g: - *.xls"
  int textHeight = 0;    // a line of the label font
  int editHeight = 0;    // a one-line edit
  int startWidth = 0;    // the Start button
  int startHeight = 0;
  DpiFactors factors;
};
struct SearchNameRowLayout {
  PixelRect label, pattern, example, start;
};
// The label at the row's left, the pattern edit 6 pixels (at 96 DPI) after its text, the example
// 6 after the edit, the Start button at the row's right 10 after the example; the edit takes
// what is left, but never less than 80 pixels at 96 DPI. All centred on the row's height.
SearchNameRowLayout LayOutSearchNameRow(const SearchNameRowInput& in);

// The row above the result list: "Select/Unselect All", "Please wait...", "Match Found : ", the
// count and the >> / << button, and the Start button while the criteria are hidden.
struct SearchResultRowInput {
  PixelRect row;
  int selectAllWidth = 0;   // the check box with its text
  int pleaseWaitWidth = 0;  // the texts as drawn
  int matchFoundWidth = 0;
  int countWidth = 0;       // the widest count shown
  int textHeight = 0;
  int toggleWidth = 0;
  int toggleHeight = 0;
  int startWidth = 0;       // 0 when the Start button stays in the name row
  int startHeight = 0;
  DpiFactors factors;
};
struct SearchResultRowLayout {
  PixelRect selectAll, pleaseWait, matchFound, count, toggle, start;
};
// Select/Unselect All at the left with "Please wait..." 12 pixels (at 96 DPI) after it; the
// toggle at the right, the count 12 before it and "Match Found : " directly before the count;
// the Start button, when it is in this row, 12 before "Match Found : ".
SearchResultRowLayout LayOutSearchResultRow(const SearchResultRowInput& in);
