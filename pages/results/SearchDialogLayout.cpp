#include "pages/results/SearchDialogLayout.h"

#include <algorithm>
#include <cmath>

namespace {

// y of a control of that height centred on the row.
int Centred(const PixelRect& row, int height) {
  return row.y + (row.height - height) / 2;
}

// Moves a span of length into [low, high); a longer span is cut to it.
void KeepWithin(int& start, int& length, int low, int high) {
  length = std::min(length, std::max(0, high - low));
  start = std::clamp(start, low, high - length);
}

}  // namespace

int SearchDialogPixels(int pixelsAt96, float factor) {
  if (!(factor > 0.0f)) factor = 1.0f;
  return static_cast<int>(std::lround(static_cast<float>(pixelsAt96) / factor));
}

PixelRect SearchWindowRect(const DesktopRect& desktop, int startWidth, int startHeight,
                           SearchWindowState state) {
  const int width = desktop.right - desktop.left;
  const int height = desktop.bottom - desktop.top;
  PixelRect r;
  r.width = startWidth;
  r.x = desktop.left + 5 * (width - 300) / 7 - startWidth / 2;
  switch (state) {
    case SearchWindowState::Criteria:
      r.height = startHeight;
      r.y = desktop.top + height / 2 - startHeight / 2;
      break;
    case SearchWindowState::CriteriaAndResults:
      r.height = 3 * startHeight;
      r.y = desktop.top + 60;
      break;
    case SearchWindowState::ResultsOnly:
      r.height = 2 * startHeight + 80;
      r.y = desktop.top + 60;
      break;
  }
  KeepWithin(r.x, r.width, desktop.left, desktop.right);
  KeepWithin(r.y, r.height, desktop.top, desktop.bottom);
  return r;
}

SearchNameRowLayout LayOutSearchNameRow(const SearchNameRowInput& in) {
  const float fx = in.factors.x;
  SearchNameRowLayout out;
  out.label = {in.row.x, Centred(in.row, in.textHeight), in.labelText, in.textHeight};
  out.start = {in.row.x + in.row.width - in.startWidth, Centred(in.row, in.startHeight),
               in.startWidth, in.startHeight};
  const int patternX = out.label.x + out.label.width + SearchDialogPixels(6, fx);
  const int room = out.start.x - SearchDialogPixels(10, fx) - in.exampleText -
                   SearchDialogPixels(6, fx) - patternX;
  out.pattern = {patternX, Centred(in.row, in.editHeight),
                 std::max(room, SearchDialogPixels(80, fx)), in.editHeight};
  out.example = {out.pattern.x + out.pattern.width + SearchDialogPixels(6, fx),
                 Centred(in.row, in.textHeight), in.exampleText, in.textHeight};
  return out;
}

SearchResultRowLayout LayOutSearchResultRow(const SearchResultRowInput& in) {
  const int gap = SearchDialogPixels(12, in.factors.x);
  SearchResultRowLayout out;
  const int textY = Centred(in.row, in.textHeight);
  out.selectAll = {in.row.x, textY, in.selectAllWidth, in.textHeight};
  out.pleaseWait = {out.selectAll.x + out.selectAll.width + gap, textY, in.pleaseWaitWidth,
                    in.textHeight};
  out.toggle = {in.row.x + in.row.width - in.toggleWidth, Centred(in.row, in.toggleHeight),
                in.toggleWidth, in.toggleHeight};
  out.count = {out.toggle.x - gap - in.countWidth, textY, in.countWidth, in.textHeight};
  out.matchFound = {out.count.x - in.matchFoundWidth, textY, in.matchFoundWidth, in.textHeight};
  if (in.startWidth > 0)
    out.start = {out.matchFound.x - gap - in.startWidth, Centred(in.row, in.startHeight),
                 in.startWidth, in.startHeight};
  return out;
}
