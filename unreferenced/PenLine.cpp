#include "unreferenced/PenLine.h"

#include <cstdlib>
#include <span>

namespace {

// On and off lengths in pixels, starting with a drawn run.
constexpr int kDash[] = {6, 3};
constexpr int kDot[] = {1, 2};
constexpr int kDashDot[] = {6, 3, 1, 3};
constexpr int kDashDotDot[] = {6, 3, 1, 2, 1, 3};

std::span<const int> Pattern(PenStyle style) {
  switch (style) {
    case PenStyle::Dash:
      return kDash;
    case PenStyle::Dot:
      return kDot;
    case PenStyle::DashDot:
      return kDashDot;
    case PenStyle::DashDotDot:
      return kDashDotDot;
    case PenStyle::Solid:
      break;
  }
  return {};
}

bool PatternDraws(std::span<const int> pattern, int phase) {
  int period = 0;
  for (int run : pattern) period += run;
  int at = phase % period;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (at < pattern[i]) return i % 2 == 0;
    at -= pattern[i];
  }
  return true;
}

}  // namespace

PenLine::PenLine(PixelSurface& surface, DibPixel colour, PenStyle style, int width)
    : m_Surface(surface), m_Colour(colour), m_Style(style), m_Width(width < 1 ? 1 : width) {}

void PenLine::MoveTo(int x, int y) {
  m_X = x;
  m_Y = y;
}

void PenLine::LineTo(int x, int y) {
  // Bresenham's walk from the current point, leaving out the end point.
  const int dx = std::abs(x - m_X), dy = -std::abs(y - m_Y);
  const int sx = m_X < x ? 1 : -1, sy = m_Y < y ? 1 : -1;
  int error = dx + dy;
  int cx = m_X, cy = m_Y;
  while (cx != x || cy != y) {
    Plot(cx, cy);
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      cx += sx;
    }
    if (twice <= dx) {
      error += dx;
      cy += sy;
    }
  }
  m_X = x;
  m_Y = y;
}

void PenLine::Plot(int x, int y) {
  const std::span<const int> pattern = m_Width == 1 ? Pattern(m_Style) : std::span<const int>();
  const bool draw = pattern.empty() || PatternDraws(pattern, m_Phase);
  ++m_Phase;
  if (!draw) return;
  const int from = -(m_Width / 2);
  for (int oy = from; oy < from + m_Width; ++oy)
    for (int ox = from; ox < from + m_Width; ++ox) m_Surface.SetPixel(x + ox, y + oy, m_Colour);
}
