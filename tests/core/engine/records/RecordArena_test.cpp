// The record arena past its small heap chunks: names that fill several large chunks keep their
// units through a move of the arena, and a release gives everything back; chunks handed to
// another arena are filled by it while the names after them stay.
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

TEST(RecordArena, ChunksHandedOverAreFilledByTheReceiverWhileLaterNamesStay) {
  RecordArena from;
  std::vector<WideName> names;
  for (int i = 0; i < 60000; ++i)
    names.push_back(from.CopyName(std::u16string(100, static_cast<char16_t>(u'A' + i % 26))));
  RecordArena to;
  // A pointer of neither arena, and the first chunk's own name: nothing lies before either.
  const char16_t elsewhere[] = u"x";
  EXPECT_EQ(from.HandOverChunksBefore(elsewhere, to), 0u);
  EXPECT_EQ(from.HandOverChunksBefore(names[0].CStr(), to), 0u);

  const size_t reserved = from.BytesReserved();
  const int kept = 40000;
  const size_t handed = from.HandOverChunksBefore(names[kept].CStr() - 2, to);
  EXPECT_GT(handed, size_t{2} << 20);
  EXPECT_EQ(from.BytesReserved(), reserved - handed);
  // The receiver starts in the first chunk handed over, and fills them all before growing.
  const WideName first = to.CopyName(std::u16string(u"first"));
  EXPECT_EQ(first.CStr(), names[0].CStr());
  for (int i = 0; i < 30000; ++i) to.CopyName(std::u16string(100, u'#'));
  EXPECT_EQ(first.View(), u"first");
  for (int i = kept; i < 60000; ++i)
    ASSERT_EQ(names[i].View(), std::u16string(100, static_cast<char16_t>(u'A' + i % 26))) << i;
  from.Release();
  to.Release();
  EXPECT_EQ(to.BytesReserved(), 0u);
}
