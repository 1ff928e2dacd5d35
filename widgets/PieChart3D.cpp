#include "widgets/PieChart3D.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kArcStep = 2.0f;  // degrees between the points of an arc

float Radians(float degrees) {
  return degrees * kPi / 180.0f;
}

float Normalised(float angle) {
  angle = std::fmod(angle, 360.0f);
  return angle < 0 ? angle + 360.0f : angle;
}

PieRect Moved(PieRect r, int dx, int dy) {
  r.left += dx;
  r.right += dx;
  r.top += dy;
  r.bottom += dy;
  return r;
}

PiePoint Centre(const PieRect& r) {
  return {static_cast<float>((r.left + r.right) / 2), static_cast<float>((r.top + r.bottom) / 2)};
}

// Points of the arc from angle `from` to `to` (either direction), both ends included.
void AppendArc(std::vector<PiePoint>& out, const PieRect& r, float from, float to) {
  const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(to - from) / kArcStep)));
  for (int i = 0; i <= n; ++i)
    out.push_back(
        EllipsePoint(r, from + (to - from) * static_cast<float>(i) / static_cast<float>(n)));
}

bool Covers(float a, float sweep, float point) {
  return (a <= point && a + sweep > point) || (a >= point && a + sweep - 360.0f > point);
}

struct Offset {
  int dx = 0;
  int dy = 0;
};

Offset ExplodeOffset(const PieChartPiece& piece, float startAngle, float sweep) {
  const float middle = Radians(startAngle + sweep / 2.0f);
  return {static_cast<int>(std::cos(middle) * static_cast<float>(piece.explodeOffset)),
          static_cast<int>(std::sin(middle) * static_cast<float>(piece.explodeOffset))};
}

PieFace TopFace(const PieChartPiece& piece, const PieRect& top, float start, float sweep) {
  PieFace face;
  face.kind = FaceKind::Top;
  if (sweep >= 360.0f) {
    AppendArc(face.polygon, top, 0.0f, 360.0f);
  } else {
    face.polygon.push_back(Centre(top));
    AppendArc(face.polygon, top, start, start + sweep);
  }
  const PiePoint c = Centre(top);
  face.gradientStart = {c.x, static_cast<float>(top.top)};
  face.gradientEnd = {c.x, static_cast<float>(top.bottom)};
  face.startColour = piece.darkerColour;
  face.endColour = piece.lighterColour;
  return face;
}

PieFace OuterSide(const PieChartPiece& piece, const PieEllipses& e, float from, float to) {
  PieFace face;
  face.kind = FaceKind::OuterSide;
  AppendArc(face.polygon, e.top, from, to);
  AppendArc(face.polygon, e.bottom, to, from);
  const PiePoint c = Centre(e.top);
  face.gradientStart = c;
  face.gradientEnd = {c.x, static_cast<float>(e.bottom.bottom)};
  face.startColour = piece.lighterColour;
  face.endColour = piece.darkerColour;
  return face;
}

PieFace RadialSide(const PieChartPiece& piece, const PieEllipses& e, float angle) {
  PieFace face;
  face.kind = FaceKind::RadialSide;
  face.polygon = {Centre(e.top), Centre(e.bottom), EllipsePoint(e.bottom, angle),
                  EllipsePoint(e.top, angle)};
  face.gradientStart = face.polygon[0];
  face.gradientEnd = face.polygon[1];
  face.startColour = face.endColour = LighterColour(piece.baseColour, 120.0f);
  return face;
}

}  // namespace

PieEllipses GetPieRects(const PieChartModel& chart) {
  const PieRect r = chart.GetChartRect(true);
  PieEllipses e;
  e.tilt = static_cast<int>(static_cast<float>(r.Height()) * chart.m_Inclination / 180.0f);
  e.middle = r;
  e.middle.top += e.tilt;
  e.middle.bottom -= e.tilt;
  e.depth = static_cast<int>(static_cast<float>(e.tilt) * chart.m_ThicknessFactor * 0.5f);
  e.top = Moved(e.middle, 0, -e.depth);
  e.bottom = Moved(e.middle, 0, e.depth);
  return e;
}

float AngleOfPoint(float x, float y, const PieRect& rect) {
  const float dx = x - static_cast<float>((rect.left + rect.right) / 2);
  const float dy = y - static_cast<float>((rect.top + rect.bottom) / 2);
  // The centre itself has no direction; 0 keeps the sums finite.
  if (dx == 0 && dy == 0) return 0;
  float angle = std::atan2(dy, dx) * 180.0f / kPi;
  if (angle < 0) angle += 360.0f;
  return angle >= 360.0f ? 0.0f : angle;
}

