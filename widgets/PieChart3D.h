// The drive chart's pie as a tilted disc with depth, without a window: the ellipses, the angles
// the pieces subtend once the disc is tilted, the order that paints far faces before near ones,
// the faces of each piece as polygons (arcs become polylines), and the hit test that finds the
// face visible under a point. The flat pie of the other modes is here too.
//
// Angles are degrees, 0 pointing right and growing clockwise on the screen (y grows downward),
// so 90 is the front of the disc and 270 its back. An angle on an ellipse is the direction of
// the point seen from the centre, not the ellipse's parameter.
#pragma once

#include <vector>

#include "widgets/PieChartModel.h"

struct PieEllipses {
  PieRect middle;  // the pie rectangle squashed by the tilt: the disc's middle plane
  PieRect top;     // middle moved up by the depth
  PieRect bottom;  // middle moved down by the depth
  int tilt = 0;    // c: how far the tilt moves the pie rectangle's top and bottom in
  int depth = 0;   // s: half the disc's visible thickness
};

PieEllipses GetPieRects(const PieChartModel& chart);

// Direction of (x, y) from the rectangle's centre, 0 to 360; 0 for the centre itself.
float AngleOfPoint(float x, float y, const PieRect& rect);

// The point of the ellipse inscribed in rect in direction angle.
PiePoint EllipsePoint(const PieRect& rect, float angle);

// Each piece's draw sweep and rim points for the tilted disc, and the chart's draw start angle.
void ProjectAngles(PieChartModel& chart);

enum class PiecePart { Back, Left, Right, Front, SplitBack, SplitFront };

struct PieceStep {
  int key = 0;
  PiecePart part = PiecePart::Back;
  float startAngle = 0;  // 0 to 360
  float sweep = 0;       // the draw sweep
};

struct PaintPlan {
  int frontKey = -1;             // the piece covering 90 degrees
  int backKey = -1;              // the piece covering 270 degrees
  std::vector<PieceStep> steps;  // far to near
};

// The order of pieces for one paint of the tilted disc, after ProjectAngles: the back piece,
// then outward along both sides to the front piece; a piece holding both the front and back
// points is drawn in two portions around the others.
PaintPlan PlanPaint3D(const PieChartModel& chart);

enum class FaceKind { Top, OuterSide, RadialSide };

// One filled polygon: a gradient from `from` to `to` between the two points (equal colours for
// a plain fill), alpha taken from the piece.
struct PieFace {
  FaceKind kind = FaceKind::Top;
  std::vector<PiePoint> polygon;
  PiePoint gradientStart;
  PiePoint gradientEnd;
  Argb startColour = 0;
  Argb endColour = 0;
};

// The faces of one step in painting order: the top face, the radial and outer sides that face
// the viewer, and the top face again over them.
std::vector<PieFace> PieceFaces3D(const PieChartPiece& piece, const PieceStep& step,
                                  const PieEllipses& ellipses);

// The key of the piece whose visible face holds the point in the last paint's plan, or -1.
int HitTest3D(const PieChartModel& chart, const PaintPlan& plan, PiePoint point);

// Flat modes: one gradient-filled wedge per piece from the rotation onward.
struct FlatWedge {
  int key = 0;
  float startAngle = 0;
  PieFace face;
};
std::vector<FlatWedge> FlatWedges(const PieChartModel& chart);
int HitTestFlat(const PieChartModel& chart, PiePoint point);

// Where a piece's percentage label is centred.
PiePoint LabelAnchor3D(const PieChartPiece& piece, float startAngle, const PieEllipses& ellipses);
PiePoint LabelAnchorFlat(const PieChartPiece& piece, float startAngle, const PieRect& pie);

bool PolygonContains(const std::vector<PiePoint>& polygon, PiePoint point);
