#include "widgets/PictureFit.h"

#include <algorithm>

PictureRect PictureDrawRect(int W, int H, int w, int h) {
  if (w <= 0 || h <= 0 || W <= 0 || H <= 0) return {};
  if (w < W && h < H) return {W / 2 - w / 2, H / 2 - h / 2, w, h};
  // The room left inside the margins of the side (or sides) the picture overflows.
  const int roomW = w < W ? W : W - 4;
  const int roomH = h < H ? H : H - 4;
  if (roomW <= 0 || roomH <= 0) return {};
  // Scaled by the tighter side, so the picture keeps its proportions.
  const bool widthBinds = static_cast<int64_t>(w) * roomH >= static_cast<int64_t>(h) * roomW;
  const int width =
      widthBinds ? roomW : std::max(1, static_cast<int>(static_cast<int64_t>(w) * roomH / h));
  const int height =
      widthBinds ? std::max(1, static_cast<int>(static_cast<int64_t>(h) * roomW / w)) : roomH;
  return {(W - width) / 2, (H - height) / 2, width, height};
}
