// The drive chart's data without a window: the pieces in insertion order under integer keys,
// their shares and colours, the chart's settings, the rectangles of the pie and the legend, the
// legend's rows and its scrolling. CPieChartWnd (widgets/wx/PieChartWnd.h) paints what this
// holds and forwards its setters here.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// 0xAARRGGBB.
using Argb = uint32_t;

inline constexpr uint8_t AlphaOf(Argb c) {
  return static_cast<uint8_t>(c >> 24);
}
inline constexpr uint8_t RedOf(Argb c) {
  return static_cast<uint8_t>(c >> 16);
}
inline constexpr uint8_t GreenOf(Argb c) {
  return static_cast<uint8_t>(c >> 8);
}
inline constexpr uint8_t BlueOf(Argb c) {
  return static_cast<uint8_t>(c);
}
inline constexpr Argb MakeArgb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
  return (Argb{a} << 24) | (Argb{r} << 16) | (Argb{g} << 8) | Argb{b};
}
// An opaque colour from a 0x00BBGGRR value, as the pages give their colour tables.
inline constexpr Argb ArgbFromColorref(uint32_t colorref) {
  return MakeArgb(0xFF, static_cast<uint8_t>(colorref), static_cast<uint8_t>(colorref >> 8),
                  static_cast<uint8_t>(colorref >> 16));
}

// Each of red, green and blue moves toward white (lighter) or black (darker) by its distance
// to it / 255 x factor, cut toward zero and kept within 0..255; the result is opaque.
Argb LighterColour(Argb colour, float factor);
Argb DarkerColour(Argb colour, float factor);

struct PiePoint {
  float x = 0;
  float y = 0;
};

// Edges as the window system gives them: right and bottom lie just outside.
struct PieRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  friend bool operator==(const PieRect&, const PieRect&) = default;
};

struct PieChartPiece {
  double value = 0;  // > 0
  float share = 0;   // value / total
  float sweep = 0;   // share x 360, degrees
  float lightenFactor = 120.0f;
  float darkenFactor = 10.0f;
  Argb lighterColour = 0;
  Argb darkerColour = 0;
  Argb baseColour = 0;
  std::string text;     // legend text
  std::string label;    // unique name; lookups compare it exactly
  float drawSweep = 0;  // the sweep as drawn: projected onto the tilted disc in mode 2
  uint8_t alpha = 255;  // opacity of the faces
  PiePoint startPoint;  // first and last rim point on the top ellipse (mode 2)
  PiePoint endPoint;
  int key = 0;
  int selected = 0;
  int explodeOffset = 0;  // pixels the piece moves out along its middle angle
};

// One row of the legend, in client coordinates.
struct LegendRow {
  int key = 0;
  std::string percentText;
  PieRect percentRect;
  bool separator = false;  // a line above every row but the first
  int separatorY = 0;
  PieRect textRect;
  PieRect boxRect;
};

struct LegendPlan {
  int fontSize = 11;
  PieRect percentBack;  // background of the percentage column
  int separatorLeft = 0;
  int separatorRight = 0;
  std::vector<LegendRow> rows;
};

struct LegendScrollInfo {
  int range = 0;  // 0 .. content height
  int page = 0;   // the legend's height
  bool shown = false;
};

// "%.2f%" of share x 100 with a "0" in front below 10 (05.00%), as the legend writes it; the
// labels leave the "0" out.
std::string LegendPercentText(float share);
std::string LabelPercentText(float share);

class PieChartModel {
 public:
  using PieceMap = std::map<int, std::unique_ptr<PieChartPiece>>;

  // --- pieces
  // The label flag is kept whatever happens. An empty label, one that a piece already has, or a
  // value that is not a finite number above 0 is refused with nullptr and changes nothing else.
  PieChartPiece* AddPiece(std::string_view label, std::string_view text, double value, Argb colour,
                          bool drawLabelText);
  void RemoveAllPieces();
  int RemovePiece(std::string_view label);
  int RemovePiece(int key);
  int RemovePiece(const PieChartPiece* piece);
  bool HasPiece(std::string_view label) const;
  PieChartPiece* FindPiece(std::string_view label);
  PieChartPiece* FindPiece(int key);
  int GetPieceKey(std::string_view label) const;  // -1 when absent
  std::string GetPieceLabel(int key) const;       // empty when absent
  PieChartPiece* SelectedPiece();
  void ClearSelection();
  // Ascending, or descending; among equal values the later piece comes first. Keys become
  // 0, 1, 2... in the new order.
  void SortByValue(bool descending);
  void SortByKey();

