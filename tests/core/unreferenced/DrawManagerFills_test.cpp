#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

#include "unreferenced/DrawManager.h"

namespace {

constexpr DibPixel kBack = 0x00ABCDEF;
constexpr ColorRef kRed = MakeColorRef(255, 0, 0);
constexpr ColorRef kGreen = MakeColorRef(0, 255, 0);
constexpr ColorRef kBlue = MakeColorRef(0, 0, 255);
constexpr ColorRef kBlack = MakeColorRef(0, 0, 0);
constexpr ColorRef kWhite = MakeColorRef(255, 255, 255);
constexpr ColorRef kGrey = MakeColorRef(128, 128, 128);

DibPixel Pixel(ColorRef c) {
  return SwapRedBlue(c);
}

// The distinct pixels of a row (or column) in order of their first appearance.
std::vector<DibPixel> RunsAlongRow(const PixelSurface& s, int y) {
  std::vector<DibPixel> runs;
  for (int x = 0; x < s.Width(); ++x)
    if (runs.empty() || runs.back() != s.GetPixel(x, y)) runs.push_back(s.GetPixel(x, y));
  return runs;
}

TEST(DrawManagerColours, ChannelArithmetic) {
  const ColorRef c = MakeColorRef(200, 100, 10);
  EXPECT_EQ(CPPDrawManager::InvertColor(c), MakeColorRef(55, 155, 245));
  EXPECT_EQ(CPPDrawManager::ScaleColor(c, 0.5), MakeColorRef(100, 50, 5));
  EXPECT_EQ(CPPDrawManager::ScaleColor(c, 0.0), kBlack);
  for (double f : {1.0, 1.5, -0.1}) EXPECT_EQ(CPPDrawManager::ScaleColor(c, f), c) << f;
  EXPECT_EQ(CPPDrawManager::BrightenColor(c, 0.5), MakeColorRef(255, 150, 15));
  for (double f : {0.0, 1.01, -1.0}) EXPECT_EQ(CPPDrawManager::BrightenColor(c, f), c) << f;
  EXPECT_EQ(CPPDrawManager::MixColors(c, 0.5, kWhite, 0.5), MakeColorRef(227, 177, 132));
  EXPECT_EQ(CPPDrawManager::MixColors(kWhite, 1.0, kWhite, 1.0), kWhite);  // limited to 255
  // 0.299 R + 0.587 G + 0.114 B, whole part.
  EXPECT_EQ(CPPDrawManager::GrayColor(c), MakeColorRef(119, 119, 119));
  EXPECT_EQ(CPPDrawManager::GrayColor(kRed), MakeColorRef(76, 76, 76));
  EXPECT_EQ(CPPDrawManager::PixelGrayColor(Pixel(kBlue) | 0x7F000000u),
            Pixel(MakeColorRef(29, 29, 29)));
}

TEST(DrawManagerFills, SolidAndUnknownEffectsFillWithColourOne) {
  CPPDrawManager dm;
  for (int effect : {0, 16, -3, 1000}) {
    PixelSurface dc(6, 5, kBack);
    dm.FillEffect(dc, effect, {1, 1, 5, 4}, kRed, kGreen, kBlue);
    EXPECT_EQ(dc.GetPixel(1, 1), Pixel(kRed)) << effect;
    EXPECT_EQ(dc.GetPixel(4, 3), Pixel(kRed)) << effect;
    EXPECT_EQ(dc.GetPixel(5, 3), kBack) << effect;
    EXPECT_EQ(dc.GetPixel(1, 4), kBack) << effect;
    EXPECT_EQ(dc.GetPixel(0, 0), kBack) << effect;
  }
}

TEST(DrawManagerFills, EmptyRectanglesDrawNothing) {
  CPPDrawManager dm;
  for (int effect = 0; effect <= 16; ++effect) {
    for (const SurfaceRect& r :
         {SurfaceRect{2, 2, 2, 5}, SurfaceRect{2, 2, 5, 2}, SurfaceRect{4, 4, 1, 1}}) {
      PixelSurface dc(6, 6, kBack);
      dm.FillEffect(dc, effect, r, kRed, kGreen, kBlue, 10, 0);
      for (DibPixel p : dc.Pixels()) ASSERT_EQ(p, kBack) << effect;
    }
  }
}

TEST(DrawManagerFills, GradientsHaveSixtyFourBandsOrOnePerPixel) {
  CPPDrawManager dm;
  PixelSurface wide(128, 2, kBack);
  dm.FillEffect(wide, kEffectHGradient, {0, 0, 128, 2}, kBlack, kGreen, kWhite);
  const std::vector<DibPixel> bands = RunsAlongRow(wide, 0);
  ASSERT_EQ(bands.size(), 64u);
  EXPECT_EQ(bands.front(), Pixel(kBlack));
  EXPECT_EQ(bands[1], Pixel(MakeColorRef(3, 3, 3)));            // 255 x 1 / 64
  EXPECT_EQ(bands.back(), Pixel(MakeColorRef(251, 251, 251)));  // one step short of the end
  EXPECT_EQ(wide.GetPixel(1, 1), Pixel(kBlack));
  EXPECT_EQ(wide.GetPixel(2, 1), bands[1]);

  // 32 pixels: only the odd bands are not empty, and pixel p takes band 2p + 1.
  PixelSurface narrow(32, 1, kBack);
  dm.FillEffect(narrow, kEffectHGradient, {0, 0, 32, 1}, kBlack, kGreen, kWhite);
  const std::vector<DibPixel> steps = RunsAlongRow(narrow, 0);
  ASSERT_EQ(steps.size(), 32u);
  EXPECT_EQ(steps[0], Pixel(MakeColorRef(3, 3, 3)));
  EXPECT_EQ(steps[1], Pixel(MakeColorRef(11, 11, 11)));
  EXPECT_EQ(steps.back(), Pixel(MakeColorRef(251, 251, 251)));

  PixelSurface tall(1, 64, kBack);
  dm.FillEffect(tall, kEffectVGradient, {0, 0, 1, 64}, kRed, kGreen, kBlue);
  EXPECT_EQ(tall.GetPixel(0, 0), Pixel(kRed));
  EXPECT_EQ(tall.GetPixel(0, 63), Pixel(MakeColorRef(3, 0, 251)));
}

TEST(DrawManagerFills, CentredAndThreeColourGradientsSplitAtTheMiddle) {
  CPPDrawManager dm;
  struct Case {
    int effect;
    bool across;
    ColorRef firstStart, secondStart;
  };
  // From 1, 257 pixels long: the halves split at 1 + 257 / 2 = 129.
  const Case cases[] = {
      {kEffectHCGradient, true, kRed, kBlue},
      {kEffectVCGradient, false, kRed, kBlue},
      {kEffect3HGradient, true, kRed, kGreen},
      {kEffect3VGradient, false, kRed, kGreen},
  };
  for (const Case& c : cases) {
    PixelSurface dc(c.across ? 260 : 1, c.across ? 1 : 260, kBack);
    auto at = [&](int i) { return c.across ? dc.GetPixel(i, 0) : dc.GetPixel(0, i); };
    dm.FillEffect(dc, c.effect, c.across ? SurfaceRect{1, 0, 258, 1} : SurfaceRect{0, 1, 1, 258}, kRed,
                  kGreen, kBlue);
    EXPECT_EQ(at(0), kBack) << c.effect;
    EXPECT_EQ(at(1), Pixel(c.firstStart)) << c.effect;
    EXPECT_NE(at(128), Pixel(c.secondStart)) << c.effect;
    EXPECT_EQ(at(129), Pixel(c.secondStart)) << c.effect;
    EXPECT_NE(at(257), kBack) << c.effect;
    EXPECT_EQ(at(258), kBack) << c.effect;
  }
}

// With colour 3 black, colour 2 grey 128 and colour 1 white, palette entry i is i or i - 1, so a
// pixel's blue byte shows its pattern index.
int Index(const PixelSurface& dc, int x, int y) {
  return static_cast<int>(dc.GetPixel(x, y) & 0xFF);
}

PixelSurface Pattern(CPPDrawManager& dm, int effect, int width, int height, int granularity,
                     std::uint32_t seed = 1) {
  dm.SeedRandom(seed);
  PixelSurface dc(width, height, kBack);
  dm.FillEffect(dc, effect, {0, 0, width, height}, kWhite, kGrey, kBlack, granularity, 0);
  return dc;
}

TEST(DrawManagerFills, PatternPaletteRunsFromColourThreeThroughTwoToOne) {
  // Every pixel of a pattern is an entry of that palette.
  std::set<DibPixel> palette;
  const ColorRef c1 = MakeColorRef(250, 10, 0), c2 = MakeColorRef(0, 200, 0),
                 c3 = MakeColorRef(0, 0, 180);
  auto between = [](ColorRef a, int wa, ColorRef b, int wb) {
    return MakeColorRef(static_cast<std::uint8_t>((ColorRefRed(a) * wa + ColorRefRed(b) * wb) / 128),
                        static_cast<std::uint8_t>((ColorRefGreen(a) * wa + ColorRefGreen(b) * wb) / 128),
                        static_cast<std::uint8_t>((ColorRefBlue(a) * wa + ColorRefBlue(b) * wb) / 128));
  };
  for (int h = 0; h < 128; ++h) palette.insert(Pixel(between(c3, 128 - h, c2, h)));
  for (int j = 1; j <= 128; ++j) palette.insert(Pixel(between(c2, 128 - j, c1, j)));
  CPPDrawManager dm;
  for (int effect = kEffectNoise; effect <= kEffectMetal; ++effect) {
    PixelSurface dc(40, 30, kBack);
    dm.FillEffect(dc, effect, {0, 0, 40, 30}, c1, c2, c3, 20, 0);
    for (DibPixel p : dc.Pixels()) ASSERT_TRUE(palette.count(p)) << effect << " " << std::hex << p;
  }
  // A full blend turns every entry into colour 1.
  PixelSurface dc(8, 8, kBack);
  dm.FillEffect(dc, kEffectDiagShade, {0, 0, 8, 8}, c1, c2, c3, 20, 100);
  for (DibPixel p : dc.Pixels()) ASSERT_EQ(p, Pixel(c1));
}

TEST(DrawManagerFills, ShadesRunFromColourThreeToColourOne) {
  CPPDrawManager dm;
  // Granularity 0: the noise is 0 except when the generator gives its largest number.
  const PixelSurface h = Pattern(dm, kEffectHShade, 4, 256, 0);
  EXPECT_LE(Index(h, 0, 255), 1);  // bottom stored row: index 0
  EXPECT_GE(Index(h, 0, 0), 253);  // top row: index 254
  EXPECT_NEAR(Index(h, 2, 128), 127, 2);
  const PixelSurface v = Pattern(dm, kEffectVShade, 256, 4, 0);
  EXPECT_GE(Index(v, 0, 0), 253);  // left column: (255 x 256) / 256
  EXPECT_LE(Index(v, 255, 0), 1);  // right column: 255 / 256
  const PixelSurface bump = Pattern(dm, kEffectHBump, 2, 200, 0);
  EXPECT_NEAR(Index(bump, 0, 100), 127, 2);  // middle: t near 0
  EXPECT_GE(Index(bump, 0, 0), 240);         // top: t = 126
  EXPECT_LE(Index(bump, 0, 199), 10);        // bottom: t = -127
}

TEST(DrawManagerFills, NoiseStaysWithinTheGranularity) {
  CPPDrawManager dm;
  const PixelSurface dc = Pattern(dm, kEffectNoise, 64, 64, 10);
  std::set<int> seen;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) seen.insert(Index(dc, x, y));
  EXPECT_GE(*seen.begin(), 117);
  EXPECT_LE(*seen.rbegin(), 138);
  EXPECT_GT(seen.size(), 15u);
}

