// The preview kind of a name: its last four characters, case ignored; short names have none.
#include <gtest/gtest.h>

#include "results/PreviewKind.h"

namespace {

TEST(PreviewKind, ByTheLastFourCharacters) {
  struct Case {
    std::u16string name;
    PreviewKind kind;
  };
  const Case cases[] = {
      {u"holiday.jpeg", PreviewKind::Picture}, {u"scan.tiff", PreviewKind::None},
      {u"a.JPG", PreviewKind::Picture},        {u"x.bmp", PreviewKind::Picture},
      {u"icon.ICO", PreviewKind::Picture},     {u"raw.dng", PreviewKind::Picture},
      {u"Report.RTF", PreviewKind::Rtf},       {u"archive.ZIP", PreviewKind::Zip},
      {u"notes.txt", PreviewKind::None},       {u".zip", PreviewKind::Zip},
      {u"zip", PreviewKind::None},             {u"", PreviewKind::None},
      {u"a", PreviewKind::None},               {u"JPEG", PreviewKind::Picture},
      {u"caf\u00e9.png", PreviewKind::Picture}, {u"x.p\u00c9g", PreviewKind::None},
  };
  for (const Case& c : cases) EXPECT_EQ(PreviewKindOfName(c.name), c.kind);
}

}  // namespace
