#include "unreferenced/HtmlTokenizer.h"

namespace {

bool IsTokenChar(char16_t c, bool operators) {
  if ((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'.')
    return true;
  return operators && (c == u'*' || c == u'+' || c == u'-' || c == u'/');
}

// Characters from pos up to (not including) the next " " or "="; pos stops there.
std::u16string ReadUpToSpaceOrEquals(std::u16string_view text, std::size_t& pos) {
  const std::size_t start = pos;
  FindDelimiter(text, pos, u" =");
  return std::u16string(text.substr(start, pos - start));
}

}  // namespace

bool SkipToToken(std::u16string_view text, std::size_t& pos, bool operators) {
  while (pos < text.size()) {
    if (IsTokenChar(text[pos], operators)) return true;
    ++pos;
  }
  pos = text.size();
  return false;
}

char16_t FindDelimiter(std::u16string_view text, std::size_t& pos, std::u16string_view set) {
  while (pos < text.size()) {
    if (set.find(text[pos]) != std::u16string_view::npos) return text[pos];
    ++pos;
  }
  pos = text.size();
  return 0;
}

char16_t SkipChars(std::u16string_view text, std::size_t& pos, std::u16string_view set) {
  while (pos < text.size()) {
    if (set.find(text[pos]) == std::u16string_view::npos) return text[pos];
    ++pos;
  }
  pos = text.size();
  return 0;
}

bool ExpectChar(std::u16string_view text, std::size_t& pos, char16_t c) {
  if (SkipChars(text, pos, u" ") != c || c == 0) return false;
  ++pos;
  return true;
}

std::u16string ReadWord(std::u16string_view text, std::size_t& pos) {
  SkipToToken(text, pos);
  return ReadUpToSpaceOrEquals(text, pos);
}

std::u16string ReadPropertyValue(std::u16string_view text, std::size_t& pos, char16_t separator,
                                 std::u16string_view delimiters) {
  if (!ExpectChar(text, pos, separator)) return {};
  if (SkipChars(text, pos, u" ") == u'"') {
    const std::size_t close = text.find(u'"', pos + 1);
    if (close == std::u16string_view::npos) return {};
    std::u16string value(text.substr(pos + 1, close - pos - 1));
    pos = close + 1;
    return value;
  }
  const std::size_t start = pos;
  FindDelimiter(text, pos, delimiters);
  return std::u16string(text.substr(start, pos - start));
}

std::u16string NextAttribute(std::u16string_view text, std::size_t& pos, std::u16string& name) {
  SkipToToken(text, pos);
  name = ReadUpToSpaceOrEquals(text, pos);
  if (SkipChars(text, pos, u" ") != u'=') return {};
  SkipChars(text, pos, u" =");
  std::u16string_view end = u" ";
  if (pos < text.size() && (text[pos] == u'"' || text[pos] == u'\'')) {
    end = text.substr(pos, 1);
    ++pos;
  }
  const std::size_t start = pos;
  FindDelimiter(text, pos, end);
  std::u16string value(text.substr(start, pos - start));
  if (pos < text.size()) ++pos;
  return value;
}

std::u16string ReadWordAfterSpaces(std::u16string_view text, std::size_t& pos) {
  SkipChars(text, pos, u" ");
  return ReadUpToSpaceOrEquals(text, pos);
}

std::u16string ReadTagText(std::u16string_view text, std::size_t& pos) {
  const std::size_t close = text.find(u'>', pos);
  if (pos < text.size()) ++pos;
  if (close == std::u16string_view::npos || pos >= close) return {};
  std::u16string tag(text.substr(pos, close - pos));
  pos = close + 1;
  return tag;
}

std::u16string ReadTextRun(std::u16string_view text, std::size_t& pos, std::u16string& tag) {
  tag.clear();
  if (pos >= text.size()) {
    pos = text.size();
    return {};
  }
  std::size_t open = text.find(u'<', pos);
  if (open == std::u16string_view::npos) open = text.size();
  std::u16string run(text.substr(pos, open - pos));
  pos = open;
  if (open >= text.size()) return run;
  if (open + 1 == text.size() || text[open + 1] == u'<') {
    run += u'<';
    pos = open + 2 < text.size() ? open + 2 : text.size();
    return run;
  }
  tag = ReadTagText(text, pos);
  return run;
}

std::u16string SplitTagName(std::u16string& tag) {
  const std::size_t cut = tag.find_first_of(u" =");
  if (cut == std::u16string::npos) return {};
  std::size_t start = tag.find_first_not_of(u' ', cut);
  std::u16string attributes = start == std::u16string::npos ? std::u16string() : tag.substr(start);
  tag.resize(cut);
  return attributes;
}
