// The parse-and-place loop of the markup drawer: lines, wrapping, justification, breaks and tab
// stops, rules, strings and the style tags. Every layout runs twice: a measuring pass stores one
// record per line, and a drawing pass reads them back to align and justify.
#include <algorithm>

#include "unreferenced/HtmlDrawer.h"
#include "unreferenced/HtmlNumbers.h"
#include "unreferenced/HtmlTokenizer.h"

namespace {

int CountSpaces(std::u16string_view text) {
  return static_cast<int>(std::count(text.begin(), text.end(), u' '));
}

void ApplyTransform(std::u16string& run, int transform) {
  if (transform == 1) {
    for (char16_t& c : run)
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  } else if (transform == 2 || transform == 3) {
    run = LowerAscii(run);
    if (transform == 3)
      for (std::size_t i = 0; i < run.size(); ++i)
        if ((i == 0 || run[i - 1] == u' ') && run[i] >= u'a' && run[i] <= u'z')
          run[i] = static_cast<char16_t>(run[i] - u'a' + u'A');
  }
}

}  // namespace

HtmlExtent CPPHtmlDrawer::PrepareToDraw(HtmlTextMeasurer& measurer, std::u16string_view markup) {
  m_Measurer = &measurer;
  m_Text = PrepareText(std::u16string(markup));
  HtmlExtent size;
  if (m_Text.empty()) return size;
  m_Measuring = true;
  size = DrawSegments({0, 0, m_MaxWidth, 0});
  if (size.cx == 0 && size.cy == 0) {
    m_Text.clear();
    return size;
  }
  if (m_MaxWidth > 0 && size.cx > m_MaxWidth) size.cx = m_MaxWidth;
  return {SaturateInt32(std::int64_t{size.cx} + 1), SaturateInt32(std::int64_t{size.cy} + 1)};
}

HtmlDisplayList CPPHtmlDrawer::DrawPrepared(HtmlTextMeasurer& measurer, const HtmlRect& rect) {
  HtmlDisplayList list;
  if (m_Text.empty()) return list;
  m_Measurer = &measurer;
  m_Measuring = false;
  m_List = &list;
  DrawSegments(rect);
  m_List = nullptr;
  m_Measuring = true;
  return list;
}

HtmlDisplayList CPPHtmlDrawer::Draw(HtmlTextMeasurer& measurer, std::u16string_view markup, int x,
                                    int y) {
  const HtmlExtent size = PrepareToDraw(measurer, markup);
  if (size.cx == 0 || size.cy == 0) return {};
  return DrawPrepared(measurer, {x, y, x + size.cx, y + size.cy});
}

HtmlExtent CPPHtmlDrawer::DrawSegments(const HtmlRect& rect) {
  // Link areas come from drawing passes; each pass replaces those of the last.
  m_Links.clear();
  if (m_Measuring) {
    m_Lines.clear();
    m_Animations.clear();
    m_Tables.clear();
  }
  m_TableDepth = 0;
  m_LineIndex = 0;
  m_TableCounter = m_LinkCounter = m_AnimationCounter = -1;
  m_StyleStack.clear();
  m_Style = HtmlStyle();
  ApplyCssStyle(u"body", m_Style);
  SelectStyleFont();
  const HtmlExtent size = DrawTextAndTables(m_Text, rect);
  m_StyleStack.clear();
  return size;
}

void CPPHtmlDrawer::SelectStyleFont() {
  if (m_Measurer == nullptr) return;
  m_Measurer->SelectFont(m_Style);
  m_Metrics = m_Measurer->Metrics();
}

HtmlExtent CPPHtmlDrawer::Measure(std::u16string_view text) {
  return m_Measurer ? m_Measurer->TextExtent(text) : HtmlExtent{};
}

HtmlLineInfo& CPPHtmlDrawer::Line() {
  // A drawing pass into another rectangle may make more lines than the measuring pass did:
  // those get default records.
  if (m_LineIndex >= static_cast<int>(m_Lines.size())) m_Lines.resize(m_LineIndex + 1);
  return m_Lines[m_LineIndex];
}

