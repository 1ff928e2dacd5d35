// Draws every button strip and picture of the program into a folder as 24-bit BMP files. Runs at
// build time without a display: shapes are drawn on a pixel buffer here and captions are rendered
// with FreeType in the face fontconfig picks for "Arial" (a metric-compatible face).
//
// Usage: merrowind_bitmap_generator OUTPUT_FOLDER
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "widgets/BitmapCatalogue.h"

namespace {

struct Colour {
  double r = 0, g = 0, b = 0;
};

Colour Hex(std::uint32_t v) {
  return {double((v >> 16) & 0xFF), double((v >> 8) & 0xFF), double(v & 0xFF)};
}

Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour Grey(Colour c) {
  const double y = 0.3 * c.r + 0.59 * c.g + 0.11 * c.b;
  return Mix({y, y, y}, {255, 255, 255}, 0.45);
}

class Canvas {
 public:
  Canvas(int w, int h, Colour fill) : m_W(w), m_H(h), m_Px(std::size_t(w) * h, fill) {}
  int Width() const { return m_W; }
  int Height() const { return m_H; }

  void Blend(int x, int y, Colour c, double alpha) {
    if (x < m_X0 || y < 0 || x >= m_X1 || y >= m_H || alpha <= 0) return;
    Colour& p = m_Px[std::size_t(y) * m_W + x];
    p = Mix(p, c, std::min(alpha, 1.0));
  }

  // Limits drawing to the columns of one frame.
  void Clip(int x0, int x1) {
    m_X0 = std::max(0, x0);
    m_X1 = std::min(m_W, x1);
  }

  void FillRect(double x0, double y0, double x1, double y1, Colour c) {
    for (int y = int(std::floor(y0)); y < int(std::ceil(y1)); ++y)
      for (int x = int(std::floor(x0)); x < int(std::ceil(x1)); ++x) {
        const double cx = std::min(x + 1.0, x1) - std::max(double(x), x0);
        const double cy = std::min(y + 1.0, y1) - std::max(double(y), y0);
        if (cx > 0 && cy > 0) Blend(x, y, c, cx * cy);
      }
  }

  // Anti-aliased rounded rectangle with a vertical gradient from top to bottom colour.
  void RoundRect(double x0, double y0, double x1, double y1, double radius, Colour top,
                 Colour bottom) {
    for (int y = int(y0); y < int(std::ceil(y1)); ++y)
      for (int x = int(x0); x < int(std::ceil(x1)); ++x) {
        const double px = x + 0.5, py = y + 0.5;
        const double dx = std::max({x0 + radius - px, 0.0, px - (x1 - radius)});
        const double dy = std::max({y0 + radius - py, 0.0, py - (y1 - radius)});
        const double d = std::sqrt(dx * dx + dy * dy) - radius;
        const double edge = std::min({px - x0, x1 - px, py - y0, y1 - py});
        const double cover = std::clamp(0.5 - d, 0.0, 1.0) * std::clamp(edge + 0.5, 0.0, 1.0);
        const double t = (py - y0) / std::max(1.0, y1 - y0);
        Blend(x, y, Mix(top, bottom, t), cover);
      }
  }

  void RoundOutline(double x0, double y0, double x1, double y1, double radius, double width,
                    Colour c) {
    for (int y = int(y0); y < int(std::ceil(y1)); ++y)
      for (int x = int(x0); x < int(std::ceil(x1)); ++x) {
        const double px = x + 0.5, py = y + 0.5;
        const double dx = std::max({x0 + radius - px, 0.0, px - (x1 - radius)});
        const double dy = std::max({y0 + radius - py, 0.0, py - (y1 - radius)});
        const double inside = radius - std::sqrt(dx * dx + dy * dy);
        const double edge = std::min({px - x0, x1 - px, py - y0, y1 - py});
        const double dist = (dx > 0 || dy > 0) ? inside : edge;
        if (dist < -0.5) continue;
        const double cover =
            std::clamp(0.5 + dist, 0.0, 1.0) * std::clamp(width + 0.5 - dist, 0.0, 1.0);
        Blend(x, y, c, cover);
      }
  }

  void Disc(double cx, double cy, double r, Colour c) {
    for (int y = int(cy - r - 1); y <= int(cy + r + 1); ++y)
      for (int x = int(cx - r - 1); x <= int(cx + r + 1); ++x) {
        const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
        Blend(x, y, c, std::clamp(r - d + 0.5, 0.0, 1.0));
      }
  }

