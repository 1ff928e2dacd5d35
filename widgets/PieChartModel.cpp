#include "widgets/PieChartModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

uint8_t Lighter(uint8_t c, float factor) {
  const float v = static_cast<float>(c) + (255.0f - static_cast<float>(c)) / 255.0f * factor;
  return static_cast<uint8_t>(std::clamp(static_cast<int>(v), 0, 255));
}

uint8_t Darker(uint8_t c, float factor) {
  const float v = static_cast<float>(c) - static_cast<float>(c) / 255.0f * factor;
  return static_cast<uint8_t>(std::clamp(static_cast<int>(v), 0, 255));
}

std::string PercentText(float share) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f%%", static_cast<double>(share) * 100.0);
  return text;
}

}  // namespace

Argb LighterColour(Argb colour, float factor) {
  return MakeArgb(0xFF, Lighter(RedOf(colour), factor), Lighter(GreenOf(colour), factor),
                  Lighter(BlueOf(colour), factor));
}

Argb DarkerColour(Argb colour, float factor) {
  return MakeArgb(0xFF, Darker(RedOf(colour), factor), Darker(GreenOf(colour), factor),
                  Darker(BlueOf(colour), factor));
}

std::string LegendPercentText(float share) {
  std::string text = PercentText(share);
  // Judged on the rounded text, so 9.999 % reads 10.00%, not 010.00%.
  if (text.find('.') == 1) text.insert(0, "0");
  return text;
}

std::string LabelPercentText(float share) {
  return PercentText(share);
}

// --- pieces

PieChartPiece* PieChartModel::AddPiece(std::string_view label, std::string_view text, double value,
                                       Argb colour, bool drawLabelText) {
  m_DrawLabelText = drawLabelText;
  if (label.empty() || HasPiece(label) || !(value > 0) || std::isinf(value)) return nullptr;
  auto piece = std::make_unique<PieChartPiece>();
  piece->label = label;
  piece->text = text;
  piece->value = value;
  piece->key = m_PieceCount;
  piece->baseColour = colour;
  piece->lighterColour = LighterColour(colour, piece->lightenFactor);
  piece->darkerColour = DarkerColour(colour, piece->darkenFactor);
  PieChartPiece* added = piece.get();
  m_Pieces[m_PieceCount] = std::move(piece);
  ++m_PieceCount;
  m_Total += value;
  AfterPiecesChanged();
  return added;
}

void PieChartModel::RemoveAllPieces() {
  m_Pieces.clear();
  m_Total = 0;
  m_PieceCount = 0;
  AfterPiecesChanged();
}

int PieChartModel::RemovePiece(std::string_view label) {
  for (auto it = m_Pieces.begin(); it != m_Pieces.end(); ++it) {
    if (it->second->label != label) continue;
    m_Total -= it->second->value;
    --m_PieceCount;
    m_Pieces.erase(it);
    Renumber();
    AfterPiecesChanged();
    return 1;
  }
  return 0;
}

int PieChartModel::RemovePiece(int key) {
  auto it = m_Pieces.find(key);
  if (it == m_Pieces.end()) return 0;
  const std::string label = it->second->label;
  return RemovePiece(std::string_view(label));
}

int PieChartModel::RemovePiece(const PieChartPiece* piece) {
  for (const auto& [key, p] : m_Pieces)
    if (p.get() == piece) return RemovePiece(key);
  return 0;
}

bool PieChartModel::HasPiece(std::string_view label) const {
  return GetPieceKey(label) >= 0;
}

PieChartPiece* PieChartModel::FindPiece(std::string_view label) {
  for (auto& [key, p] : m_Pieces)
    if (p->label == label) return p.get();
  return nullptr;
}

PieChartPiece* PieChartModel::FindPiece(int key) {
  auto it = m_Pieces.find(key);
  return it == m_Pieces.end() ? nullptr : it->second.get();
}

int PieChartModel::GetPieceKey(std::string_view label) const {
  for (const auto& [key, p] : m_Pieces)
    if (p->label == label) return key;
  return -1;
}

std::string PieChartModel::GetPieceLabel(int key) const {
  auto it = m_Pieces.find(key);
  return it == m_Pieces.end() ? std::string() : it->second->label;
}

PieChartPiece* PieChartModel::SelectedPiece() {
  for (auto& [key, p] : m_Pieces)
    if (p->selected) return p.get();
  return nullptr;
}

void PieChartModel::ClearSelection() {
  for (auto& [key, p] : m_Pieces) p->selected = 0;
}

