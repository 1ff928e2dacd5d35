#include "storage/vdisk/Uuid.h"

#include <gtest/gtest.h>

namespace {

TEST(Uuid, TextAndBytesAreInNetworkOrder) {
  Uuid id{};
  ASSERT_EQ(UuidParse("2DC27766-F623-4200-9D64-115E9BFD4A08", id), 0);
  EXPECT_EQ(id[0], std::byte{0x2D});
  EXPECT_EQ(id[4], std::byte{0xF6});
  EXPECT_EQ(id[15], std::byte{0x08});
  EXPECT_EQ(UuidFormat(id), "2dc27766-f623-4200-9d64-115e9bfd4a08");
  Uuid braced{};
  ASSERT_EQ(UuidParse("{2dc27766-f623-4200-9d64-115e9bfd4a08}", braced), 0);
  EXPECT_EQ(braced, id);
}

TEST(Uuid, MalformedTextIsRefusedAndLeavesTheValue) {
  for (const char* text :
       {"", "2DC27766F6234200-9D64-115E9BFD4A08-", "2DC27766-F623-4200-9D64-115E9BFD4A0G",
        "2DC27766-F623-4200-9D64", "{2DC27766-F623-4200-9D64-115E9BFD4A08"}) {
    SCOPED_TRACE(text);
    Uuid id{};
    id[3] = std::byte{9};
    EXPECT_EQ(UuidParse(text, id), -1);
    EXPECT_EQ(id[3], std::byte{9});
  }
}

TEST(Uuid, GeneratedIdsAreVersion4AndDiffer) {
  Uuid a{}, b{};
  UuidGenerate(a);
  UuidGenerate(b);
  EXPECT_FALSE(UuidIsNull(a));
  EXPECT_NE(a, b);
  EXPECT_EQ(std::to_integer<int>(a[6]) >> 4, 4);
  EXPECT_EQ(std::to_integer<int>(a[8]) >> 6, 2);
  UuidClear(a);
  EXPECT_TRUE(UuidIsNull(a));
}

}  // namespace