  void Ring(double cx, double cy, double r, double width, Colour c) {
    for (int y = int(cy - r - 1); y <= int(cy + r + 1); ++y)
      for (int x = int(cx - r - 1); x <= int(cx + r + 1); ++x) {
        const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
        const double a =
            std::clamp(r - d + 0.5, 0.0, 1.0) * std::clamp(d - (r - width) + 0.5, 0.0, 1.0);
        Blend(x, y, c, a);
      }
  }

  void Line(double x0, double y0, double x1, double y1, double width, Colour c) {
    const double len = std::hypot(x1 - x0, y1 - y0);
    if (len == 0) return;
    const int minX = int(std::min(x0, x1) - width - 1), maxX = int(std::max(x0, x1) + width + 1);
    const int minY = int(std::min(y0, y1) - width - 1), maxY = int(std::max(y0, y1) + width + 1);
    for (int y = minY; y <= maxY; ++y)
      for (int x = minX; x <= maxX; ++x) {
        const double px = x + 0.5, py = y + 0.5;
        double t = ((px - x0) * (x1 - x0) + (py - y0) * (y1 - y0)) / (len * len);
        t = std::clamp(t, 0.0, 1.0);
        const double d = std::hypot(px - (x0 + t * (x1 - x0)), py - (y0 + t * (y1 - y0)));
        Blend(x, y, c, std::clamp(width / 2 - d + 0.5, 0.0, 1.0));
      }
  }

  // A wedge of a disc between two angles (degrees, clockwise from the right).
  void Wedge(double cx, double cy, double r, double from, double to, Colour c) {
    for (int y = int(cy - r - 1); y <= int(cy + r + 1); ++y)
      for (int x = int(cx - r - 1); x <= int(cx + r + 1); ++x) {
        const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
        double a = std::atan2(dy, dx) * 180 / M_PI;
        if (a < 0) a += 360;
        if (a < from || a > to) continue;
        Blend(x, y, c, std::clamp(r - std::hypot(dx, dy) + 0.5, 0.0, 1.0));
      }
  }

