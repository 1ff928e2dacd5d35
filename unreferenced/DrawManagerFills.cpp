// Rectangle fills: solid colour, the gradients, and the pattern effects drawn through an 8-bit
// bitmap whose palette runs from colour 3 through colour 2 to colour 1.
#include <algorithm>
#include <cstdint>

#include "unreferenced/DrawManager.h"

namespace {

std::uint8_t Channel(ColorRef c, int shift) {
  return static_cast<std::uint8_t>(c >> shift);
}

// (a x wa + b x wb) / total per channel.
ColorRef Between(ColorRef a, int wa, ColorRef b, int wb, int total) {
  ColorRef out = 0;
  for (int shift : {0, 8, 16}) {
    const int v = (Channel(a, shift) * wa + Channel(b, shift) * wb) / total;
    out |= static_cast<ColorRef>(v & 0xFF) << shift;
  }
  return out;
}

DibPixel SolidPixel(ColorRef c) {
  return SwapRedBlue(c & 0xFFFFFF);
}

}  // namespace

void CPPDrawManager::FillEffect(PixelSurface& dc, int effect, const SurfaceRect& rect,
                                ColorRef colour1, ColorRef colour2, ColorRef colour3,
                                int granularity, int blend) {
  if (rect.IsEmpty()) return;
  const int midX = rect.left + rect.Width() / 2;
  const int midY = rect.top + rect.Height() / 2;
  const SurfaceRect left{rect.left, rect.top, midX, rect.bottom};
  const SurfaceRect right{midX, rect.top, rect.right, rect.bottom};
  const SurfaceRect top{rect.left, rect.top, rect.right, midY};
  const SurfaceRect bottom{rect.left, midY, rect.right, rect.bottom};
  switch (effect) {
    case kEffectHGradient:
      DrawGradient(dc, rect, colour1, colour3, true);
      break;
    case kEffectVGradient:
      DrawGradient(dc, rect, colour1, colour3, false);
      break;
    case kEffectHCGradient:
      DrawGradient(dc, left, colour1, colour3, true);
      DrawGradient(dc, right, colour3, colour1, true);
      break;
    case kEffectVCGradient:
      DrawGradient(dc, top, colour1, colour3, false);
      DrawGradient(dc, bottom, colour3, colour1, false);
      break;
    case kEffect3HGradient:
      DrawGradient(dc, left, colour1, colour2, true);
      DrawGradient(dc, right, colour2, colour3, true);
      break;
    case kEffect3VGradient:
      DrawGradient(dc, top, colour1, colour2, false);
      DrawGradient(dc, bottom, colour2, colour3, false);
      break;
    case kEffectNoise:
    case kEffectDiagShade:
    case kEffectHShade:
    case kEffectVShade:
    case kEffectHBump:
    case kEffectVBump:
    case kEffectSoftBump:
    case kEffectHardBump:
    case kEffectMetal:
      MakePatternDib(dc, effect, rect, colour1, colour2, colour3, granularity, blend);
      break;
    default:
      dc.FillRect(rect, SolidPixel(colour1));
      break;
  }
}

void CPPDrawManager::DrawGradient(PixelSurface& dc, const SurfaceRect& rect, ColorRef start,
                                  ColorRef end, bool across) {
  constexpr int kBands = 64;
  const int size = across ? rect.Width() : rect.Height();
  if (size <= 0 || rect.IsEmpty()) return;
  for (int n = 0; n < kBands; ++n) {
    const int from = static_cast<int>(static_cast<long long>(n) * size / kBands);
    const int to = static_cast<int>(static_cast<long long>(n + 1) * size / kBands);
    if (from == to) continue;
    const DibPixel colour = SolidPixel(Between(end, n, start, kBands - n, kBands));
    if (across)
      dc.FillRect({rect.left + from, rect.top, rect.left + to, rect.bottom}, colour);
    else
      dc.FillRect({rect.left, rect.top + from, rect.right, rect.top + to}, colour);
  }
}

void CPPDrawManager::MakePatternDib(PixelSurface& dc, int effect, const SurfaceRect& rect,
                                    ColorRef colour1, ColorRef colour2, ColorRef colour3,
                                    int granularity, int blend) {
  if (!m_Dib.Create(rect.Width(), rect.Height(), 8)) return;
  for (int h = 0; h <= 128; ++h) {
    const ColorRef c = Between(colour3, 128 - h, colour2, h, 128);
    m_Dib.SetPaletteIndex(h, ColorRefRed(c), ColorRefGreen(c), ColorRefBlue(c));
  }
  for (int j = 1; j <= 128; ++j) {
    const ColorRef c = Between(colour2, 128 - j, colour1, j, 128);
    m_Dib.SetPaletteIndex(127 + j, ColorRefRed(c), ColorRefGreen(c), ColorRefBlue(c));
  }
  m_Dib.BlendPalette(colour1, blend);
  WritePatternIndices(effect, granularity);
  m_Dib.Draw(dc, rect.left, rect.top);
}

