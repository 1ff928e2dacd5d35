#include "unreferenced/HtmlStaticModel.h"

#include <algorithm>
#include <cstdio>

#include "unreferenced/HtmlNumbers.h"

namespace {

std::u16string Widen(const char* text) {
  std::u16string out;
  for (; *text != 0; ++text) out.push_back(static_cast<unsigned char>(*text));
  return out;
}

std::u16string Format(const char* format, auto... values) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return Widen(buffer);
}

std::u16string Hex6(ColorRef colour) {
  return Format("0x%06X", static_cast<unsigned>(colour));
}

}  // namespace

int HtmlStaticInnerSize(int clientSize, int margin) {
  return SaturateInt32(std::int64_t{clientSize} - 2 * std::int64_t{margin} - 1);
}

HtmlRect HtmlStaticTextRect(int clientWidth, int clientHeight, int marginX, int marginY,
                            HtmlExtent measured, int align, const HtmlStaticStyle& style,
                            bool imageMode) {
  int width = measured.cx;
  int height = measured.cy;
  if (!style.wordWrap && !imageMode)
    width = std::max(width, HtmlStaticInnerSize(clientWidth, marginX));
  width = std::min(width, clientWidth);
  height = std::min(height, clientHeight);
  int horizontal = align & 3;
  if (horizontal == kHtmlAlignDefault)
    horizontal = style.center ? kHtmlAlignCenter : style.right ? kHtmlAlignRight : kHtmlAlignLeft;
  int vertical = align & 12;
  if (vertical == kHtmlAlignDefault)
    vertical = style.centerImage ? kHtmlAlignVCenter : kHtmlAlignTop;
  std::int64_t x = marginX;
  if (horizontal == kHtmlAlignRight) x = std::int64_t{clientWidth} - marginX - width;
  if (horizontal == kHtmlAlignCenter) x = (std::int64_t{clientWidth} - width) / 2;
  std::int64_t y = marginY;
  if (vertical == kHtmlAlignBottom) y = std::int64_t{clientHeight} - marginY - height;
  if (vertical == kHtmlAlignVCenter) y = (std::int64_t{clientHeight} - height) / 2;
  return {SaturateInt32(x), SaturateInt32(y), SaturateInt32(x + width), SaturateInt32(y + height)};
}

std::u16string HtmlImageTag(HtmlImageKind kind, HtmlImageSource source, int index, int cellWidth,
                            int cellHeight, ColorRef mask) {
  const std::u16string from = source.handle
                                  ? Format("handle=0x%X", static_cast<unsigned>(source.value))
                                  : Format("idres=%d", source.value);
  if (kind == HtmlImageKind::Icon) return u"<icon " + from + u">";
  const std::u16string masked = mask == kHtmlNoColor ? u"" : u" mask=" + Hex6(mask);
  if (kind == HtmlImageKind::Bitmap) return u"<bmp " + from + masked + u">";
  const std::u16string cells =
      cellWidth > 0 && cellHeight > 0 ? Format(" cx=%d, cy=%d", cellWidth, cellHeight) : u"";
  if (kind == HtmlImageKind::Animation)
    return u"<ilst index=0 " + from + masked + cells + u" speed=1>";
  return Format("<ilst index=%d ", index) + from + masked + cells + u">";
}

std::u16string HtmlZoomedImageTag(std::u16string_view tag, int widthPercent, int heightPercent,
                                  HtmlExtent natural, int clientWidth, int clientHeight,
                                  int marginX, int marginY) {
  std::u16string out(
      tag.substr(0, tag.empty() || tag.back() != u'>' ? tag.size() : tag.size() - 1));
  const auto side = [](const char* name, int percent, int natural, int fill) {
    if (percent == 0) return Format(" %s=%d", name, fill);
    if (natural > 0) return Format(" %s=%d", name, MulDiv(natural, percent, 100));
    return Format(" %s=%d%%", name, percent);
  };
  out += side("width", widthPercent, natural.cx, HtmlStaticInnerSize(clientWidth, marginX));
  out += side("height", heightPercent, natural.cy, HtmlStaticInnerSize(clientHeight, marginY));
  return out + u">";
}

std::u16string HtmlHyperlinkMarkup(std::u16string_view text, std::u16string_view target,
                                   bool isMessage) {
  return (isMessage ? u"<a msg=\"" : u"<a href=\"") + std::u16string(target) + u"\">" +
         std::u16string(text) + u"</a>";
}

std::u16string HtmlColoredMarkup(std::u16string_view markup, ColorRef colour) {
  return u"<font color=" + Hex6(colour) + u">" + std::u16string(markup) + u"</font>";
}

std::u16string HtmlBodyFontRule(int pointSize, ColorRef colour, std::u16string_view face,
                                int weight, bool italic) {
  return Format("font-size:%dpt; color:", pointSize) + Hex6(colour) + u"; font-family:" +
         std::u16string(face) + Format("; font-weight:%d", weight) +
         (italic ? u"; font-style:italic" : u"");
}

std::u16string HtmlLinkRule(ColorRef colour, bool underline) {
  return u"color:" + Hex6(colour) + u"; text-decoration:" + (underline ? u"underline" : u"none");
}