HtmlExtent CPPHtmlDrawer::DrawHtml(std::u16string_view text, const HtmlRect& rect) {
  std::u16string body = u"<body>" + std::u16string(text);
  // A lone "<" at the end is a literal one; doubled, it stays so before the closing tag.
  const std::size_t last = body.find_last_not_of(u'<');
  if ((body.size() - 1 - last) % 2 == 1) body += u'<';
  body += u"</body>";
  const HtmlExtent outer = m_Size;
  m_Size = {};
  m_Rect = rect;
  m_X = rect.left;
  m_Y = rect.top;
  m_Available = rect.right - rect.left;
  const int firstLine = m_LineIndex;
  BeginLine();
  std::size_t pos = 0;
  std::u16string tag;
  while (pos < body.size()) {
    std::u16string run = ReadTextRun(body, pos, tag);
    ApplyTransform(run, m_Style.transform);
    while (!run.empty()) {
      const HtmlExtent extent = Measure(run);
      const int remaining = rect.left + m_Available - m_X;
      std::u16string piece;
      if (m_MaxWidth > 0 && extent.cx > remaining && m_Available != 0) {
        piece = BreakText(run, remaining);
      } else {
        piece = std::move(run);
        run.clear();
      }
      if (!piece.empty()) PlaceText(piece, Measure(piece).cx, extent.cy);
      if (!run.empty()) {
        Line().wrapped = 1;
        NewLine(1);
      }
    }
    if (tag.empty()) continue;
    m_Style.name.clear();
    const std::u16string attributes = SplitTagName(tag);
    std::u16string styleName;
    bool closing = false;
    const int id = LookupTag(tag, styleName, closing);
    if (id == 0) continue;
    if (!styleName.empty()) {
      m_Style.name = styleName;
      if (closing) {
        if (StoreRestoreStyle(true)) SelectStyleFont();
        continue;
      }
      StoreRestoreStyle(false);
      ApplyOpeningTag(id, tag, attributes);
      SelectStyleFont();
      continue;
    }
    switch (id) {
      case kTagRule:
        DrawRule(attributes);
        break;
      case kTagBreak:
      case kTagTab: {
        const int count = attributes.empty()
                              ? 1
                              : ParseLength(std::u16string_view(attributes).substr(1), 1, false);
        if (id == kTagTab) {
          Tab(count);
        } else {
          Line().wrapped = 0;
          NewLine(count);
        }
        break;
      }
      case kTagString:
        DrawString(attributes);
        break;
      default:
        DrawImage(id, attributes);
        break;
    }
  }
  if (!m_LineEmpty || m_X != m_LineStartX) {
    if (m_Measuring) Line().wrapped = 0;
    NewLine(1);
  }
  m_JustifyExtra = m_JustifySpaces = 0;
  HtmlExtent size = m_Size;
  size.cy = m_Y - rect.top;
  for (int i = firstLine; i < m_LineIndex && i < static_cast<int>(m_Lines.size()); ++i)
    if (m_Lines[i].percent != 0)
      size.cx = std::max(size.cx, SaturateInt32(std::int64_t{m_Lines[i].width} +
                                                MulDiv(m_Lines[i].percent, size.cx, 100)));
  m_Size = outer;
  return size;
}

void CPPHtmlDrawer::PlaceText(std::u16string_view piece, int width, int height) {
  const int top = VAlignText(m_Y, height);
  const int spaces = CountSpaces(piece);
  if (m_Measuring) {
    Line().align = m_Style.align;
    Line().spaces += spaces;
  } else if (width != 0) {
    int extra = 0;
    if (m_JustifySpaces > 0 && spaces > 0) {
      const int share = std::min(spaces, m_JustifySpaces);
      extra = static_cast<int>(std::int64_t{m_JustifyExtra} * share / m_JustifySpaces);
      m_JustifyExtra -= extra;
      m_JustifySpaces -= share;
    }
    width += extra;
    AddLinkArea(m_X, top, m_X + width, top + height);
    HtmlDrawItem item;
    item.kind = HtmlDrawItem::Kind::Text;
    item.x = m_X;
    item.y = top;
    item.width = width;
    item.height = height;
    item.text = piece;
    item.style = m_Style;
    item.justifyExtra = extra;
    m_List->push_back(item);
    if (m_Style.overline) {
      HtmlDrawItem line;
      line.kind = HtmlDrawItem::Kind::Line;
      line.x = m_X;
      line.y = top;
      line.width = width;
      line.colour = m_Style.color;
      line.lineWidth = m_Style.weight >= 700 ? 2 : 1;
      m_List->push_back(line);
    }
  }
  m_X = SaturateInt32(std::int64_t{m_X} + width);
  m_LineEmpty = false;
}