void PieChartModel::SortByValue(bool descending) {
  std::vector<std::unique_ptr<PieChartPiece>> pieces;
  for (auto it = m_Pieces.rbegin(); it != m_Pieces.rend(); ++it)
    pieces.push_back(std::move(it->second));
  // Taken from the last key down and sorted stably, so among equal values the later piece
  // comes first.
  std::stable_sort(pieces.begin(), pieces.end(), [descending](const auto& a, const auto& b) {
    return descending ? a->value > b->value : a->value < b->value;
  });
  m_Pieces.clear();
  int key = 0;
  for (auto& p : pieces) m_Pieces[key++] = std::move(p);
  AfterPiecesChanged();
}

void PieChartModel::SortByKey() {
  std::vector<std::unique_ptr<PieChartPiece>> pieces;
  for (auto& [key, p] : m_Pieces) pieces.push_back(std::move(p));
  std::stable_sort(pieces.begin(), pieces.end(),
                   [](const auto& a, const auto& b) { return a->key < b->key; });
  m_Pieces.clear();
  int key = 0;
  for (auto& p : pieces) m_Pieces[key++] = std::move(p);
  AfterPiecesChanged();
}

int PieChartModel::SetPieceColor(std::string_view label, Argb colour) {
  PieChartPiece* p = FindPiece(label);
  if (!p) return 0;
  p->baseColour = colour;
  p->lighterColour = LighterColour(colour, p->lightenFactor);
  p->darkerColour = DarkerColour(colour, p->darkenFactor);
  return 1;
}

int PieChartModel::SetPieceLightFactor(std::string_view label, float factor) {
  PieChartPiece* p = FindPiece(label);
  if (!p) return 0;
  p->lightenFactor = factor;
  p->lighterColour = LighterColour(p->baseColour, factor);
  return 1;
}

int PieChartModel::SetPieceDarkFactor(std::string_view label, float factor) {
  PieChartPiece* p = FindPiece(label);
  if (!p) return 0;
  p->darkenFactor = factor;
  p->darkerColour = DarkerColour(p->baseColour, factor);
  return 1;
}

void PieChartModel::SetAllLightFactors(float factor) {
  for (auto& [key, p] : m_Pieces) SetPieceLightFactor(p->label, factor);
}

void PieChartModel::SetAllDarkFactors(float factor) {
  for (auto& [key, p] : m_Pieces) SetPieceDarkFactor(p->label, factor);
}

int PieChartModel::SetPieceText(std::string_view label, std::string_view text) {
  PieChartPiece* p = FindPiece(label);
  if (!p) return 0;
  p->text = text;
  AfterPiecesChanged();
  return 1;
}

int PieChartModel::SetPieceValue(std::string_view label, double value) {
  PieChartPiece* p = FindPiece(label);
  if (!p || !(value > 0) || std::isinf(value)) return 0;
  m_Total += value - p->value;
  p->value = value;
  ComputeShares();
  return 1;
}

int PieChartModel::ExplodePixels(float percent) const {
  return static_cast<int>(static_cast<float>(GetChartRect(true).Width()) * percent / 100.0f);
}

int PieChartModel::SetPieceExplode(std::string_view label, float percent) {
  PieChartPiece* p = FindPiece(label);
  if (!p) return 0;
  p->explodeOffset = ExplodePixels(percent);
  return 1;
}

void PieChartModel::SetAllExplode(float percent) {
  const int offset = ExplodePixels(percent);
  for (auto& [key, p] : m_Pieces) p->explodeOffset = offset;
}

float PieChartModel::GetPieceLightFactor(std::string_view label) const {
  for (const auto& [key, p] : m_Pieces)
    if (p->label == label) return p->lightenFactor;
  return -1;
}

float PieChartModel::GetPieceDarkFactor(std::string_view label) const {
  for (const auto& [key, p] : m_Pieces)
    if (p->label == label) return p->darkenFactor;
  return -1;
}

void PieChartModel::ComputeShares() {
  for (auto& [key, p] : m_Pieces) {
    if (!(m_Total > 0)) continue;
    p->share = static_cast<float>(p->value / m_Total);
    p->sweep = p->share * 360.0f;
    p->drawSweep = p->sweep;
  }
}

void PieChartModel::Renumber() {
  PieceMap renumbered;
  int key = 0;
  for (auto& [old, p] : m_Pieces) renumbered[key++] = std::move(p);
  m_Pieces = std::move(renumbered);
}

void PieChartModel::AfterPiecesChanged() {
  ComputeShares();
  LayoutLegendRows();
  ScrollLegendTo(m_LegendScrollPos, false);
}

// --- settings

