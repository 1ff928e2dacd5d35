// The RTF text of the preview: a table of documents covering escapes, \u with \uc fall-backs,
// destinations left out, paragraph and tab words, tables and \bin; a document written by pandoc;
// and input that is cut short or nested far deeper than any real document.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "results/RtfText.h"

namespace {

TEST(RtfText, Documents) {
  struct Case {
    const char* what;
    std::string rtf;
    std::string text;
  };
  const Case cases[] = {
      {"plain paragraphs", R"({\rtf1\ansi Hello\par World\par})", "Hello\nWorld\n"},
      {"delimiting space taken, second kept", R"({\rtf1 a\b  b\b0 c})", "a bc"},
      {"escaped braces and backslash", R"({\rtf1 \{x\}\\y})", "{x}\\y"},
      {"hex escapes through code page 1252", R"({\rtf1\ansi\ansicpg1252 caf\'e9 \'80 \'93q\'94})",
       "caf\u00e9 \u20ac \u201cq\u201d"},
      {"hex escape cut short", R"({\rtf1 x\'4)", "x"},
      {"line end after a backslash is a paragraph", "{\\rtf1 a\\\nb}", "a\nb"},
      {"raw line ends are not text", "{\\rtf1 a\r\nb}", "ab"},
      {"\\u with the default single fall-back", R"({\rtf1 \u8364?x})", "\u20acx"},
      {"\\uc2 skips two fall-back bytes", R"({\rtf1\uc2 \u8364\'80\'80x})", "\u20acx"},
      {"\\uc0 skips nothing", R"({\rtf1\uc0 \u233 e})", "\u00e9e"},
      {"negative \\u", R"({\rtf1 \u-3972?})", "\uf07c"},
      {"surrogate pair", R"({\rtf1 \u55357?\u56832?.})", "\U0001F600."},
      {"lone high surrogate", R"({\rtf1 \u55357?x})", "\ufffdx"},
      {"\\uc is kept per group", R"({\rtf1{\uc3 \u233 abc}\u233?d})", "\u00e9\u00e9d"},
      {"font, colour and style tables left out",
       R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red0\green0\blue0;}{\stylesheet{\s0 Normal;}}Body})",
       "Body"},
      {"\\* destinations and info left out",
       R"({\rtf1{\*\generator Writer;}{\info{\title T}}{\*\unknown x}Text})", "Text"},
      {"field shows its result only",
       R"({\rtf1{\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}})", "link"},
      {"picture data left out", R"({\rtf1 a{\pict\pngblip 89504e47}b})", "ab"},
      {"tab, line, em dash and quotes", R"({\rtf1 a\tab b\line c\emdash\lquote d\rquote})",
       "a\tb\nc\u2014\u2018d\u2019"},
      {"table cells and rows",
       R"({\rtf1\trowd\cellx1000\cellx2000\pard\intbl A\cell B\cell\row\pard after\par})",
       "A\tB\t\nafter\n"},
      {"paragraphs inside a cell", R"({\rtf1\pard\intbl one\par two\par\cell\row})",
       "one\ntwo\t\n"},
      {"\\bin skips its bytes whatever they hold", "{\\rtf1 a{\\bin5 }{\\x}c}", "ac"},
      {"\\bin longer than the input", R"({\rtf1 a\bin999999 xyz)", "a"},
      {"non-breaking space and hyphen, optional hyphen", R"({\rtf1 a\~b\_c\-d})",
       "a\u00a0b\u2011cd"},
      {"truncated inside a control word", R"({\rtf1 abc\pa)", "abc"},
      {"unbalanced closing braces", "}}}x}", "x"},
      {"empty input", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(RtfToText(c.rtf), c.text);
  }
}

TEST(RtfText, DocumentWrittenByPandoc) {
  std::ifstream in(MERROWIND_SOURCE_DIR "/tests/core/results/rtf/pandoc-notes.rtf",
                   std::ios::binary);
  ASSERT_TRUE(in);
  const std::string rtf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(RtfToText(rtf),
            "Holiday notes\n"
            "First paragraph with emphasis, an em dash \u2014 and \u201cquotes\u201d.\n"
            "\u00dcn\u00efc\u00f6d\u00e9: Gr\u00fc\u00dfe, \u65e5\u672c\u8a9e, and a smiley "
            "\U0001F600.\n"
            "Item\tPrice\t\nTea\t3\t\nCake\t5\t\n"
            "\n"
            "\u2022\tone\n\u2022\ttwo\n");
}

TEST(RtfText, DeepNestingKeepsReadingWithinItsBound) {
  // Far deeper than kMaxRtfDepth: the text still comes out, and skipping ends with its group.
  const int depth = 100000;
  std::string rtf = "{\\rtf1 a";
  rtf += std::string(depth, '{') + "b" + std::string(depth, '}');
  rtf += "{\\fonttbl" + std::string(depth, '{') + "hidden" + std::string(depth, '}') + "}c}";
  EXPECT_EQ(RtfToText(rtf), "abc");
  EXPECT_EQ(RtfToText(std::string(depth, '{') + "x"), "x");
}

}  // namespace
