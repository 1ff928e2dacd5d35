// How the markup drawer learns the size of text: a font chosen from a style, the extent of a
// string in it and its metrics. The toolkit side measures with a device context; tests use a
// fixed-width fake.
#pragma once

#include <string_view>

#include "unreferenced/HtmlStyle.h"

struct HtmlTextMetrics {
  int height = 0;  // ascent + descent
  int ascent = 0;
  int descent = 0;
};

struct HtmlExtent {
  int cx = 0;
  int cy = 0;
};

class HtmlTextMeasurer {
 public:
  virtual ~HtmlTextMeasurer() = default;
  // Makes the font of style the one that later calls measure.
  virtual void SelectFont(const HtmlStyle& style) = 0;
  virtual HtmlExtent TextExtent(std::u16string_view text) = 0;
  virtual HtmlTextMetrics Metrics() = 0;
  virtual int DotsPerInchY() = 0;
};