TEST(DrawManagerFills, SeededPatternsRepeatAndDifferentSeedsDiffer) {
  CPPDrawManager dm;
  for (int effect :
       {int{kEffectNoise}, int{kEffectSoftBump}, int{kEffectHardBump}, int{kEffectMetal}}) {
    const PixelSurface a = Pattern(dm, effect, 50, 40, 8, 7);
    const PixelSurface b = Pattern(dm, effect, 50, 40, 8, 7);
    const PixelSurface c = Pattern(dm, effect, 50, 40, 8, 8);
    EXPECT_TRUE(std::equal(a.Pixels().begin(), a.Pixels().end(), b.Pixels().begin())) << effect;
    EXPECT_FALSE(std::equal(a.Pixels().begin(), a.Pixels().end(), c.Pixels().begin())) << effect;
  }
}

TEST(DrawManagerFills, HardBumpRoundsItsEndsAndMetalHasStrokes) {
  CPPDrawManager dm;
  // Granularity 0: the ends get 128 (W - k) / F on the right and 255 - 128 k / F on the left.
  const PixelSurface hard = Pattern(dm, kEffectHardBump, 96, 40, 0);
  EXPECT_GE(Index(hard, 0, 20), 250);
  EXPECT_LE(Index(hard, 95, 20), 10);
  const PixelSurface metal = Pattern(dm, kEffectMetal, 80, 80, 0, 3);
  std::set<int> seen;
  for (DibPixel p : metal.Pixels()) seen.insert(static_cast<int>(p & 0xFF));
  EXPECT_GT(seen.size(), 40u);
}

TEST(DrawManagerFills, PatternsOfOddSizesAndGranularitiesStayInside) {
  CPPDrawManager dm;
  // One-row and narrow bitmaps, and granularities whose divisors would be 0, still draw.
  for (int effect = kEffectNoise; effect <= kEffectMetal; ++effect)
    for (auto [w, h, a] :
         {std::tuple{1, 1, 0}, {5, 1, 3}, {3, 40000, 2}, {40000, 2, 50000}, {7, 7, -4}}) {
      PixelSurface dc(w + 2, std::min(h, 8) + 2, kBack);
      dm.FillEffect(dc, effect, {1, 1, 1 + w, 1 + h}, kRed, kGreen, kBlue, a, 0);
      EXPECT_EQ(dc.GetPixel(0, 0), kBack) << effect;
      EXPECT_NE(dc.GetPixel(1, 1), kBack) << effect;
    }
}

}  // namespace
