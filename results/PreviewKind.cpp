#include "results/PreviewKind.h"

namespace {

bool EqualsIgnoringCase(std::u16string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i];
    char y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != static_cast<unsigned char>(y)) return false;
  }
  return true;
}

struct KindOfEnding {
  std::string_view ending;
  PreviewKind kind;
};

constexpr KindOfEnding kKinds[] = {
    {"jpeg", PreviewKind::Picture}, {".jpg", PreviewKind::Picture}, {".bmp", PreviewKind::Picture},
    {".png", PreviewKind::Picture}, {".gif", PreviewKind::Picture}, {".tif", PreviewKind::Picture},
    {".dng", PreviewKind::Picture}, {".ico", PreviewKind::Picture}, {".rtf", PreviewKind::Rtf},
    {".zip", PreviewKind::Zip},
};

}  // namespace

PreviewKind PreviewKindOfName(std::u16string_view name) {
  if (name.size() < 4) return PreviewKind::None;
  const std::u16string_view last = name.substr(name.size() - 4);
  for (const KindOfEnding& k : kKinds) {
    if (EqualsIgnoringCase(last, k.ending)) return k.kind;
  }
  return PreviewKind::None;
}
