#include "pages/wx/PageButtons.h"

#include <algorithm>

#include "widgets/wx/HoverButton.h"

int PlaceToolbar(const std::array<CHoverButton*, 5>& tools) {
  constexpr int kTop = 8;
  int x = kPageMargin;
  int height = 0;
  for (CHoverButton* tool : tools) {
    const wxSize size = tool->HasStrip() ? tool->GetSize() : wxSize(80, 28);
    tool->SetSize(x, kTop, size.x, size.y);
    x += size.x + 6;
    height = std::max(height, size.y);
  }
  return kTop + height;
}

int PlaceBackNext(CHoverButton* back, CHoverButton* next, const wxSize& client) {
  const wxSize nextSize = next->HasStrip() ? next->GetSize() : wxSize(0, 0);
  const wxSize backSize = back->HasStrip() ? back->GetSize() : wxSize(0, 0);
  const int width = std::max({client.x / 10, nextSize.x, backSize.x});
  const int height = std::max({client.y / 35, nextSize.y, backSize.y, 28});
  const int top = client.y - kPageMargin - height;
  next->SetSize(client.x - kPageMargin - width, top, width, height);
  back->SetSize(client.x - kPageMargin - 2 * width - 10, top, width, height);
  return top;
}
