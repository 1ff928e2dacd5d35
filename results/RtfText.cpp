#include "results/RtfText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/TextCodec.h"

namespace {

// What a group carries over from the group around it.
struct GroupState {
  bool skip = false;  // a destination whose text is not shown
  int ucSkip = 1;     // bytes of fall-back text after a \u character
  bool inTable = false;  // the paragraph is in a table cell (\intbl until \pard)
};

// Code page 1252 for bytes 0x80 to 0x9F (0 where it has no character); the other bytes above 0x7F
// are the Latin-1 code points of the same value.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Destinations whose content is formatting, metadata or binary data, never the document's text.
constexpr std::string_view kSkippedDestinations[] = {
    "fonttbl",   "colortbl",   "stylesheet", "info",       "pict",        "object",
    "objdata",   "header",     "headerl",    "headerr",    "headerf",     "footer",
    "footerl",   "footerr",    "footerf",    "themedata",  "colorschememapping",
    "datastore", "latentstyles", "listtable", "listoverridetable", "rsidtbl", "generator",
    "xmlnstbl",  "mmathPr",    "fldinst",    "filetbl",    "revtbl",      "pgdsctbl",
    "nonshppict", "template",  "userprops",  "docvar",     "xe",          "tc",
    "private",   "shpinst",    "bkmkstart",  "bkmkend",    "pn",          "sp",
    "sv",        "sn"};

// Control words that stand for text.
struct WordText {
  std::string_view word;
  std::u16string_view text;
};
constexpr WordText kTextWords[] = {
    {"par", u"\n"},          {"line", u"\n"},         {"sect", u"\n"},       {"page", u"\n"},
    {"row", u"\n"},          {"nestrow", u"\n"},      {"tab", u"\t"},        {"cell", u"\t"},
    {"nestcell", u"\t"},     {"emdash", u"\u2014"},   {"endash", u"\u2013"}, {"bullet", u"\u2022"},
    {"lquote", u"\u2018"},   {"rquote", u"\u2019"},   {"ldblquote", u"\u201C"},
    {"rdblquote", u"\u201D"}, {"emspace", u" "},      {"enspace", u" "},     {"qmspace", u" "},
};

// One code point as UTF-16 (a surrogate or a value past U+10FFFF as U+FFFD).
void AppendCodePoint(std::u16string& out, uint32_t cp) {
  if (cp == 0) return;
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
    return;
  }
  cp -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

int HexDigit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

class RtfReader {
 public:
  explicit RtfReader(std::string_view in) : m_In(in) {}

  std::string Run() {
    while (m_Pos < m_In.size()) {
      const auto c = static_cast<unsigned char>(m_In[m_Pos++]);
      switch (c) {
        case '{':
          OpenGroup();
          break;
        case '}':
          CloseGroup();
          break;
        case '\\':
          ControlSequence();
          break;
        case '\r':
        case '\n':
        case '\0':
          break;
        default:
          Byte(c);
          break;
      }
    }
    FlushSurrogate();
    return Utf16ToUtf8(m_Out);
  }

 private:
  GroupState& State() { return m_Stack.back(); }

  void OpenGroup() {
    m_FallbackLeft = 0;  // a fall-back never reaches past its group
    if (static_cast<int>(m_Stack.size()) >= kMaxRtfDepth) {
      ++m_Excess;
      return;
    }
    m_Stack.push_back(m_Stack.back());
  }

  void CloseGroup() {
    m_FallbackLeft = 0;
    if (m_Excess > 0) {
      --m_Excess;
      return;
    }
    if (m_Stack.size() > 1) m_Stack.pop_back();
  }

  // One character of text: a fall-back of a \u character is swallowed instead.
  bool TakesFallback() {
    if (m_FallbackLeft <= 0) return false;
    --m_FallbackLeft;
    return true;
  }

  void Emit(std::u16string_view text) {
    FlushSurrogate();
    if (State().skip) return;
    FlushCellBreak();
    m_Out += text;
  }

  // A paragraph end inside a cell shows only when more of the cell's text follows it.
  void FlushCellBreak() {
    if (!m_CellBreak) return;
    m_CellBreak = false;
    m_Out.push_back(u'\n');
  }

  void Byte(unsigned char c) {
    if (TakesFallback()) return;
    FlushSurrogate();
    if (State().skip) return;
    FlushCellBreak();
    if (c < 0x80) {
      m_Out.push_back(static_cast<char16_t>(c));
    } else if (m_CodePage == 1252 && c < 0xA0) {
      AppendCodePoint(m_Out, kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : 0xFFFD);
    } else {
      AppendCodePoint(m_Out, c);
    }
  }

  void Unicode(long value) {
    auto unit = static_cast<uint32_t>(value < 0 ? value + 65536 : value) & 0xFFFF;
    m_FallbackLeft = State().ucSkip;
    if (State().skip) return;
    FlushCellBreak();
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      FlushSurrogate();
      m_HighSurrogate = unit;
      return;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF && m_HighSurrogate) {
      AppendCodePoint(m_Out, 0x10000 + ((m_HighSurrogate - 0xD800) << 10) + (unit - 0xDC00));
      m_HighSurrogate = 0;
      return;
    }
    FlushSurrogate();
    AppendCodePoint(m_Out, unit);
  }

