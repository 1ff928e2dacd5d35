#include "dialogs/AboutTexts.h"

std::string AboutTitleText(std::string_view title, std::string_view version) {
  std::string text(title);
  if (const size_t amp = text.find('&'); amp != std::string::npos) text.insert(amp, 1, '&');
  text += "\r\n";
  text += version;
  return text;
}
