// Where the picture control draws its picture in a client area of W x H: a picture smaller both
// ways at its own size in the middle; one too wide or too tall stretched along that side less the
// margins; one too large both ways stretched to the area less a one-pixel margin.
#pragma once

struct PictureRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PictureRect&) const = default;
};

PictureRect PictureDrawRect(int areaWidth, int areaHeight, int pictureWidth, int pictureHeight);
