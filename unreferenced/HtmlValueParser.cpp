#include "unreferenced/HtmlValueParser.h"

#include <cstddef>

#include "unreferenced/HtmlNumbers.h"
#include "unreferenced/HtmlTokenizer.h"

namespace {

struct Keyword {
  std::u16string_view word;
  std::int32_t value;
};

// The value of the keyword, the first keyword's for an empty value, previous when unknown.
template <std::size_t N>
std::int32_t Lookup(const Keyword (&words)[N], std::u16string_view value, std::int32_t previous) {
  if (value.empty()) return words[0].value;
  for (const Keyword& k : words)
    if (k.word == value) return k.value;
  return previous;
}

}  // namespace

ColorRef HtmlValueParser::ParseColor(std::u16string_view value, ColorRef fallback) const {
  if (value.empty()) return fallback;
  if (value[0] == u'#') {
    if (value.size() != 7) return fallback;
    std::u16string hex = u"0x";
    hex.append(value.substr(5, 2)).append(value.substr(3, 2)).append(value.substr(1, 2));
    return ReadUnsignedAuto(hex);
  }
  if (value[0] >= u'0' && value[0] <= u'9') return ReadUnsignedAuto(value);
  return GetColorByName(value, fallback);
}

ColorRef HtmlValueParser::GetColorByName(std::u16string_view name, ColorRef fallback) const {
  if (!m_Enabled) return m_DisabledColor;
  const auto it = m_ColorNames.find(std::u16string(name));
  return it == m_ColorNames.end() ? fallback : it->second;
}

std::int32_t HtmlValueParser::ParseLength(std::u16string_view value, std::int32_t base,
                                          bool htmlSizes) const {
  if (value.empty()) return base;
  if (value.back() == u'%') return MulDiv(base, LeadingInt(value.substr(0, value.size() - 1)), 100);
  if (value[0] == u'+' || value[0] == u'-') value.remove_prefix(1);
  const std::int64_t n = LeadingInt(value);
  const std::u16string_view unit = value.size() < 2 ? u"" : value.substr(value.size() - 2);
  if (unit == u"px") return SaturateInt32(n);
  if (unit == u"ex" || unit == u"em") {
    int factor = 0;
    if (m_Measurer)
      factor = unit == u"ex" ? m_Measurer->TextExtent(u"x").cy : m_Measurer->Metrics().height;
    return SaturateInt32(n * factor);
  }
  const std::int64_t t = n * (m_Measurer ? m_Measurer->DotsPerInchY() : 96);
  if (unit == u"in") return SaturateInt32(t);
  if (unit == u"cm") return SaturateInt32(static_cast<std::int64_t>(static_cast<double>(t) / 2.54));
  if (unit == u"mm") return SaturateInt32(static_cast<std::int64_t>(static_cast<double>(t) / 25.4));
  if (unit == u"pt") return SaturateInt32(t / 72);
  if (unit == u"pc") return SaturateInt32(t / 6);
  const std::uint32_t k = ReadUnsignedAuto(value);
  static constexpr std::int32_t kHtmlSizes[] = {8, 10, 12, 14, 18, 24, 36};
  if (htmlSizes && k >= 1 && k <= 7) return kHtmlSizes[k - 1];
  return SaturateInt32(k);
}

std::int32_t HtmlValueParser::ParseFontStyle(std::u16string_view value, std::int32_t previous) {
  static constexpr Keyword kWords[] = {{u"normal", 0}, {u"italic", 1}, {u"oblique", 1}};
  return Lookup(kWords, value, previous);
}

std::int32_t HtmlValueParser::ParseFontWeight(std::u16string_view value) {
  static constexpr Keyword kWords[] = {
      {u"normal", 400}, {u"bold", 700}, {u"bolder", 900}, {u"lighter", 100}};
  if (value.empty()) return 400;
  for (const Keyword& k : kWords)
    if (k.word == value) return k.value;
  return LeadingInt(value);
}

std::int32_t HtmlValueParser::ParseTextAlign(std::u16string_view value, std::int32_t previous) {
  static constexpr Keyword kWords[] = {{u"left", 0}, {u"center", 1}, {u"right", 2}};
  return Lookup(kWords, value, previous);
}

