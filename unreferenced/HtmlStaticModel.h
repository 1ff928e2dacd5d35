// The toolkit-free part of the markup static control: where its markup goes inside the client
// area, and the markup its convenience setters write (images, links, the body font and link
// rules of the style sheet).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "unreferenced/HtmlDisplayList.h"
#include "unreferenced/HtmlMeasurer.h"
#include "unreferenced/PixelSurface.h"

// Alignment flags: bits 0-1 horizontal, bits 2-3 vertical; 0 takes the window's style.
enum HtmlStaticAlign : int {
  kHtmlAlignDefault = 0,
  kHtmlAlignLeft = 1,
  kHtmlAlignRight = 2,
  kHtmlAlignCenter = 3,
  kHtmlAlignTop = 4,
  kHtmlAlignBottom = 8,
  kHtmlAlignVCenter = 12,
};

// "No colour": no mask, no text colour added.
inline constexpr ColorRef kHtmlNoColor = 0xFFFFFFFF;

// What the window's style says when the flags leave a direction to it.
struct HtmlStaticStyle {
  bool center = false;
  bool right = false;
  bool centerImage = false;  // vertically centred
  bool wordWrap = true;
};

// A client side less twice its margin and one pixel. The client area has its origin at 0, 0.
int HtmlStaticInnerSize(int clientSize, int margin);
// measured: the drawer's size for the inner width (or for no wrapping at all).
HtmlRect HtmlStaticTextRect(int clientWidth, int clientHeight, int marginX, int marginY,
                            HtmlExtent measured, int align, const HtmlStaticStyle& style,
                            bool imageMode);

// Where an image setter's picture comes from: a resource id or a handle of the resource table.
struct HtmlImageSource {
  static HtmlImageSource Resource(int id) { return {false, id}; }
  static HtmlImageSource Handle(int handle) { return {true, handle}; }
  bool handle = false;
  int value = 0;
};

enum class HtmlImageKind { Icon, Bitmap, Animation, ImageListImage };

// The image tag a setter writes; a cell size is written when both sides are above 0, a mask
// when it is not kHtmlNoColor (icons take neither).
std::u16string HtmlImageTag(HtmlImageKind kind, HtmlImageSource source, int index, int cellWidth,
                            int cellHeight, ColorRef mask);
// The tag with its zoom: a percent of 0 fills the client area less the margins; with a known
// natural size (above 0) the percent is of it in pixels, otherwise written as a percent.
std::u16string HtmlZoomedImageTag(std::u16string_view tag, int widthPercent, int heightPercent,
                                  HtmlExtent natural, int clientWidth, int clientHeight,
                                  int marginX, int marginY);
std::u16string HtmlHyperlinkMarkup(std::u16string_view text, std::u16string_view target,
                                   bool isMessage);
// The markup inside a font tag of that colour.
std::u16string HtmlColoredMarkup(std::u16string_view markup, ColorRef colour);
// The "body" rule for a font of that point size, colour, face, weight and slant.
std::u16string HtmlBodyFontRule(int pointSize, ColorRef colour, std::u16string_view face,
                                int weight, bool italic);
// An "a:link" or "a:hover" rule.
std::u16string HtmlLinkRule(ColorRef colour, bool underline);
