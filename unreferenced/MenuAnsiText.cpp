#include "unreferenced/MenuAnsiText.h"

#include <cstring>

#include "platform/TextCodec.h"

namespace {

constexpr std::size_t kLongestText = 0x3FFFFFFF;

}  // namespace

AnsiText::AnsiText(const char* text) {
  if (!text) return;
  const std::size_t length = strnlen(text, kLongestText);
  if (length >= kLongestText) return;
  m_Text = Utf8ToUtf16(std::string_view(text, length));
}