int CPPHtmlDrawer::StartLine(int x) {
  m_LineEmpty = true;
  if (m_Measuring) {
    const int wrapped = m_LineIndex < static_cast<int>(m_Lines.size()) ? Line().wrapped : 0;
    m_Lines.resize(m_LineIndex);
    HtmlLineInfo line;
    line.align = m_Style.align;
    line.wrapped = wrapped;
    m_Lines.push_back(line);
    return x;
  }
  HtmlLineInfo& line = Line();
  int width = line.width;
  if (line.percent != 0)
    width = SaturateInt32(std::int64_t{width} + MulDiv(m_Available, line.percent, 100));
  m_JustifyExtra = m_JustifySpaces = 0;
  if (line.align == 3 && line.wrapped && line.spaces > 0) {
    m_JustifyExtra = std::max(0, m_Available - width);
    m_JustifySpaces = line.spaces;
  }
  if (line.align == 1) return m_Rect.left + (m_Available - width) / 2;
  if (line.align == 2) return m_Rect.left + m_Available - width;
  return x;
}

void CPPHtmlDrawer::NewLine(int count) {
  HtmlLineInfo& line = Line();
  if (m_Measuring) {
    if (line.height == 0) line.height = m_Metrics.height;
    m_Size.cx = std::max(m_Size.cx, m_X - m_Rect.left);
    line.width = m_X - m_Rect.left;
    line.height = SaturateInt32(std::int64_t{line.height} + line.descent);
  }
  const int height = line.height;
  ++m_LineIndex;
  m_Y = SaturateInt32(m_Y + std::int64_t{std::max(count, 1)} * height);
  BeginLine();
}

void CPPHtmlDrawer::BeginLine() {
  m_X = StartLine(m_Rect.left);
  m_LineStartX = m_X;
}

int CPPHtmlDrawer::VAlignText(int y, int textHeight) {
  HtmlLineInfo& line = Line();
  if (m_Measuring) {
    line.descent = std::max(line.descent, textHeight - m_Metrics.ascent);
    line.height = std::max(line.height, m_Metrics.ascent);
    return y;
  }
  switch (m_Style.valign) {
    case 1:
      return y + (line.height - m_Metrics.height) / 2;
    case 2:
      return y + line.height - m_Metrics.ascent;
    case 3:
      return y + line.height - m_Metrics.ascent - line.descent;
    default:
      return y;
  }
}

int CPPHtmlDrawer::VAlignImage(int y, int imageHeight) {
  HtmlLineInfo& line = Line();
  if (m_Measuring) {
    line.height = std::max(line.height, imageHeight);
    return y;
  }
  switch (m_Style.valign) {
    case 1:
      return y + (line.height - imageHeight) / 2;
    case 2:
      return y + line.height - imageHeight;
    case 3:
      return y + line.height - line.descent - imageHeight;
    default:
      return y;
  }
}

void CPPHtmlDrawer::Tab(int count) {
  if (count <= 0) count = 1;
  if (m_TabSize <= 0) return;
  const int offset = m_X - m_Rect.left;
  if (offset % m_TabSize != 0) {
    m_X = m_Rect.left + (offset / m_TabSize + 1) * m_TabSize;
    --count;
  }
  m_X = SaturateInt32(m_X + std::int64_t{count} * m_TabSize);
}

std::u16string CPPHtmlDrawer::BreakText(std::u16string& text, int remaining) {
  static constexpr std::u16string_view kBreaks = u" -.,!:;)}]?";
  std::size_t kept = std::u16string::npos;
  for (std::size_t p = text.find_first_of(kBreaks); p != std::u16string::npos;
       p = text.find_first_of(kBreaks, p + 1)) {
    if (Measure(std::u16string_view(text).substr(0, p)).cx > remaining) break;
    kept = p;
  }
  std::u16string piece;
  if (kept != std::u16string::npos) {
    piece = text.substr(0, kept + 1);
    text.erase(0, kept + 1);
    while (!piece.empty() && piece.back() == u' ') piece.pop_back();
    const std::size_t start = text.find_first_not_of(u' ');
    text.erase(0, start == std::u16string::npos ? text.size() : start);
    // A line of spaces alone makes no progress on an empty line: take one character instead.
    if (!piece.empty() || !m_LineEmpty) return piece;
  }
  if (!m_LineEmpty || text.empty()) return piece;
  // Nothing fits at a break and nothing is on the line yet: cut inside the word, keeping at
  // least one character so the line always moves on.
  std::size_t n = 1;
  while (n < text.size() && Measure(std::u16string_view(text).substr(0, n + 1)).cx <= remaining)
    ++n;
  piece = text.substr(0, n);
  text.erase(0, n);
  return piece;
}