  bool WriteBmp(const std::string& path) const {
    const int rowBytes = (m_W * 3 + 3) & ~3;
    const std::uint32_t imageSize = std::uint32_t(rowBytes) * m_H;
    std::vector<std::uint8_t> out(54 + imageSize, 0);
    auto put16 = [&](std::size_t off, std::uint32_t v) {
      out[off] = v & 0xFF;
      out[off + 1] = (v >> 8) & 0xFF;
    };
    auto put32 = [&](std::size_t off, std::uint32_t v) {
      put16(off, v & 0xFFFF);
      put16(off + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, std::uint32_t(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, std::uint32_t(m_W));
    put32(22, std::uint32_t(m_H));
    put16(26, 1);
    put16(28, 24);
    put32(34, imageSize);
    put32(38, 3780);
    put32(42, 3780);
    for (int y = 0; y < m_H; ++y) {
      std::uint8_t* row = out.data() + 54 + std::size_t(m_H - 1 - y) * rowBytes;
      for (int x = 0; x < m_W; ++x) {
        const Colour& c = m_Px[std::size_t(y) * m_W + x];
        row[x * 3 + 0] = std::uint8_t(std::lround(std::clamp(c.b, 0.0, 255.0)));
        row[x * 3 + 1] = std::uint8_t(std::lround(std::clamp(c.g, 0.0, 255.0)));
        row[x * 3 + 2] = std::uint8_t(std::lround(std::clamp(c.r, 0.0, 255.0)));
      }
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
  }

 private:
  int m_W, m_H;
  int m_X0 = 0, m_X1 = m_W;
  std::vector<Colour> m_Px;
};

class TextRenderer {
 public:
  bool Open() {
    if (FT_Init_FreeType(&m_Library) != 0) return false;
    const std::string file = FindFont("Arial:bold");
    if (file.empty()) return false;
    return FT_New_Face(m_Library, file.c_str(), 0, &m_Face) == 0;
  }
  ~TextRenderer() {
    if (m_Face) FT_Done_Face(m_Face);
    if (m_Library) FT_Done_FreeType(m_Library);
  }

  int Measure(const std::string& text, int pixels) {
    FT_Set_Pixel_Sizes(m_Face, 0, FT_UInt(pixels));
    long width = 0;
    for (unsigned char ch : text) {
      if (FT_Load_Char(m_Face, ch, FT_LOAD_DEFAULT) == 0) width += m_Face->glyph->advance.x;
    }
    return int(width >> 6);
  }

  // Draws text centred on (cx, cy).
  void Draw(Canvas& canvas, const std::string& text, int pixels, double cx, double cy, Colour c) {
    const int width = Measure(text, pixels);
    FT_Set_Pixel_Sizes(m_Face, 0, FT_UInt(pixels));
    const int ascender = int(m_Face->size->metrics.ascender >> 6);
    const int descender = int(m_Face->size->metrics.descender >> 6);
    const int baseline = int(std::lround(cy + (ascender + descender) / 2.0));
    long pen = long(std::lround(cx - width / 2.0)) << 6;
    for (unsigned char ch : text) {
      if (FT_Load_Char(m_Face, ch, FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot g = m_Face->glyph;
      const int left = int(pen >> 6) + g->bitmap_left;
      const int top = baseline - g->bitmap_top;
      for (unsigned row = 0; row < g->bitmap.rows; ++row)
        for (unsigned col = 0; col < g->bitmap.width; ++col) {
          const std::uint8_t a = g->bitmap.buffer[row * g->bitmap.pitch + col];
          canvas.Blend(left + int(col), top + int(row), c, a / 255.0);
        }
      pen += g->advance.x;
    }
  }

 private:
  static std::string FindFont(const char* pattern) {
    std::string file;
    if (!FcInit()) return file;
    FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(pattern));
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pat, &result);
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
      file = reinterpret_cast<const char*>(path);
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pat);
    // fontconfig is needed only to find the file; its caches go now.
    FcFini();
    return file;
  }
  FT_Library m_Library = nullptr;
  FT_Face m_Face = nullptr;
};

const Colour kWhite{255, 255, 255};
const Colour kInk = Hex(0x1F2A44);
const Colour kBlue = Hex(0x2F6DB5);
const Colour kDarkBlue = Hex(0x1D4E89);
const Colour kRed = Hex(0xC8352E);
const Colour kGreen = Hex(0x2E8B57);

// Button faces per frame: pressed, hover, normal, disabled.
struct Face {
  Colour top, bottom, text;
  double shift;
};

Face ButtonFace(int frame) {
  switch (frame) {
    case 0:
      return {Hex(0x1C4A80), Hex(0x2E68AA), kWhite, 1};
    case 1:
      return {Hex(0x5A9BE0), Hex(0x2F6DB5), kWhite, 0};
    case 2:
      return {Hex(0x4A86CC), Hex(0x1F5499), kWhite, 0};
    default:
      return {Hex(0xE2E4E8), Hex(0xC9CDD3), Hex(0x8A8F98), 0};
  }
}

void DrawSymbol(Canvas& c, TextRenderer& text, BitmapSymbol symbol, double cx, double cy,
                double size, Colour ink, bool disabled) {
  auto tone = [&](Colour col) { return disabled ? Grey(col) : col; };
  const double s = size / 2;
  switch (symbol) {
    case BitmapSymbol::Information:
    case BitmapSymbol::Question:
    case BitmapSymbol::Help:
      c.Disc(cx, cy, s, tone(symbol == BitmapSymbol::Help ? kGreen : kBlue));
      text.Draw(c, symbol == BitmapSymbol::Information ? "i" : "?", int(size * 0.75), cx, cy,
                kWhite);
      break;
    case BitmapSymbol::LoadLog:  // a folder with an arrow out of it
      c.RoundRect(cx - s, cy - s * 0.55, cx - s * 0.1, cy - s * 0.25, 2, tone(Hex(0xE0A526)),
                  tone(Hex(0xE0A526)));
      c.RoundRect(cx - s, cy - s * 0.35, cx + s, cy + s * 0.8, 2, tone(Hex(0xF5C04A)),
                  tone(Hex(0xD99A1E)));
      c.Line(cx, cy + s * 0.45, cx, cy - s * 0.9, size * 0.1, tone(kDarkBlue));
      c.Line(cx - s * 0.35, cy - s * 0.5, cx, cy - s * 0.9, size * 0.1, tone(kDarkBlue));
      c.Line(cx + s * 0.35, cy - s * 0.5, cx, cy - s * 0.9, size * 0.1, tone(kDarkBlue));
      break;
    case BitmapSymbol::SaveLog:  // a diskette
      c.RoundRect(cx - s, cy - s, cx + s, cy + s, 2, tone(kBlue), tone(kDarkBlue));
      c.FillRect(cx - s * 0.55, cy - s, cx + s * 0.55, cy - s * 0.25, tone(Hex(0xDDE6F2)));
      c.FillRect(cx + s * 0.15, cy - s * 0.9, cx + s * 0.4, cy - s * 0.35, tone(kDarkBlue));
      c.FillRect(cx - s * 0.65, cy + s * 0.1, cx + s * 0.65, cy + s, tone(kWhite));
      break;
    case BitmapSymbol::Search:  // a magnifier
      c.Ring(cx - s * 0.2, cy - s * 0.2, s * 0.62, size * 0.12, tone(kDarkBlue));
      c.Line(cx + s * 0.25, cy + s * 0.25, cx + s * 0.9, cy + s * 0.9, size * 0.16, tone(kInk));
      break;
    case BitmapSymbol::Recover: {  // a page lifted back out of a disk by a green arrow
      c.RoundRect(cx - s, cy + s * 0.3, cx + s, cy + s, 3, tone(Hex(0x8E9AAF)),
                  tone(Hex(0x5B6B82)));
      c.Disc(cx + s * 0.7, cy + s * 0.65, s * 0.1, tone(kGreen));
      c.RoundRect(cx - s * 0.75, cy - s, cx + s * 0.05, cy + s * 0.05, 2, kWhite, Hex(0xE9EEF5));
      c.RoundOutline(cx - s * 0.75, cy - s, cx + s * 0.05, cy + s * 0.05, 2, 1.5, tone(kInk));
      for (int i = 0; i < 3; ++i)
        c.Line(cx - s * 0.55, cy - s * 0.7 + i * s * 0.25, cx - s * 0.15,
               cy - s * 0.7 + i * s * 0.25, 1.5, tone(Hex(0x9AA6B8)));
      c.Line(cx + s * 0.5, cy + s * 0.45, cx + s * 0.5, cy - s * 0.85, size * 0.13, tone(kGreen));
      c.Line(cx + s * 0.15, cy - s * 0.45, cx + s * 0.5, cy - s * 0.9, size * 0.13, tone(kGreen));
      c.Line(cx + s * 0.85, cy - s * 0.45, cx + s * 0.5, cy - s * 0.9, size * 0.13, tone(kGreen));
      break;
    }
    case BitmapSymbol::Deleted:  // a page with a red cross
      c.RoundRect(cx - s * 0.7, cy - s, cx + s * 0.7, cy + s, 2, kWhite, Hex(0xE9EEF5));
      c.RoundOutline(cx - s * 0.7, cy - s, cx + s * 0.7, cy + s, 2, 1.5, tone(kInk));
      for (int i = 0; i < 4; ++i)
        c.Line(cx - s * 0.4, cy - s * 0.6 + i * s * 0.35, cx + s * 0.4, cy - s * 0.6 + i * s * 0.35,
               1.5, tone(Hex(0x9AA6B8)));
      c.Line(cx - s * 0.2, cy + s * 0.05, cx + s * 0.9, cy + s * 0.95, size * 0.12, tone(kRed));
      c.Line(cx + s * 0.9, cy + s * 0.05, cx - s * 0.2, cy + s * 0.95, size * 0.12, tone(kRed));
      break;
    case BitmapSymbol::Formatted:  // a disk with a sweep
    case BitmapSymbol::DiskImage:
    case BitmapSymbol::AppIcon:
      c.Disc(cx, cy, s, tone(Hex(0x8E9AAF)));
      c.Disc(cx, cy, s * 0.85, tone(Hex(0xCBD3E1)));
      c.Disc(cx, cy, s * 0.2, tone(kInk));
      if (symbol == BitmapSymbol::Formatted) {
        c.Ring(cx, cy, s * 0.6, size * 0.08, tone(kBlue));
        c.Line(cx + s * 0.6, cy - s * 0.25, cx + s * 0.6, cy + s * 0.1, size * 0.1, tone(kBlue));
      } else {
        c.Line(cx, cy, cx + s * 0.75, cy - s * 0.5, size * 0.09, tone(kInk));
        c.Disc(cx + s * 0.7, cy + s * 0.7, s * 0.35, tone(kGreen));
        c.Line(cx + s * 0.52, cy + s * 0.7, cx + s * 0.88, cy + s * 0.7, size * 0.07, kWhite);
        c.Line(cx + s * 0.7, cy + s * 0.52, cx + s * 0.7, cy + s * 0.88, size * 0.07, kWhite);
      }
      break;
    case BitmapSymbol::Partition:  // a pie of partitions
      c.Disc(cx, cy, s, tone(Hex(0x5B8FD1)));
      c.Wedge(cx, cy, s, 0, 110, tone(Hex(0xF2A93B)));
      c.Wedge(cx, cy, s, 200, 260, tone(kGreen));
      break;
    case BitmapSymbol::Raw:
      c.RoundRect(cx - s, cy - s * 0.8, cx + s, cy + s * 0.8, 3, tone(Hex(0x3B4A61)),
                  tone(Hex(0x222C3B)));
      text.Draw(c, "0101", int(size * 0.36), cx, cy - s * 0.3, tone(Hex(0x7CFC9A)));
      text.Draw(c, "1100", int(size * 0.36), cx, cy + s * 0.35, tone(Hex(0x7CFC9A)));
      break;
    default:
      (void)ink;
      break;
  }
}

Canvas DrawButtonStrip(const BitmapEntry& e, TextRenderer& text) {
  Canvas c(e.width * e.frames, e.height, kWhite);
  const std::string caption(e.caption);
  for (int f = 0; f < e.frames; ++f) {
    c.Clip(f * e.width, (f + 1) * e.width);
    const Face face = ButtonFace(f);
    const double x0 = f * e.width + 1, x1 = (f + 1) * e.width - 1;
    c.RoundRect(x0, 1, x1, e.height - 1, 4, face.top, face.bottom);
    c.RoundOutline(x0, 1, x1, e.height - 1, 4, 1, f == 3 ? Hex(0xAEB3BB) : Hex(0x173E6E));
    int px = 12;
    while (px > 8 && text.Measure(caption, px) > e.width - 10) --px;
    text.Draw(c, caption, px, f * e.width + e.width / 2.0 + face.shift, e.height / 2.0 + face.shift,
              face.text);
  }
  return c;
}

Canvas DrawToolbarStrip(const BitmapEntry& e, TextRenderer& text) {
  Canvas c(e.width * e.frames, e.height, kWhite);
  for (int f = 0; f < e.frames; ++f) {
    c.Clip(f * e.width, (f + 1) * e.width);
    const double x0 = f * e.width + 1, x1 = (f + 1) * e.width - 1;
    const double shift = f == 0 ? 1 : 0;
    if (f == 0) c.RoundRect(x0, 1, x1, e.height - 1, 5, Hex(0xC9DBF2), Hex(0xE4EEFA));
    if (f == 1) c.RoundRect(x0, 1, x1, e.height - 1, 5, Hex(0xEEF4FC), Hex(0xD6E5F7));
    if (f <= 1) c.RoundOutline(x0, 1, x1, e.height - 1, 5, 1, Hex(0x7FA7D9));
    const double cx = f * e.width + e.width / 2.0 + shift;
    DrawSymbol(c, text, e.symbol, cx, 20 + shift, 26, kInk, f == 3);
    text.Draw(c, std::string(e.caption), 11, cx, e.height - 11 + shift,
              f == 3 ? Hex(0xA0A5AD) : kInk);
  }
  return c;
}

Canvas DrawModeStrip(const BitmapEntry& e, TextRenderer& text) {
  Canvas c(e.width * e.frames, e.height, kWhite);
  for (int f = 0; f < e.frames; ++f) {
    c.Clip(f * e.width, (f + 1) * e.width);
    const double x0 = f * e.width + 2, x1 = (f + 1) * e.width - 2;
    const double shift = f == 0 ? 1 : 0;
    const Colour top = f == 0 ? Hex(0xC7DAF3) : f == 1 ? Hex(0xF4F8FE) : Hex(0xFFFFFF);
    const Colour bottom = f == 0 ? Hex(0xDCE8F8) : f == 1 ? Hex(0xD5E4F7) : Hex(0xE8EEF6);
    c.RoundRect(x0, 2, x1, e.height - 2, 8, top, bottom);
    c.RoundOutline(x0, 2, x1, e.height - 2, 8, f == 1 ? 2 : 1, f == 1 ? kBlue : Hex(0x9DB3CF));
    DrawSymbol(c, text, e.symbol, x0 + 38 + shift, e.height / 2.0 + shift, 44, kInk, false);
    const std::string caption(e.caption);
    const int width = text.Measure(caption, 15);
    text.Draw(c, caption, 15, x0 + 76 + width / 2.0 + shift, e.height / 2.0 + shift,
              f == 1 ? kDarkBlue : kInk);
  }
  return c;
}

Canvas DrawPicture(const BitmapEntry& e, TextRenderer& text) {
  Canvas c(e.width, e.height, kWhite);
  switch (e.symbol) {
    case BitmapSymbol::Step: {
      static const char* const kNames[] = {"Source", "Analysis", "Results", "Save"};
      const double gap = e.width / 4.0;
      for (int i = 0; i < 4; ++i) {
        const double cx = gap * i + gap / 2;
        const bool done = i + 1 <= e.step;
        if (i < 3)
          c.Line(cx + 14, 16, cx + gap - 14, 16, 3, i + 2 <= e.step ? kBlue : Hex(0xC5CCD6));
        c.Disc(cx, 16, 12, done ? kBlue : Hex(0xC5CCD6));
        if (i + 1 == e.step) c.Ring(cx, 16, 15, 2, kDarkBlue);
        text.Draw(c, std::to_string(i + 1), 13, cx, 16, kWhite);
        text.Draw(c, kNames[i], 12, cx, 39, done ? kInk : Hex(0x98A1AE));
      }
      break;
    }
    case BitmapSymbol::Preview:
    case BitmapSymbol::NoPreview: {
      c.RoundRect(1, 1, e.width - 1, e.height - 1, 6, Hex(0xF4F6F9), Hex(0xE3E8EF));
      c.RoundOutline(1, 1, e.width - 1, e.height - 1, 6, 1, Hex(0xB4BFCC));
      const double cx = e.width / 2.0, cy = e.height / 2.0 - 14;
      c.RoundRect(cx - 40, cy - 30, cx + 40, cy + 30, 3, kWhite, kWhite);
      c.RoundOutline(cx - 40, cy - 30, cx + 40, cy + 30, 3, 1.5, Hex(0x8795A8));
      c.Disc(cx + 18, cy - 12, 7, Hex(0xF2B33D));
      c.Line(cx - 34, cy + 24, cx - 8, cy - 6, 3, kGreen);
      c.Line(cx - 8, cy - 6, cx + 10, cy + 14, 3, kGreen);
      c.Line(cx + 10, cy + 14, cx + 20, cy + 4, 3, kGreen);
      c.Line(cx + 20, cy + 4, cx + 34, cy + 24, 3, kGreen);
      if (e.symbol == BitmapSymbol::NoPreview) {
        c.Ring(cx, cy, 34, 5, kRed);
        c.Line(cx - 24, cy + 24, cx + 24, cy - 24, 5, kRed);
      }
      text.Draw(c, std::string(e.caption), 14, cx, e.height - 24, kInk);
      break;
    }
    default:
      DrawSymbol(c, text, e.symbol, e.width / 2.0, e.height / 2.0, e.width - 2, kInk, false);
      break;
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  TextRenderer text;
  if (!text.Open()) {
    std::fprintf(stderr, "bitmap generator: no font for \"Arial\" (install fonts-liberation2)\n");
    return 1;
  }
  const std::string folder = argv[1];
  int failures = 0;
  for (const BitmapEntry& e : kBitmapCatalogue) {
    Canvas canvas = e.kind == BitmapKind::Button       ? DrawButtonStrip(e, text)
                    : e.kind == BitmapKind::Toolbar    ? DrawToolbarStrip(e, text)
                    : e.kind == BitmapKind::ModeButton ? DrawModeStrip(e, text)
                                                       : DrawPicture(e, text);
    std::string name(e.name);
    if (!name.empty() && name.front() == '\\') name.erase(0, 1);
    const std::string path = folder + "/" + name;
    if (!canvas.WriteBmp(path)) {
      std::fprintf(stderr, "bitmap generator: cannot write %s\n", path.c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
