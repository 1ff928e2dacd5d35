// The shared icon lists: every index the trees and lists use holds an icon of the list's size,
// whether the desktop theme has it or the drawn fallback stands in.
#include <gtest/gtest.h>
#include <wx/imaglist.h>

#include "widgets/wx/SystemImageList.h"

namespace {

TEST(SystemImageList, EveryIconIsThereInBothSizes) {
  EXPECT_EQ(SystemImageList(), nullptr);
  InitSystemImageLists();
  wxImageList* small = SystemImageList();
  wxImageList* large = LargeSystemImageList();
  ASSERT_NE(small, nullptr);
  ASSERT_NE(large, nullptr);
  InitSystemImageLists();  // a second start-up keeps the same lists
  EXPECT_EQ(SystemImageList(), small);
  for (auto [list, size] : {std::pair{small, 16}, std::pair{large, 32}}) {
    EXPECT_EQ(list->GetImageCount(), kIconCount);
    for (int i = 0; i < kIconCount; ++i) {
      const wxBitmap icon = list->GetBitmap(i);
      EXPECT_TRUE(icon.IsOk()) << size << " " << i;
      EXPECT_EQ(icon.GetWidth(), size) << i;
      EXPECT_EQ(icon.GetHeight(), size) << i;
    }
  }
  FreeSystemImageLists();
  EXPECT_EQ(SystemImageList(), nullptr);
}

}  // namespace
