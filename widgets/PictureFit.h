// Where the picture control draws its picture in a client area of W x H: a picture smaller both
// ways at its own size in the middle; a larger one scaled down, keeping its proportions, until it
// fits the area less a two-pixel margin on each side it overflowed, and centred.
#pragma once

#include <cstdint>

struct PictureRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PictureRect&) const = default;
};

PictureRect PictureDrawRect(int areaWidth, int areaHeight, int pictureWidth, int pictureHeight);
