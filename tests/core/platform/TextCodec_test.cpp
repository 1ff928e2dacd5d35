#include <gtest/gtest.h>

#include <string>

#include "platform/TextCodec.h"

namespace {

TEST(TextCodec, Utf16ToUtf8) {
  const struct {
    std::u16string in;
    std::string out;
  } cases[] = {
      {u"", ""},
      {u"REPORT.TXT", "REPORT.TXT"},
      {u"caf\u00e9", "caf\xc3\xa9"},
      {u"\u20ac", "\xe2\x82\xac"},
      {u"\U0001F600", "\xf0\x9f\x98\x80"},                    // surrogate pair
      {std::u16string(1, char16_t(0xD800)), "\xef\xbf\xbd"},  // lone high surrogate
      {std::u16string(1, char16_t(0xDC00)) + u"a",
       "\xef\xbf\xbd"
       "a"},  // lone low surrogate
      {std::u16string{char16_t(0xD83D), u'x'},
       "\xef\xbf\xbd"
       "x"},  // high without low
      {std::u16string(1, u'\0'), std::string(1, '\0')},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16ToUtf8(c.in), c.out);
}

TEST(TextCodec, Utf8ToUtf16ReplacesEveryInvalidSequence) {
  const std::u16string r(1, char16_t(0xFFFD));
  const struct {
    std::string in;
    std::u16string out;
  } cases[] = {
      {"", u""},
      {"Dir12", u"Dir12"},
      {"caf\xc3\xa9", u"caf\u00e9"},
      {"\xf0\x9f\x98\x80", u"\U0001F600"},
      {"\x80", r},                          // stray continuation byte
      {"\xc0\xaf", r + r},                  // overlong: both bytes are invalid alone
      {"\xe0\x80\xaf", r + r + r},          // overlong three-byte form
      {"\xed\xa0\x80", r + r + r},          // encoded surrogate
      {"\xf4\x90\x80\x80", r + r + r + r},  // above U+10FFFF
      {"\xe2\x82", r},                      // truncated at the end: one maximal subpart
      {"\xe2\x82"
       "A",
       r + u"A"},  // truncated before an ASCII byte
      {"\xff"
       "b",
       r + u"b"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.in;
}

TEST(TextCodec, RoundTripOfValidText) {
  const std::u16string text = u"Ω-\u00e9\U00010348-\u4e2d\u6587";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
}

TEST(TextCodec, EightBitShortNames) {
  const struct {
    std::string in;
    std::u16string latin1, cp437;
  } cases[] = {
      {"REPORT.TXT", u"REPORT.TXT", u"REPORT.TXT"},
      {"_EPORT.TXT", u"_EPORT.TXT", u"_EPORT.TXT"},
      {"\x80", u"\u0080", u"\u00c7"},
      {"\x81", u"\u0081", u"\u00fc"},
      {"\xe1", u"\u00e1", u"\u00df"},
      {"\xe5", u"\u00e5", u"\u03c3"},
      {"\xff", u"\u00ff", u"\u00a0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Latin1ToUtf16(c.in), c.latin1);
    EXPECT_EQ(Cp437ToUtf16(c.in), c.cp437);
    EXPECT_EQ(FatShortNameToUtf16(c.in), c.cp437);
  }
}

}  // namespace