  // A high surrogate that no low one followed.
  void FlushSurrogate() {
    if (m_HighSurrogate == 0) return;
    m_HighSurrogate = 0;
    if (!State().skip) AppendCodePoint(m_Out, 0xFFFD);
  }

  void ControlSequence() {
    if (m_Pos >= m_In.size()) return;
    const auto c = static_cast<unsigned char>(m_In[m_Pos]);
    if (!IsLetter(c)) {
      ++m_Pos;
      ControlSymbol(c);
      return;
    }
    const size_t start = m_Pos;
    while (m_Pos < m_In.size() && IsLetter(static_cast<unsigned char>(m_In[m_Pos])) &&
           m_Pos - start < 32)
      ++m_Pos;
    const std::string_view word = m_In.substr(start, m_Pos - start);
    bool hasParam = false;
    bool negative = false;
    long param = 0;
    if (m_Pos < m_In.size() && m_In[m_Pos] == '-') {
      negative = true;
      ++m_Pos;
    }
    for (int digits = 0; m_Pos < m_In.size() && m_In[m_Pos] >= '0' && m_In[m_Pos] <= '9' &&
                         digits < 10;
         ++digits) {
      hasParam = true;
      param = param * 10 + (m_In[m_Pos++] - '0');
    }
    if (negative) param = -param;
    if (m_Pos < m_In.size() && m_In[m_Pos] == ' ') ++m_Pos;
    ControlWord(word, hasParam, param);
  }

  void ControlSymbol(unsigned char c) {
    switch (c) {
      case '\\':
      case '{':
      case '}':
        Byte(c);
        return;
      case '\'': {
        const int hi = m_Pos < m_In.size() ? HexDigit(static_cast<unsigned char>(m_In[m_Pos])) : -1;
        const int lo =
            m_Pos + 1 < m_In.size() ? HexDigit(static_cast<unsigned char>(m_In[m_Pos + 1])) : -1;
        if (hi < 0 || lo < 0) {
          m_Pos += hi < 0 ? 0 : 1;  // a damaged escape shows nothing
          return;
        }
        m_Pos += 2;
        Byte(static_cast<unsigned char>(hi * 16 + lo));
        return;
      }
      case '*':
        // A destination a reader may ignore: this one shows none of them.
        State().skip = true;
        return;
      case '~':
        if (!TakesFallback()) Emit(u"\u00A0");
        return;
      case '_':
        if (!TakesFallback()) Emit(u"\u2011");
        return;
      case '\r':
      case '\n':
        if (!TakesFallback()) Emit(u"\n");  // "\" before a line end is \par
        return;
      default:
        TakesFallback();  // \- (optional hyphen), \: and others show nothing
        return;
    }
  }

  void ControlWord(std::string_view word, bool hasParam, long param) {
    if (word == "bin") {
      // Binary data: that many raw bytes follow, whatever they hold.
      const size_t n = hasParam && param > 0 ? static_cast<size_t>(param) : 0;
      m_Pos += std::min(n, m_In.size() - m_Pos);
      TakesFallback();
      return;
    }
    if (word == "u" && hasParam) {
      Unicode(param);
      return;
    }
    if (TakesFallback()) return;
    if (word == "uc") {
      State().ucSkip = hasParam && param >= 0 ? static_cast<int>(std::min(param, 16L)) : 1;
      return;
    }
    if (word == "ansicpg" && hasParam) {
      m_CodePage = param;
      return;
    }
    if (word == "intbl" || word == "pard") {
      State().inTable = word == "intbl";
      return;
    }
    if (!State().skip) {
      if (word == "par" && State().inTable) {
        FlushCellBreak();
        m_CellBreak = true;
        return;
      }
      if (word == "cell" || word == "nestcell" || word == "row" || word == "nestrow")
        m_CellBreak = false;
    }
    for (std::string_view d : kSkippedDestinations) {
      if (word == d) {
        State().skip = true;
        return;
      }
    }
    for (const WordText& t : kTextWords) {
      if (word == t.word) {
        Emit(t.text);
        return;
      }
    }
  }

  std::string_view m_In;
  size_t m_Pos = 0;
  std::u16string m_Out;
  std::vector<GroupState> m_Stack{GroupState{}};
  int m_Excess = 0;            // groups opened past kMaxRtfDepth and not closed yet
  int m_FallbackLeft = 0;      // fall-back characters still to skip after a \u
  uint32_t m_HighSurrogate = 0;
  long m_CodePage = 1252;
  bool m_CellBreak = false;  // a \par in a cell, not shown yet
};

}  // namespace

std::string RtfToText(std::string_view rtf) {
  return RtfReader(rtf).Run();
}

std::string RtfToText(std::span<const std::byte> rtf) {
  return RtfToText(std::string_view(reinterpret_cast<const char*>(rtf.data()), rtf.size()));
}
