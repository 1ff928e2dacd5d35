// Narrow menu texts for the operations that also take them. The program's narrow code page is
// UTF-8; a text is converted once into a UTF-16 buffer that lives as long as the call it is
// passed to, so each narrow operation is the wide one called with the converted text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class AnsiText {
 public:
  // Implicit, so that a narrow string reaches the narrow form of an operation. A null text, or
  // one of 0x3FFFFFFF characters or more, converts to no text.
  AnsiText(const char* text);

  // Null for no text.
  const char16_t* Ptr() const { return m_Text ? m_Text->c_str() : nullptr; }
  // Empty for no text.
  std::u16string_view View() const { return m_Text ? std::u16string_view(*m_Text) : u""; }

 private:
  std::optional<std::u16string> m_Text;
};
