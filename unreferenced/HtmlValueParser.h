// The value and attribute parsers of the markup: colours, lengths, keywords and the attributes
// of image and table tags. Unknown words keep the previous value; numbers saturate.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "unreferenced/HtmlMeasurer.h"
#include "unreferenced/HtmlStyle.h"

class HtmlValueParser {
 public:
  ColorRef ParseColor(std::u16string_view value, ColorRef fallback) const;
  // The disabled colour on a disabled parser, else the named colour or fallback.
  ColorRef GetColorByName(std::u16string_view name, ColorRef fallback) const;
  // Pixels of a length; with html sizes the bare numbers 1-7 are the seven font sizes.
  std::int32_t ParseLength(std::u16string_view value, std::int32_t base, bool htmlSizes) const;

  static std::int32_t ParseFontStyle(std::u16string_view value, std::int32_t previous);
  static std::int32_t ParseFontWeight(std::u16string_view value);
  static std::int32_t ParseTextAlign(std::u16string_view value, std::int32_t previous);
  static std::int32_t ParseVerticalAlign(std::u16string_view value, std::int32_t previous);
  static std::int32_t ParseTextTransform(std::u16string_view value, std::int32_t previous);
  static std::int32_t ParseBorderStyle(std::u16string_view value, std::int32_t previous);
  static void ParseTextDecoration(std::u16string_view value, HtmlStyle& style);
  std::int32_t ParseBorderWidth(std::u16string_view value, std::int32_t previous) const;
  std::int32_t ParseBackgroundEffect(std::u16string_view value, std::int32_t previous) const;
  static void ParseStyleLetters(std::u16string_view value, HtmlStyle& style);
  std::int32_t ParseImageStyle(std::u16string_view value) const;
  static bool IsPercent(std::u16string_view value);
  static int CountChar(std::u16string_view text, char16_t c);

  void ParseImageAttributes(std::u16string_view text, HtmlImageAttributes& attributes) const;
  HtmlSpans ParseTableAttributes(std::u16string_view text, HtmlStyle& style, bool isTable) const;

  void SetEnabled(bool enabled) { m_Enabled = enabled; }
  bool IsEnabled() const { return m_Enabled; }
  void SetDisabledColor(ColorRef colour) { m_DisabledColor = colour; }
  ColorRef GetDisabledColor() const { return m_DisabledColor; }

 protected:
  // Font metrics for "ex" and "em" and the resolution for absolute units; without a measurer
  // those are 0 and 96 dots per inch.
  HtmlTextMeasurer* m_Measurer = nullptr;
  std::map<std::u16string, ColorRef> m_ColorNames;
  bool m_Enabled = true;
  ColorRef m_DisabledColor = 0x00808080;
  int m_ShadowOffsetX = 4;
  int m_ShadowOffsetY = 4;
  bool m_GradientShadow = true;
};