void PieChartModel::SetTransparency(float percent) {
  percent = std::isnan(percent) ? 0.0f : std::clamp(percent, 0.0f, 100.0f);
  const auto alpha = static_cast<uint8_t>((1.0f - percent / 100.0f) * 255.0f);
  for (auto& [key, p] : m_Pieces) p->alpha = alpha;
}

void PieChartModel::SetInclination(float degrees) {
  m_Inclination = std::isnan(degrees) ? 0.0f : std::clamp(degrees, 0.0f, 89.0f);
}

void PieChartModel::SetRotation(float degrees) {
  if (!std::isfinite(degrees)) degrees = 0;
  while (degrees >= 360.0f) degrees -= 360.0f;
  m_Rotation = degrees;
  m_DrawStartAngle = degrees;
}

int PieChartModel::SetThickness(float pixels) {
  if (!(pixels >= 0) || std::isinf(pixels)) return 0;
  const int span = GetChartRect(true).Height() * 89 / 180;
  if (span <= 0) return 0;  // no pie to be thick
  m_ThicknessFactor = pixels / static_cast<float>(span);
  return 1;
}

void PieChartModel::SetGradientColor(Argb colour) {
  m_GradientColour = colour;
  m_GradientDark = DarkerColour(colour, m_GradientDarkFactor);
  m_GradientLight = LighterColour(colour, m_GradientLightFactor);
}

void PieChartModel::SetGradientLightFactor(float factor) {
  m_GradientLightFactor = factor;
  SetGradientColor(m_GradientColour);
}

void PieChartModel::SetGradientDarkFactor(float factor) {
  m_GradientDarkFactor = factor;
  SetGradientColor(m_GradientColour);
}

bool PieChartModel::SetPieOffsetX(int offset) {
  if (offset == m_PieOffsetX) return false;
  m_PieOffsetX = offset;
  return true;
}

// --- layout

PieRect PieChartModel::GetChartRect(bool pie) const {
  PieRect r = m_Client;
  r.top += 100;
  r.left += 30;
  r.bottom -= 30;
  if (pie) {
    if (!m_PieRect.IsEmpty()) return m_PieRect;
    r.right = m_DefaultPieRight - 10;
  } else {
    if (!m_LegendRect.IsEmpty()) return m_LegendRect;
    r.right = m_Client.right;
  }
  if (r.Width() < r.Height()) {
    r.right = std::max(r.right, r.left + 150);
    const int side = r.Width();
    r.top += (r.Height() - side) / 2;
    r.bottom = r.top + side;
  } else {
    r.bottom = std::max(r.bottom, r.top + 150);
    r.right = r.left + r.Height();
  }
  if (pie && r.Height() % 2 != 0) {
    ++r.right;
    ++r.bottom;
  }
  r.left += m_PieOffsetX;
  r.right += m_PieOffsetX;
  return r;
}

PieRect PieChartModel::Relayout() {
  m_DefaultPieRight = std::max(m_Client.Width() * 2 / 3, 180);
  const PieRect legend = GetChartRect(false);
  // At least a pixel per row: the scrolling divides by the row step.
  m_LegendRowHeight = std::max(std::min(legend.Height() / 15, 25), 1);
  m_LegendBoxWidth = std::min(legend.Width(), 375) / 8;
  m_LegendRowGap = std::max(std::min(legend.Height() / 20, 18), 0);
  LayoutLegendRows();
  ScrollLegendTo(m_LegendScrollPos, false);
  return {m_Client.right - m_ScrollBarWidth, legend.top, m_Client.right, legend.bottom};
}

void PieChartModel::LayoutLegendRows() {
  const int height = GetChartRect(false).Height();
  int y = 0;
  for (size_t i = 0; i < m_Pieces.size(); ++i) {
    if (height >= y + m_LegendRowHeight) m_LegendVisibleHeight = y + m_LegendRowHeight;
    y += LegendStep();
  }
  m_LegendContentHeight = m_Pieces.empty() ? 0 : y - m_LegendRowGap;
}

LegendScrollInfo PieChartModel::UpdateLegendScrollBar() const {
  const int height = GetChartRect(false).Height();
  return {m_LegendContentHeight, height, height < m_LegendContentHeight};
}

int PieChartModel::ScrollLimit() const {
  return std::max(0, m_LegendContentHeight - GetChartRect(false).Height());
}

int PieChartModel::LegendLineUp() {
  m_LegendScrollPos = std::max(0, m_LegendScrollPos - LegendStep());
  if (m_LegendFirstRow > 0) --m_LegendFirstRow;
  if (m_LegendFirstRow == 0) m_LegendScrollPos = 0;
  return m_LegendScrollPos;
}

