// The readers that walk markup: tag texts, attribute lists and style declarations. Each takes the
// text and a position that it advances; no reader moves the position past the end of the text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Advances to the next ASCII letter, digit or "." (with operators also "*", "+", "-", "/");
// false with pos at the end when there is none.
bool SkipToToken(std::u16string_view text, std::size_t& pos, bool operators = false);
// Advances to the next character of set and returns it; 0 with pos at the end.
char16_t FindDelimiter(std::u16string_view text, std::size_t& pos, std::u16string_view set);
// Advances over characters of set; returns the first other character, 0 at the end.
char16_t SkipChars(std::u16string_view text, std::size_t& pos, std::u16string_view set);
// Skips spaces; steps over c and answers true when it comes next.
bool ExpectChar(std::u16string_view text, std::size_t& pos, char16_t c);
// The next token's characters up to " " or "=".
std::u16string ReadWord(std::u16string_view text, std::size_t& pos);
// The value after separator: quoted up to the closing double quote (empty when it is missing),
// otherwise up to the next delimiter, which pos stays on. Trailing spaces stay in the value.
std::u16string ReadPropertyValue(std::u16string_view text, std::size_t& pos, char16_t separator,
                                 std::u16string_view delimiters);
// One name=value attribute; the value may be quoted with ' or ". Empty value without "=".
std::u16string NextAttribute(std::u16string_view text, std::size_t& pos, std::u16string& name);
// Calls f(name, value) for each attribute of text in order.
template <typename F>
void ForEachAttribute(std::u16string_view text, F f) {
  std::size_t pos = 0;
  std::u16string name;
  while (pos < text.size()) {
    const std::size_t before = pos;
    const std::u16string value = NextAttribute(text, pos, name);
    if (pos == before) ++pos;
    f(name, value);
  }
}
// Skips spaces and reads up to the next " " or "=".
std::u16string ReadWordAfterSpaces(std::u16string_view text, std::size_t& pos);
// The text between the "<" at pos and the next ">", pos past the ">"; empty (pos moved by one)
// for "<>" or a "<" that is never closed.
std::u16string ReadTagText(std::u16string_view text, std::size_t& pos);
// The text from pos up to the next tag, which goes to tag ("<<" is a literal "<", as is a "<"
// ending the text).
std::u16string ReadTextRun(std::u16string_view text, std::size_t& pos, std::u16string& tag);
// Cuts tag to its name and returns its attribute text (leading spaces removed).
std::u16string SplitTagName(std::u16string& tag);
