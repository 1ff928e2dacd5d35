// How a label lays out its text: the alignment its style asks for, and word wrapping inside its
// rectangle. Measuring is passed in, so the rules are checked without a display.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The label kinds a page can choose; Left wraps at word boundaries, LeftNoWrap keeps each line
// whole and lets the right edge cut it.
enum class LabelAlign { Left, Center, Right, LeftNoWrap };

struct LabelTextFormat {
  enum Horizontal { kLeft, kCenter, kRight } horizontal = kLeft;
  bool wordBreak = true;
  bool verticalCenter = false;
  bool singleLine = false;
  bool expandTabs = false;
};

// centerImage centres a one-line text both ways; a text with "\r\n" is then only centred
// horizontally, from the top.
LabelTextFormat ChooseLabelFormat(LabelAlign align, bool centerImage, std::string_view text);

// Splits text into the lines to draw: at line breaks ("\n" or "\r\n"), and, with wordBreak, at
// the last blank that keeps a line within maxWidth. A word wider than the line stays whole on its
// own line. Tabs are expanded to the next multiple of eight characters when expandTabs is set.
std::vector<std::string> LayoutLabelLines(std::string_view text, const LabelTextFormat& format,
                                          int maxWidth,
                                          const std::function<int(std::string_view)>& measure);

// A caption with "&" mnemonics as it is drawn: "&&" becomes "&", a single "&" disappears.
std::string StripMnemonics(std::string_view caption);