int PieChartModel::LegendLineDown() {
  if (m_LegendFirstRow >= m_PieceCount) return m_LegendScrollPos;
  const int limit = ScrollLimit();
  m_LegendScrollPos = std::min(m_LegendScrollPos + LegendStep(), limit);
  const int n = m_PieceCount - (GetChartRect(false).Height() - m_LegendRowHeight) / LegendStep();
  if (n != m_LegendFirstRow + 1) {
    ++m_LegendFirstRow;
    if (m_LegendFirstRow == n - 1) m_LegendScrollPos = limit;
  }
  return m_LegendScrollPos;
}

int PieChartModel::LegendPageUp() {
  ScrollLegendTo(std::max(0, m_LegendScrollPos - GetChartRect(false).Height()), false);
  return m_LegendScrollPos;
}

int PieChartModel::LegendPageDown() {
  ScrollLegendTo(std::min(m_LegendScrollPos + GetChartRect(false).Height(), ScrollLimit()), false);
  return m_LegendScrollPos;
}

int PieChartModel::LegendTrack(int trackPosition) {
  ScrollLegendTo(trackPosition, true);
  return m_LegendScrollPos;
}

int PieChartModel::ScrollLegendTo(int position, bool tracking) {
  const int limit = ScrollLimit();
  if (tracking && limit == 0) return m_LegendFirstRow;
  position = std::clamp(position, 0, limit);
  m_LegendScrollPos = position;
  const int height = GetChartRect(false).Height();
  if (tracking && limit - position < m_LegendRowHeight) {
    m_LegendFirstRow = m_PieceCount - (height - m_LegendRowHeight) / LegendStep() - 1;
    m_LegendScrollPos = limit;
  } else {
    m_LegendFirstRow = position > 0 ? position / LegendStep() : 0;
  }
  m_LegendFirstRow = std::clamp(m_LegendFirstRow, 0, std::max(m_PieceCount - 1, 0));
  return m_LegendFirstRow;
}

int PieChartModel::LegendFontSize() const {
  if (m_LegendFontSize > 0) return m_LegendFontSize;
  const int size = GetChartRect(false).Height() / 25;
  return size > 10 ? 11 : std::max(size, 1);
}

int PieChartModel::TitleFontSize(int panelHeight) {
  const int size = panelHeight / 10;
  return size > 13 ? 14 : std::max(size, 1);
}

PieRect PieChartModel::PanelRect(const PieRect& client) {
  PieRect panel = client;
  panel.right = std::max(panel.right, 300);
  panel.bottom = std::max(panel.bottom, 150);
  return panel;
}

LegendPlan PieChartModel::PlanLegend(int textWidth, int percentWidth, int percentHeight) {
  LegendPlan plan;
  plan.fontSize = LegendFontSize();
  const PieRect legend = GetChartRect(false);
  const bool fixed = !m_LegendRect.IsEmpty();
  const int step = LegendStep();
  int left = fixed ? legend.left : m_Client.left;
  int right = fixed ? legend.right : m_Client.right;
  const int top =
      fixed ? legend.top
            : std::max(legend.top, (legend.top + legend.bottom) / 2 - step * m_PieceCount / 2);
  const int T = textWidth;
  const int P = percentWidth;
  const int W = right - left;
  const int N = P + T + m_LegendBoxWidth + W / 10;
  if (W < N + 150) right = fixed ? left + N : N + 150;

  const int backX = right - P - W / 30;
  plan.percentBack = {backX, top, backX + P,
                      top + std::min(m_LegendContentHeight, m_LegendVisibleHeight)};
  plan.separatorLeft = backX;
  plan.separatorRight = backX + P;
  const int percentX = right - P - W / 35;
  const int textX = percentX - W / 30 - T;
  const int boxX = textX - m_LegendBoxWidth - W / 30;

  int y = top + 1;
  bool first = true;
  for (auto it = m_Pieces.lower_bound(m_LegendFirstRow);
       it != m_Pieces.end() && y + m_LegendRowHeight <= legend.bottom; ++it) {
    const PieChartPiece& p = *it->second;
    LegendRow row;
    row.key = it->first;
    row.percentText = LegendPercentText(p.share);
    row.percentRect = {percentX, y, percentX + P, y + m_LegendRowHeight};
    row.separator = !first;
    row.separatorY = y - (step - percentHeight) / 2;
    row.textRect = {textX, y, textX + T, y + m_LegendRowHeight};
    row.boxRect = {boxX, y, boxX + m_LegendBoxWidth, y + m_LegendRowHeight};
    plan.rows.push_back(std::move(row));
    first = false;
    y += step;
  }
  if (!fixed) m_DefaultPieRight = boxX - W / 20;
  return plan;
}
