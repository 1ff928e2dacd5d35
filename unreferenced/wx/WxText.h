// The widget code's UTF-16 texts to and from the toolkit's strings.
#pragma once

#include <wx/string.h>

#include <string>
#include <string_view>

inline wxString ToWxString(std::u16string_view text) {
  return wxString(std::wstring(text.begin(), text.end()));
}

inline std::u16string ToU16String(const wxString& text) {
  std::u16string out;
  for (wxUniChar c : text) out.push_back(static_cast<char16_t>(c.GetValue()));
  return out;
}