std::int32_t HtmlValueParser::ParseVerticalAlign(std::u16string_view value, std::int32_t previous) {
  static constexpr Keyword kWords[] = {
      {u"baseline", 3}, {u"middle", 1}, {u"vcenter", 1}, {u"top", 0}, {u"bottom", 2}};
  return Lookup(kWords, value, previous);
}

std::int32_t HtmlValueParser::ParseTextTransform(std::u16string_view value, std::int32_t previous) {
  static constexpr Keyword kWords[] = {
      {u"none", 0}, {u"uppercase", 1}, {u"lowercase", 2}, {u"capitalize", 3}};
  return Lookup(kWords, value, previous);
}

std::int32_t HtmlValueParser::ParseBorderStyle(std::u16string_view value, std::int32_t previous) {
  static constexpr Keyword kWords[] = {
      {u"none", 0}, {u"solid", 1}, {u"dotted", 3}, {u"dashed", 2}, {u"double", 6}};
  return Lookup(kWords, value, previous);
}

void HtmlValueParser::ParseTextDecoration(std::u16string_view value, HtmlStyle& style) {
  if (value.empty()) value = u"none";
  std::size_t pos = 0;
  while (SkipToToken(value, pos)) {
    const std::size_t start = pos;
    FindDelimiter(value, pos, u" ,");
    const std::u16string_view word = value.substr(start, pos - start);
    if (word == u"none") {
      style.underline = style.strikeout = style.overline = 0;
    } else if (word == u"underline") {
      style.underline = 1;
    } else if (word == u"line-through") {
      style.strikeout = 1;
    } else if (word == u"overline") {
      style.overline = 1;
    }
  }
}

std::int32_t HtmlValueParser::ParseBorderWidth(std::u16string_view value,
                                               std::int32_t previous) const {
  if (value == u"thin") return MulDiv(75, previous, 100);
  if (value == u"thick") return MulDiv(125, previous, 100);
  if (value == u"medium") return previous;
  return ParseLength(value, previous, false);
}

std::int32_t HtmlValueParser::ParseBackgroundEffect(std::u16string_view value,
                                                    std::int32_t previous) const {
  static constexpr Keyword kWords[] = {{u"transparent", -1}, {u"solid", 0},      {u"hgradient", 1},
                                       {u"vgradient", 2},    {u"hcgradient", 3}, {u"vcgradient", 4},
                                       {u"3hgradient", 5},   {u"3vgradient", 6}, {u"noise", 7},
                                       {u"diagshade", 8},    {u"hshade", 9},     {u"vshade", 10},
                                       {u"hbump", 11},       {u"vbump", 12},     {u"softbump", 13},
                                       {u"hardbump", 14},    {u"metal", 15}};
  if (value.empty()) return previous;
  for (const Keyword& k : kWords)
    if (k.word == value) return k.value;
  return ParseLength(value, previous, false);
}

void HtmlValueParser::ParseStyleLetters(std::u16string_view value, HtmlStyle& style) {
  bool on = true;
  for (const char16_t c : value) {
    switch (c) {
      case u'-':
        on = false;
        continue;
      case u'+':
        on = true;
        continue;
      case u'b':
        style.weight = on ? 700 : 400;
        break;
      case u'i':
        style.italic = on;
        break;
      case u'u':
        style.underline = on;
        break;
      case u's':
        style.strikeout = on;
        break;
      case u'o':
        style.overline = on;
        break;
      default:
        continue;
    }
    on = true;
  }
}

std::int32_t HtmlValueParser::ParseImageStyle(std::u16string_view value) const {
  std::int32_t flags = 0;
  for (const char16_t c : value) {
    if (c == u'g') flags += 1;
    if (c == u'd') flags += 2;
    if (c == u'l') flags += 4;
    if (c == u's' && (m_ShadowOffsetX != 0 || m_ShadowOffsetY != 0))
      flags += m_GradientShadow ? 512 : 256;
  }
  return flags;
}

bool HtmlValueParser::IsPercent(std::u16string_view value) {
  return !value.empty() && value.back() == u'%';
}

int HtmlValueParser::CountChar(std::u16string_view text, char16_t c) {
  int count = 0;
  for (const char16_t x : text) count += x == c;
  return count;
}

