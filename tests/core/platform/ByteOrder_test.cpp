#include "platform/ByteOrder.h"

#include <array>

#include <gtest/gtest.h>

namespace {

std::array<std::byte, 8> Bytes8() {
  std::array<std::byte, 8> b{};
  for (size_t i = 0; i < b.size(); ++i) b[i] = std::byte(0x11 * (i + 1));
  return b;
}

TEST(ByteOrder, LoadsBothOrders) {
  auto b = Bytes8();
  EXPECT_EQ(bo::LoadLe16(b, 0), 0x2211u);
  EXPECT_EQ(bo::LoadLe32(b, 1), 0x55443322u);
  EXPECT_EQ(bo::LoadLe64(b, 0), 0x8877665544332211ull);
  EXPECT_EQ(bo::LoadBe16(b, 0), 0x1122u);
  EXPECT_EQ(bo::LoadBe32(b, 4), 0x55667788u);
  EXPECT_EQ(bo::LoadBe64(b, 0), 0x1122334455667788ull);
}

TEST(ByteOrder, FieldsPastTheSpanReadAsZero) {
  auto b = Bytes8();
  struct Case {
    size_t offset;
    size_t width;
  };
  for (Case c : {Case{7, 2}, Case{5, 4}, Case{1, 8}, Case{8, 1}, Case{SIZE_MAX, 4}}) {
    SCOPED_TRACE(c.offset);
    EXPECT_FALSE(bo::Fits(b, c.offset, c.width));
  }
  EXPECT_EQ(bo::LoadLe16(b, 7), 0u);
  EXPECT_EQ(bo::LoadLe32(b, SIZE_MAX - 1), 0u);
  EXPECT_EQ(bo::Load8(b, 8), 0u);
}

TEST(ByteOrder, StoresRoundTripAndRefuseOverflow) {
  std::array<std::byte, 8> b{};
  EXPECT_TRUE(bo::StoreLe<uint32_t>(b, 2, 0xA1B2C3D4u));
  EXPECT_EQ(bo::LoadLe32(b, 2), 0xA1B2C3D4u);
  EXPECT_TRUE(bo::StoreBe<uint16_t>(b, 6, 0x1234));
  EXPECT_EQ(bo::LoadBe16(b, 6), 0x1234u);
  EXPECT_FALSE(bo::StoreLe<uint64_t>(b, 1, 1));
  EXPECT_EQ(bo::LoadLe32(b, 2), 0xA1B2C3D4u);
}

}  // namespace
