#include "storage/vdisk/qcow/L2Cache.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Counts the loads and fills each table with the low byte of its offset.
struct CountingLoader {
  std::vector<uint64_t> loads;
  bool fail = false;
  L2Cache::Loader Fn() {
    return [this](uint64_t offset, std::span<std::byte> table) {
      loads.push_back(offset);
      std::fill(table.begin(), table.end(), std::byte(offset & 0xFF));
      return !fail;
    };
  }
};

TEST(L2Cache, KeepsTablesWithinItsBudgetAndReusesTheLeastRecentlyUsed) {
  L2Cache cache(1 << 20, 2 << 20);
  CountingLoader loader;
  EXPECT_EQ(cache.Get(0x100, loader.Fn())[0], std::byte{0x00});
  EXPECT_EQ(cache.Get(0x201, loader.Fn())[0], std::byte{0x01});
  EXPECT_EQ(cache.Get(0x100, loader.Fn())[5], std::byte{0x00});  // hit: 0x201 is now oldest
  EXPECT_EQ(cache.Get(0x302, loader.Fn())[0], std::byte{0x02});  // replaces 0x201
  EXPECT_EQ(cache.TableCount(), 2u);
  cache.Get(0x100, loader.Fn());
  cache.Get(0x201, loader.Fn());
  EXPECT_EQ(loader.loads, (std::vector<uint64_t>{0x100, 0x201, 0x302, 0x201}));
}

TEST(L2Cache, OneTableIsKeptEvenWhenLargerThanTheBudget) {
  L2Cache cache(4 << 20, 2 << 20);
  CountingLoader loader;
  cache.Get(0x1000, loader.Fn());
  cache.Get(0x1000, loader.Fn());
  EXPECT_EQ(loader.loads.size(), 1u);
}

TEST(L2Cache, ATableThatCouldNotBeReadIsTriedAgain) {
  L2Cache cache(512);
  CountingLoader loader;
  loader.fail = true;
  EXPECT_TRUE(cache.Get(0x200, loader.Fn()).empty());
  loader.fail = false;
  EXPECT_EQ(cache.Get(0x200, loader.Fn()).size(), 512u);
  EXPECT_EQ(loader.loads.size(), 2u);
  EXPECT_EQ(cache.TableCount(), 1u);
}

}  // namespace