void CPPDrawManager::WritePatternIndices(int effect, int granularity) {
  using i64 = long long;
  const i64 w = m_Dib.GetWidth(), h = m_Dib.GetHeight();
  const i64 a = std::max(granularity, 0);
  const i64 range = 255 - 2 * a;
  // A divisor of 0 (a granularity or a side above 16383) would end the program; 1 keeps the
  // numbers in range instead.
  auto quotient = [](i64 n) { return std::max<i64>(PatternRandom::kMax / std::max<i64>(n, 1), 1); };
  const i64 randomDivisor = quotient(a == 0 ? 1 : 2 * a);
  auto random = [&] { return m_Random.Next() / randomDivisor; };
  auto noise = [&] { return random() - a; };
  std::uint8_t* bits = m_Dib.GetBits();
  const i64 line = m_Dib.GetLineWidth();
  auto at = [&](i64 r, i64 k) -> std::uint8_t& { return bits[r * line + k]; };
  auto put = [&](i64 r, i64 k, i64 v) { at(r, k) = static_cast<std::uint8_t>(v & 0xFF); };
  auto cube = [](i64 t) { return t * t * t / 16384; };

  switch (effect) {
    case kEffectNoise:
      for (i64 r = 0; r < h; ++r)
        for (i64 k = 0; k < w; ++k) put(r, k, 128 + noise());
      break;
    case kEffectDiagShade:
      for (i64 r = 0; r < h; ++r)
        for (i64 k = 0; k < w; ++k)
          put(r, k, (r * (range / 2)) / h + ((range / 2) * (w - k)) / w + random());
      break;
    case kEffectHShade:
      for (i64 r = 0; r < h; ++r)
        for (i64 k = 0; k < w; ++k) put(r, k, a + (r * range) / h + noise());
      break;
    case kEffectVShade:
      for (i64 r = 0; r < h; ++r)
        for (i64 k = 0; k < w; ++k) put(r, k, a + (range * (w - k)) / w + noise());
      break;
    case kEffectHBump:
      for (i64 r = 0; r < h; ++r)
        for (i64 k = 0; k < w; ++k)
          put(r, k, 128 + cube(255 * r / h - 127) * (128 - a) / 128 + noise());
      break;
    case kEffectVBump:
      for (i64 r = 0; r < h; ++r)
        for (i64 k = 0; k < w; ++k)
          put(r, k, 128 + cube(255 * (w - k) / w - 127) * (128 - a) / 128 + noise());
      break;
    case kEffectSoftBump:
      for (i64 r = 0; r < h; ++r)
        for (i64 k = 0; k < w; ++k) {
          const i64 v =
              128 + (cube(255 * r / h - 127) + cube(255 * (w - k) / w - 127)) * (128 - a) / 128;
          put(r, k, std::clamp(v, a, std::max(a, 255 - a)) + noise());
        }
      break;
    case kEffectHardBump: {
      for (i64 r = 0; r < h; ++r)
        for (i64 k = 0; k < w; ++k)
          put(r, k, 128 + cube(255 * r / h - 127) * ((64 - a) * 2) / 128 + noise());
      const i64 f = std::min<i64>(w / 6, 16);
      // A bitmap one row high would divide by zero here; its ends are rounded as if two high.
      const i64 quarter = std::max<i64>(h * h / 4, 1);
      for (i64 r = 0; r < h; ++r) {
        const i64 g = r - h / 2;
        const i64 inset = f * g * g / quarter;
        for (i64 k = 0; k < w; ++k) {
          if (k - w / 2 > inset + w / 2 - f)
            put(r, k, a + 128 * (w - k) / f);
          else if (k < f - inset)
            put(r, k, 255 - a - 128 * k / f);
          put(r, k, at(r, k) + noise());
        }
      }
      break;
    }
    case kEffectMetal: {
      m_Dib.Clear(0);
      const i64 side = std::min(w, h);
      for (int stroke = 0; stroke < 200; ++stroke) {
        const i64 x0 = m_Random.Next() / quotient(w);
        const i64 y0 = m_Random.Next() / quotient(h);
        const i64 length = m_Random.Next() / quotient(side);
        const int value = m_Random.Next() / 819;
        for (i64 k = 0; k < length / 2; ++k) {
          if (x0 - k > 0 && y0 + k < h)
            m_Dib.SetPixelIndex(static_cast<int>(x0 - k), static_cast<int>(y0 + k), value);
          if (x0 + k < w && y0 - k > 0)
            m_Dib.SetPixelIndex(static_cast<int>(w + k - x0), static_cast<int>(y0 - k), value);
        }
      }
      const i64 s = (range - 40) / 2;
      for (i64 r = 0; r < h; ++r)
        for (i64 k = 0; k < w; ++k)
          put(r, k, at(r, k) + (r * s) / h + (s * (w - k)) / w + random());
      break;
    }
  }
}
