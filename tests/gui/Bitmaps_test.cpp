// The bitmaps drawn at build time: every name the pages load exists in the build's bitmap folder,
// loads as a BMP, and has the frame count and frame size the pages size their buttons from.
#include <gtest/gtest.h>

#include "ToolkitTestUtil.h"
#include "widgets/BitmapCatalogue.h"
#include "widgets/wx/BitmapFolder.h"

namespace {

TEST(Bitmaps, EveryCatalogueEntryLoadsWithItsFrames) {
  guitest::UseBuildBitmaps();
  for (const BitmapEntry& e : kBitmapCatalogue) {
    const std::string name(e.name);
    wxImage image;
    ASSERT_TRUE(
        image.LoadFile(wxString::FromUTF8(BitmapPath(g_BitmapFolder, name)), wxBITMAP_TYPE_BMP))
        << name;
    EXPECT_EQ(image.GetWidth(), e.width * e.frames) << name;
    EXPECT_EQ(image.GetHeight(), e.height) << name;
    if (e.frames == 4 && e.kind == BitmapKind::Button) {
      // The disabled frame is drawn differently from the normal one.
      const int y = e.height / 2;
      const int x = 6;
      const wxColour normal(image.GetRed(2 * e.width + x, y), image.GetGreen(2 * e.width + x, y),
                            image.GetBlue(2 * e.width + x, y));
      const wxColour disabled(image.GetRed(3 * e.width + x, y), image.GetGreen(3 * e.width + x, y),
                              image.GetBlue(3 * e.width + x, y));
      EXPECT_NE(normal, disabled) << name;
    }
  }
}

TEST(Bitmaps, TheProgramFindsTheBuildTreesFolderWhenRunFromIt) {
  // The test executable lives in the build tree, so the build's folder is chosen.
  EXPECT_EQ(DefaultBitmapFolder(), MERROWIND_BUILD_BITMAP_DIR);
}

}  // namespace
