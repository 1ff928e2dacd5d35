// The record arena past its small heap chunks: names that fill several large chunks keep their
// units through a move of the arena, and a release gives everything back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/records/RecordArena.h"

TEST(RecordArena, NamesInLargeChunksSurviveAMoveAndTheReleaseFreesThem) {
  RecordArena arena;
  std::vector<WideName> names;
  // 60,000 names of 101 units: about 12 MiB, so the arena grows through its 2 and 4 MiB chunks.
  for (int i = 0; i < 60000; ++i) {
    std::u16string text(100, static_cast<char16_t>(u'A' + i % 26));
    text += static_cast<char16_t>(u'0' + i % 10);
    names.push_back(arena.CopyName(text));
  }
  // The heap chunks up to 1 MiB sum to under 2 MiB: the rest lies in large blocks.
  EXPECT_GT(arena.BytesReserved(), size_t{6} << 20);

  RecordArena moved(std::move(arena));
  EXPECT_EQ(arena.BytesReserved(), 0u);
  RecordArena target;
  target.CopyName(std::u16string(u"replaced"));
  target = std::move(moved);
  for (int i = 0; i < 60000; i += 997) {
    const std::u16string_view v = names[i].View();
    ASSERT_EQ(v.size(), 101u);
    EXPECT_EQ(v[0], static_cast<char16_t>(u'A' + i % 26));
    EXPECT_EQ(v[100], static_cast<char16_t>(u'0' + i % 10));
    EXPECT_EQ(names[i].CStr()[101], u'\0');
  }
  target.Release();
  EXPECT_EQ(target.BytesReserved(), 0u);
  EXPECT_EQ(target.BytesUsed(), 0u);
  // The released arena takes new names again.
  EXPECT_EQ(target.CopyName(std::u16string(u"again")).View(), u"again");
}
