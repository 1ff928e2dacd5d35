// The records the markup drawer fills while it reads markup: the style of the text being drawn,
// the attributes of an image tag and the spans of a table cell.
#pragma once

#include <cstdint>
#include <string>

#include "unreferenced/PixelSurface.h"

struct HtmlStyle {
  std::u16string name;     // style name of the tag that opened this style (pairs it with its close)
  std::int32_t size = 16;  // font height in pixels
  std::int32_t weight = 400;
  std::int32_t italic = 0;
  std::int32_t underline = 0;
  std::int32_t strikeout = 0;
  std::int32_t overline = 0;
  std::u16string face = u"Verdana";
  ColorRef color = 0;
  ColorRef bkColor = 0x00FFFFFF;
  ColorRef borderLight = 0;
  ColorRef borderDark = 0;
  ColorRef bkMidColor = 0x00FFFFFF;
  ColorRef bkEndColor = 0x00FFFFFF;
  std::int32_t bkMode = 1;     // 1 transparent, 2 opaque
  std::int32_t bkEffect = -1;  // fill effect number, -1 none
  std::u16string bkImage;      // "idres:N", "iddll:N" or "file:path"
  std::int32_t align = 0;      // 0 left, 1 center, 2 right, 3 justify
  std::int32_t valign = 3;     // 0 top, 1 middle, 2 bottom, 3 baseline
  std::int32_t borderStyle = 0;
  std::int32_t borderWidth = 0;
  std::int32_t width = 0;      // of a table or cell, 0 automatic
  std::int32_t height = 0;     // of a table or cell, 0 automatic
  std::int32_t transform = 0;  // 0 none, 1 upper, 2 lower, 3 capitalize
  std::int32_t margin = 0;     // a table's cell padding
  std::int32_t padding = 0;    // a table's cell spacing
  std::int32_t linkKind = 0;   // 0 none, 1 address, 2 message to the owner
  std::u16string linkTarget;
};

struct HtmlImageAttributes {
  std::int32_t index = 0;
  std::int32_t idres = 0;
  std::int32_t iddll = 0;
  std::int32_t handle = 0;
  std::int32_t cx = 0;
  std::int32_t cy = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t speed = 0;
  std::int32_t styleFlags = 0;
  std::int32_t hotStyleFlags = 0;
  std::int32_t hasMask = 0;
  std::int32_t widthPercent = 0;
  std::int32_t heightPercent = 0;
  ColorRef maskColor = 0;
  std::u16string file;
  std::u16string dllFile;
};

struct HtmlSpans {
  std::int32_t colspan = 1;
  std::int32_t rowspan = 1;
};
