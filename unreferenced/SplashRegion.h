// The shape of a splash window: the runs of a bitmap's pixels that are not the key colour.
#pragma once

#include <vector>

#include "unreferenced/PixelSurface.h"

// One rectangle a pixel high per run of pixels that differ from the key colour, rows from the
// bottom up, runs left to right. A bitmap all of the key colour gives none.
std::vector<SurfaceRect> RegionRunsFromColour(const PixelSurface& bitmap, ColorRef key);