void HtmlValueParser::ParseImageAttributes(std::u16string_view text, HtmlImageAttributes& a) const {
  ForEachAttribute(text, [&](const std::u16string& name, const std::u16string& value) {
    if (name == u"index")
      a.index = ParseLength(value, a.index, false);
    else if (name == u"idres")
      a.idres = ParseLength(value, a.idres, false);
    else if (name == u"iddll")
      a.iddll = ParseLength(value, a.iddll, false);
    else if (name == u"handle")
      a.handle = ParseLength(value, a.handle, false);
    else if (name == u"file")
      a.file = value;
    else if (name == u"srcdll")
      a.dllFile = value;
    else if (name == u"mask") {
      a.maskColor = ParseColor(value, a.maskColor);
      a.hasMask = 1;
    } else if (name == u"style")
      a.styleFlags = a.hotStyleFlags = ParseImageStyle(value);
    else if (name == u"hotstyle")
      a.hotStyleFlags = ParseImageStyle(value);
    else if (name == u"cx")
      a.cx = ParseLength(value, a.cx, false);
    else if (name == u"cy")
      a.cy = ParseLength(value, a.cy, false);
    else if (name == u"width") {
      a.widthPercent = IsPercent(value);
      a.width = ParseLength(value, a.width, false);
    } else if (name == u"height") {
      a.heightPercent = IsPercent(value);
      a.height = ParseLength(value, a.height, false);
    } else if (name == u"speed")
      a.speed = ParseLength(value, a.speed, false);
  });
}

HtmlSpans HtmlValueParser::ParseTableAttributes(std::u16string_view text, HtmlStyle& s,
                                                bool isTable) const {
  HtmlSpans spans;
  if (text.empty()) return spans;
  ForEachAttribute(text, [&](const std::u16string& name, const std::u16string& value) {
    if (name == u"cellpadding")
      s.margin = ParseLength(value, s.margin, false);
    else if (name == u"cellspacing")
      s.padding = ParseLength(value, s.padding, false);
    else if (name == u"background")
      s.bkImage = value;
    else if (name == u"rowspan")
      spans.rowspan = ParseLength(value, spans.rowspan, false);
    else if (name == u"colspan")
      spans.colspan = ParseLength(value, spans.colspan, false);
    else if (name == u"border") {
      s.borderWidth = ParseLength(value, s.borderWidth, false);
      if (s.borderWidth == 0)
        s.borderStyle = 0;
      else if (s.borderStyle == 0)
        s.borderStyle = 1;
    } else if (name == u"borderstyle") {
      s.borderStyle = ParseBorderStyle(value, s.borderStyle);
      if (s.borderStyle != 0 && s.borderWidth == 0) s.borderWidth = 1;
    } else if (name == u"bordercolor") {
      s.borderLight = s.borderDark = m_Enabled ? ParseColor(value, s.borderLight) : m_DisabledColor;
    } else if (name == u"bordercolorlight") {
      s.borderLight = m_Enabled ? ParseColor(value, s.borderLight) : m_DisabledColor;
    } else if (name == u"bordercolordark") {
      s.borderDark = m_Enabled ? ParseColor(value, s.borderDark) : m_DisabledColor;
    } else if (!m_Enabled && name.starts_with(u"bg")) {
      return;
    } else if (name == u"bgcolor") {
      s.bkColor = ParseColor(value, s.bkColor);
      if (s.bkEffect == -1) s.bkEffect = 0;
    } else if (name == u"bgmidcolor")
      s.bkMidColor = ParseColor(value, s.bkMidColor);
    else if (name == u"bgendcolor")
      s.bkEndColor = ParseColor(value, s.bkEndColor);
    else if (name == u"bgeffect")
      s.bkEffect = ParseBackgroundEffect(value, s.bkEffect);
    else if (name == u"align")
      s.align = ParseTextAlign(value, s.align);
    else if (name == u"valign")
      s.valign = ParseVerticalAlign(value, s.valign);
    else if (name == u"width")
      s.width = ParseLength(value, s.width, false);
    else if (name == u"height")
      s.height = ParseLength(value, s.height, false);
  });
  if (s.borderStyle == 0 || s.borderWidth == 0) {
    s.borderStyle = s.borderWidth = 0;
  } else if (s.borderStyle != 1) {
    s.borderWidth = 1;
  }
  if (!isTable && s.borderWidth != 0) s.borderWidth = 1;
  return spans;
}
