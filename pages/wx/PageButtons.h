// Where the simple pages put their toolbar and their Back and Next buttons: the toolbar in a row
// at the top left, Back and Next at the bottom right, each at least a tenth of the page's width and
// a 35th of its height, 10 pixels apart.
#pragma once

#include <array>

class CHoverButton;
class wxSize;

inline constexpr int kPageMargin = 20;

// Places the tools in a row from the top left; returns the row's bottom.
int PlaceToolbar(const std::array<CHoverButton*, 5>& tools);

// Places Back and Next at the bottom right of a client area of that size; returns their top.
int PlaceBackNext(CHoverButton* back, CHoverButton* next, const wxSize& client);