PiePoint EllipsePoint(const PieRect& rect, float angle) {
  const PiePoint c = Centre(rect);
  const float a = static_cast<float>(rect.Width() / 2);
  const float b = static_cast<float>(rect.Height() / 2);
  const float cs = std::cos(Radians(angle));
  const float sn = std::sin(Radians(angle));
  const float d = std::sqrt(b * cs * b * cs + a * sn * a * sn);
  if (d == 0) return c;
  const float radius = a * b / d;
  return {c.x + radius * cs, c.y + radius * sn};
}

void ProjectAngles(PieChartModel& chart) {
  const PieRect r = chart.GetChartRect(true);
  const float cx = static_cast<float>((r.left + r.right) / 2);
  const float cy = static_cast<float>((r.top + r.bottom) / 2);
  const float hw = static_cast<float>(r.Width() / 2);
  const float hh = static_cast<float>(r.Height() / 2);
  const PieEllipses e = GetPieRects(chart);
  const float c = static_cast<float>(e.tilt);
  const float lift = c * chart.m_ThicknessFactor * 0.5f;

  const float rotation = Radians(chart.m_Rotation);
  chart.m_DrawStartAngle =
      AngleOfPoint(cx + std::cos(rotation) * hw,
                   cy + std::sin(rotation) * hh - std::sin(rotation) * c, e.middle);
  float flat = chart.m_Rotation;
  float projected = chart.m_DrawStartAngle;
  for (auto& [key, p] : chart.Pieces()) {
    flat += p->sweep;
    const float a = Radians(flat);
    p->endPoint = {cx + std::cos(a) * hw, cy + std::sin(a) * hh - std::sin(a) * c};
    const float end = AngleOfPoint(p->endPoint.x, p->endPoint.y, e.middle);
    if (p->sweep == 360.0f) {
      p->drawSweep = 360.0f;
    } else {
      p->drawSweep = end - projected;
      if (p->drawSweep < 0) p->drawSweep += 360.0f;
      // A sliver whose end rounds to just before its start is a sliver, not a whole turn.
      if (p->sweep < 180.0f && p->drawSweep > 359.9f) p->drawSweep = 0;
    }
    projected = Normalised(projected + p->drawSweep);
    p->endPoint.y -= lift;
  }
  PiePoint previous =
      chart.Pieces().empty() ? PiePoint{} : chart.Pieces().rbegin()->second->endPoint;
  for (auto& [key, p] : chart.Pieces()) {
    p->startPoint = previous;
    previous = p->endPoint;
  }
}

PaintPlan PlanPaint3D(const PieChartModel& chart) {
  PaintPlan plan;
  const auto& pieces = chart.Pieces();
  if (pieces.empty()) return plan;
  std::vector<int> keys;
  std::map<int, float> starts;
  float a = chart.m_DrawStartAngle;
  for (const auto& [key, p] : pieces) {
    while (a >= 360.0f) a -= 360.0f;
    keys.push_back(key);
    starts[key] = a;
    if (Covers(a, p->drawSweep, 90.0f)) plan.frontKey = key;
    if (Covers(a, p->drawSweep, 270.0f)) plan.backKey = key;
    a += p->drawSweep;
  }
  const auto step = [&](int key, PiecePart part) {
    return PieceStep{key, part, starts[key], pieces.at(key)->drawSweep};
  };
  const int n = static_cast<int>(keys.size());
  const auto indexOf = [&](int key) {
    return static_cast<int>(std::find(keys.begin(), keys.end(), key) - keys.begin());
  };
  // Walks from `from` one way round until `until`, at most once round the disc.
  const auto walk = [&](int from, int direction, int until, PiecePart part) {
    for (int i = (indexOf(from) + direction + n) % n, count = 0; keys[i] != until && count < n;
         i = (i + direction + n) % n, ++count)
      plan.steps.push_back(step(keys[i], part));
  };
  if (plan.frontKey < 0 || plan.backKey < 0) {
    // Sweeps that do not close the disc (nothing to tilt): key order.
    for (int key : keys) plan.steps.push_back(step(key, PiecePart::Front));
  } else if (plan.frontKey != plan.backKey) {
    plan.steps.push_back(step(plan.backKey, PiecePart::Back));
    walk(plan.backKey, -1, plan.frontKey, PiecePart::Left);
    walk(plan.backKey, +1, plan.frontKey, PiecePart::Right);
    plan.steps.push_back(step(plan.frontKey, PiecePart::Front));
  } else {
    const int split = plan.frontKey;
    plan.steps.push_back(step(split, PiecePart::SplitBack));
    const float start = starts[split];
    const bool leftSide = start > 90.0f && start < 270.0f;
    walk(split, leftSide ? -1 : +1, split, leftSide ? PiecePart::Left : PiecePart::Right);
    plan.steps.push_back(step(split, PiecePart::SplitFront));
  }
  return plan;
}

