#include <cstddef>

#include "unreferenced/HtmlDrawer.h"
#include "unreferenced/HtmlTokenizer.h"

namespace {

constexpr std::u16string_view kDefaultStyleSheet[] = {
    u"body {font-size: 10pt; color:black; font-family:Verdana}",
    u"p {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}",
    u"h1 {font-size: 14pt; color:black; font-family:Verdana; font-weight:bold}",
    u"h2 {font-size: 13pt; color:#ff9900; font-family:Verdana; font-weight:bold}",
    u"h3 {font-size: 12pt; color:#ff9900; font-family:Arial; font-weight:bold}",
    u"h4 {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}",
    u"h5 {font-size: 9pt; color:#ff9900; font-family:Verdana; font-weight:bold}",
    u"h6 {font-size: 65%; color:#626262; font-family:Verdana; font-weight:normal}",
    u"pre {font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb}",
    u"code {color:#990000; font-family:Arial}",
    u"a:link {text-decoration:none; color:blue}",
    u"a:hover {text-decoration:underline; color:blue}",
    u"sub {font-size:65%; vertical-align:bottom}",
    u"sup {font-size:65%; vertical-align:top}",
    u"big {font-size:125%}",
    u"small {font-size:75%}",
    u".cpp-comment {color:green; font-style:italic}",
};

void ReplaceAll(std::u16string& text, std::u16string_view what, std::u16string_view with) {
  for (std::size_t at = text.find(what); at != std::u16string::npos;
       at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

}  // namespace

std::u16string LowerAscii(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

int CPPHtmlDrawer::LookupTag(std::u16string& tag, std::u16string& styleName, bool& closing) const {
  closing = !tag.empty() && tag[0] == u'/';
  if (closing) tag.erase(0, 1);
  const auto it = m_Tags.find(tag);
  if (it == m_Tags.end()) return 0;
  styleName = it->second.styleName;
  return it->second.id;
}

void CPPHtmlDrawer::ParseStyleSheet(const std::u16string* text) {
  m_CssStyles.clear();
  if (text == nullptr) {
    SetDefaultCssStyles();
    return;
  }
  m_StyleSheetText = *text;
  const std::u16string_view sheet = m_StyleSheetText;
  std::size_t pos = 0;
  while (pos < sheet.size()) {
    if (!SkipToToken(sheet, pos)) break;
    const std::size_t start = pos;
    const char16_t delimiter = FindDelimiter(sheet, pos, u" {");
    const std::u16string_view selector = sheet.substr(start, pos - start);
    if (selector.empty() || delimiter == 0) break;
    const std::size_t open = sheet.find(u'{', pos);
    if (open == std::u16string_view::npos) break;
    const std::size_t close = sheet.find(u'}', open);
    if (close == std::u16string_view::npos) break;
    pos = close + 1;
    const std::u16string_view declarations = sheet.substr(open + 1, close - open - 1);
    if (!declarations.empty()) SetCssStyle(selector, declarations);
  }
}

void CPPHtmlDrawer::SetDefaultCssStyles() {
  std::u16string sheet;
  for (std::u16string_view line : kDefaultStyleSheet) sheet.append(line).append(u"\r\n");
  ParseStyleSheet(&sheet);
}

void CPPHtmlDrawer::SetCssStylesFromResource(int id, std::u16string_view library) {
  const std::u16string sheet = LoadResourceString(id, library);
  ParseStyleSheet(&sheet);
}

void CPPHtmlDrawer::SetCssStyle(std::u16string_view selector, std::u16string_view declarations) {
  m_CssStyles[LowerAscii(selector)] = std::u16string(declarations);
}

std::optional<std::u16string> CPPHtmlDrawer::GetCssStyle(std::u16string_view selector) const {
  const auto it = m_CssStyles.find(LowerAscii(selector));
  if (it == m_CssStyles.end()) return std::nullopt;
  return it->second;
}

void CPPHtmlDrawer::ApplyCssStyle(std::u16string_view selector, HtmlStyle& style) const {
  if (const auto declarations = GetCssStyle(selector)) ParseCssDeclarations(*declarations, style);
}

void CPPHtmlDrawer::RemoveCssStyle(std::u16string_view selector) {
  m_CssStyles.erase(LowerAscii(selector));
}

void CPPHtmlDrawer::ParseCssDeclarations(std::u16string_view declarations, HtmlStyle& s) const {
  const std::u16string text = LowerAscii(declarations);
  std::size_t pos = 0;
  while (SkipToToken(text, pos)) {
    const std::size_t start = pos;
    if (FindDelimiter(text, pos, u" :") == 0) break;
    const std::u16string property = text.substr(start, pos - start);
    const std::u16string value = ReadPropertyValue(text, pos, u':', u";");
    if (property == u"font-size") {
      s.size = ParseLength(value, s.size, true);
    } else if (property == u"font-family") {
      if (!value.empty()) s.face = value;
    } else if (property == u"font-style") {
      s.italic = ParseFontStyle(value, s.italic);
    } else if (property == u"font-weight") {
      s.weight = ParseFontWeight(value);
    } else if (property == u"text-align") {
      s.align = ParseTextAlign(value, s.align);
    } else if (property == u"text-transform") {
      s.transform = ParseTextTransform(value, s.transform);
    } else if (property == u"color") {
      s.color = m_Enabled ? ParseColor(value, s.color) : m_DisabledColor;
    } else if (property == u"background-color") {
      if (value == u"transparent" || value.empty() || !m_Enabled) {
        s.bkMode = 1;
      } else {
        s.bkMode = 2;
        s.bkColor = ParseColor(value, s.bkColor);
      }
    } else if (property == u"text-decoration") {
      ParseTextDecoration(value, s);
    } else if (property == u"vertical-align") {
      s.valign = ParseVerticalAlign(value, s.valign);
    } else if (property == u"border-color") {
      s.borderLight = s.borderDark = m_Enabled ? ParseColor(value, s.borderLight) : m_DisabledColor;
    } else if (property == u"border-width" || property == u"size") {
      s.borderWidth = ParseBorderWidth(value, s.borderWidth);
      if (s.borderWidth == 0)
        s.borderStyle = 0;
      else if (s.borderStyle == 0)
        s.borderStyle = 1;
    } else if (property == u"border-style") {
      s.borderStyle = ParseBorderStyle(value, s.borderStyle);
      if (s.borderStyle != 0 && s.borderWidth == 0) s.borderWidth = 1;
    } else if (property == u"margin") {
      s.margin = ParseLength(value, s.margin, false);
    } else if (property == u"padding") {
      s.padding = ParseLength(value, s.padding, false);
    }
  }
}

std::u16string CPPHtmlDrawer::PrepareText(std::u16string text) const {
  for (const auto& [entity, replacement] : m_Entities) ReplaceAll(text, entity, replacement);
  std::erase(text, u'\r');
  if (m_TagsForNewLine) {
    ReplaceAll(text, u"\n", u"<br>");
    ReplaceAll(text, u"\t", u"<t>");
  } else {
    std::erase(text, u'\n');
    std::erase(text, u'\t');
  }
  return text;
}

bool CPPHtmlDrawer::StoreRestoreStyle(bool restore) {
  if (!restore) {
    m_StyleStack.push_back(m_Style);
    return true;
  }
  bool restored = false;
  if (!m_StyleStack.empty() && m_StyleStack.back().name == m_Style.name) {
    m_Style = std::move(m_StyleStack.back());
    m_StyleStack.pop_back();
    restored = true;
  }
  m_Style.name.clear();
  return restored;
}

std::u16string CPPHtmlDrawer::LoadResourceString(int id, std::u16string_view library) const {
  if (m_Resources == nullptr || id == 0) return {};
  return m_Resources->String(library, id);
}

std::u16string CPPHtmlDrawer::GetResourceStringLine(int id, int line) const {
  const std::u16string text = LoadResourceString(id, m_ResourceLibrary);
  std::size_t start = 0;
  for (int i = 0; i < line; ++i) {
    start = text.find(u'\n', start);
    if (start == std::u16string::npos) return {};
    ++start;
  }
  const std::size_t end = text.find(u'\n', start);
  return text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
}