  int SetPieceColor(std::string_view label, Argb colour);
  int SetPieceLightFactor(std::string_view label, float factor);
  int SetPieceDarkFactor(std::string_view label, float factor);
  void SetAllLightFactors(float factor);
  void SetAllDarkFactors(float factor);
  int SetPieceText(std::string_view label, std::string_view text);
  // Refuses a missing piece or a value that is not a finite number above 0.
  int SetPieceValue(std::string_view label, double value);
  // percent of the top ellipse's width.
  int SetPieceExplode(std::string_view label, float percent);
  void SetAllExplode(float percent);
  float GetPieceLightFactor(std::string_view label) const;  // -1 when absent
  float GetPieceDarkFactor(std::string_view label) const;

  // --- settings
  void SetTransparency(float percent);  // 0..100: every piece's alpha (40 gives 153)
  void SetInclination(float degrees);   // 0..89
  void SetRotation(float degrees);
  // pixels / ((pie height x 89) / 180); refused (0) when negative or the pie has no height.
  int SetThickness(float pixels);
  void SetGradientColor(Argb colour);
  void SetGradientLightFactor(float factor);
  void SetGradientDarkFactor(float factor);
  // False when the value did not change (nothing to repaint).
  bool SetPieOffsetX(int offset);

  // --- layout
  // The window's client rectangle; the layout below is computed inside it.
  void SetClientRect(const PieRect& client) { m_Client = client; }
  const PieRect& ClientRect() const { return m_Client; }
  // The pie (pie = true) or the legend rectangle.
  PieRect GetChartRect(bool pie) const;
  // After a size change or a new legend rectangle: the default pie edge, the legend's metrics,
  // its rows and scroll state. Returns where the scroll bar goes.
  PieRect Relayout();
  void LayoutLegendRows();
  LegendScrollInfo UpdateLegendScrollBar() const;
  int ScrollLimit() const;
  // Scroll bar events; each returns the new scroll position.
  int LegendLineUp();
  int LegendLineDown();
  int LegendPageUp();
  int LegendPageDown();
  int LegendTrack(int trackPosition);
  int ScrollLegendTo(int position, bool tracking);
  // The legend for one paint, from the measured widest text and "100.00%" widths (each + 1) and
  // the height of a percentage text. Without a fixed legend rectangle it moves the default pie
  // edge left of the colour boxes.
  LegendPlan PlanLegend(int textWidth, int percentWidth, int percentHeight);
  int LegendFontSize() const;
  // Title size in points for a panel of this height.
  static int TitleFontSize(int panelHeight);
  // The panel behind everything: the client with its right at least 300, bottom at least 150.
  static PieRect PanelRect(const PieRect& client);

  const PieceMap& Pieces() const { return m_Pieces; }
  PieceMap& Pieces() { return m_Pieces; }
  void ComputeShares();

  int m_PieceCount = 0;
  float m_Rotation = 0;
  float m_DrawStartAngle = 0;
  float m_Inclination = 0;
  float m_ThicknessFactor = 0.5f;
  double m_Total = 0;
  Argb m_BackColour = 0xFFFFFFFF;
  int m_LegendBoxWidth = 50;
  int m_LegendRowHeight = 20;
  int m_DefaultPieRight = 200;
  int m_ScrollBarWidth = 20;
  int m_LegendRowGap = 10;
  std::string m_LegendFontFace;
  int m_LegendFontStyle = 0;  // bold 1, italic 2, underline 4, strike-out 8
  int m_LegendFontSize = -1;
  int m_LegendContentHeight = 0;
  int m_LegendFirstRow = 0;
  int m_LegendVisibleHeight = 1000;
  int m_LegendScrollPos = 0;
  Argb m_TextColour = 0xFF000000;
  Argb m_LegendBackColour = 0xFFFFFFFF;
  Argb m_GradientColour = 0xFFFFFFFF;
  Argb m_GradientLight = 0xFFFFFFFF;
  Argb m_GradientDark = 0xFFFFFFFF;
  float m_GradientLightFactor = 200.0f;
  float m_GradientDarkFactor = 10.0f;
  std::string m_Title;
  std::string m_TitleFontFace;
  int m_TitleFontStyle = 0;
  int m_PieOffsetX = 0;
  int m_FrontPieceKey = -1;
  int m_BackPieceKey = -1;
  Argb m_HighlightColour = 0xFF6BE6FF;
  bool m_ShowLabels = true;
  int m_ChartMode = 2;  // 0 or 1 flat, 2 three-dimensional
  PieRect m_PieRect;
  PieRect m_LegendRect;
  bool m_DrawLabelText = true;

 private:
  void Renumber();
  void AfterPiecesChanged();
  int ExplodePixels(float percent) const;
  int LegendStep() const { return m_LegendRowHeight + m_LegendRowGap; }

  PieceMap m_Pieces;
  PieRect m_Client;
};