std::vector<PieFace> PieceFaces3D(const PieChartPiece& piece, const PieceStep& step,
                                  const PieEllipses& ellipses) {
  const Offset o = ExplodeOffset(piece, step.startAngle, step.sweep);
  PieEllipses e = ellipses;
  e.top = Moved(e.top, o.dx, o.dy);
  e.bottom = Moved(e.bottom, o.dx, o.dy);
  e.middle = Moved(e.middle, o.dx, o.dy);
  const float start = step.startAngle;
  const float end = start + step.sweep;
  const bool whole = step.sweep >= 360.0f;
  const bool sides = e.depth > 0 && step.sweep > 0;

  std::vector<PieFace> radial;
  std::vector<PieFace> outer;
  if (sides && !whole) {
    // A start side faces the viewer on the left half, an end side on the right half.
    if (std::cos(Radians(start)) < 0) radial.push_back(RadialSide(piece, e, start));
    if (std::cos(Radians(end)) > 0) radial.push_back(RadialSide(piece, e, end));
  }
  if (sides) {
    // Only the front half of the rim (0 to 180, and again one and two turns on) faces the viewer.
    for (int turn = 0; turn <= 2; ++turn) {
      const float from = std::max(start, 360.0f * static_cast<float>(turn));
      const float to = std::min(end, 360.0f * static_cast<float>(turn) + 180.0f);
      if (to > from) outer.push_back(OuterSide(piece, e, from, to));
    }
  }
  // A piece split round the others holds them in the gap between its two walls, so each wall
  // it shows faces into that gap and lies behind the pieces there: both go with its far part.
  const PieFace top = TopFace(piece, e.top, start, step.sweep);
  std::vector<PieFace> faces;
  switch (step.part) {
    case PiecePart::SplitBack:
      faces.push_back(top);
      faces.insert(faces.end(), radial.begin(), radial.end());
      break;
    case PiecePart::SplitFront:
      faces.insert(faces.end(), outer.begin(), outer.end());
      faces.push_back(top);
      break;
    default:
      faces.push_back(top);
      faces.insert(faces.end(), radial.begin(), radial.end());
      faces.insert(faces.end(), outer.begin(), outer.end());
      faces.push_back(top);
      break;
  }
  return faces;
}

int HitTest3D(const PieChartModel& chart, const PaintPlan& plan, PiePoint point) {
  const PieEllipses e = GetPieRects(chart);
  for (auto step = plan.steps.rbegin(); step != plan.steps.rend(); ++step) {
    auto it = chart.Pieces().find(step->key);
    if (it == chart.Pieces().end()) continue;
    const std::vector<PieFace> faces = PieceFaces3D(*it->second, *step, e);
    for (auto f = faces.rbegin(); f != faces.rend(); ++f)
      if (PolygonContains(f->polygon, point)) return step->key;
  }
  return -1;
}

std::vector<FlatWedge> FlatWedges(const PieChartModel& chart) {
  const PieRect pie = chart.GetChartRect(true);
  std::vector<FlatWedge> wedges;
  float a = chart.m_Rotation;
  for (const auto& [key, p] : chart.Pieces()) {
    const Offset o = ExplodeOffset(*p, a, p->sweep);
    FlatWedge w;
    w.key = key;
    w.startAngle = Normalised(a);
    w.face = TopFace(*p, Moved(pie, o.dx, o.dy), w.startAngle, p->sweep);
    wedges.push_back(std::move(w));
    a += p->sweep;
  }
  return wedges;
}

int HitTestFlat(const PieChartModel& chart, PiePoint point) {
  for (const FlatWedge& w : FlatWedges(chart))
    if (PolygonContains(w.face.polygon, point)) return w.key;
  return -1;
}

PiePoint LabelAnchor3D(const PieChartPiece& piece, float startAngle, const PieEllipses& ellipses) {
  PieRect inner = ellipses.top;
  const int dx = inner.Width() / 10;
  const int dy = inner.Height() / 10;
  inner = {inner.left + dx, inner.top + dy, inner.right - dx, inner.bottom - dy};
  const Offset o = ExplodeOffset(piece, startAngle, piece.drawSweep);
  return EllipsePoint(Moved(inner, o.dx, o.dy), startAngle + piece.drawSweep / 2.0f);
}

PiePoint LabelAnchorFlat(const PieChartPiece& piece, float startAngle, const PieRect& pie) {
  const float middle = Radians(startAngle + piece.sweep / 2.0f);
  const float distance = 2.0f * (static_cast<float>(piece.explodeOffset) / 2.0f +
                                 static_cast<float>(pie.Width()) / 5.0f);
  const PiePoint c = Centre(pie);
  return {c.x + std::cos(middle) * distance, c.y + std::sin(middle) * distance};
}

bool PolygonContains(const std::vector<PiePoint>& polygon, PiePoint point) {
  bool inside = false;
  for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const PiePoint& a = polygon[i];
    const PiePoint& b = polygon[j];
    if ((a.y > point.y) != (b.y > point.y) &&
        point.x < (b.x - a.x) * (point.y - a.y) / (b.y - a.y) + a.x)
      inside = !inside;
  }
  return inside;
}
