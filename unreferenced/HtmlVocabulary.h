// What the markup knows by name: entities, tags, colour names and the system colours.
#pragma once

#include <array>
#include <string_view>

#include "unreferenced/PixelSurface.h"

enum HtmlTagId : int {
  kTagNone = 0,
  kTagBold = 1,
  kTagItalic = 2,
  kTagUnderline = 3,
  kTagStrikeout = 4,
  kTagFont = 5,
  kTagRule = 6,
  kTagBreak = 7,
  kTagTab = 8,
  kTagLeft = 9,
  kTagCenter = 10,
  kTagRight = 11,
  kTagJustify = 12,
  kTagBaseline = 13,
  kTagTop = 14,
  kTagVCenter = 15,
  kTagBottom = 16,
  kTagBitmap = 17,
  kTagIcon = 18,
  kTagImageList = 19,
  kTagString = 20,
  kTagStyleSheet = 21,  // body, h1-h6, code, pre, big, small, sub, sup
  kTagSpan = 22,
  kTagLink = 23,
};

struct HtmlTagRow {
  std::u16string_view name;
  HtmlTagId id;
  std::u16string_view styleName;  // empty: the tag has no closing form
};

struct HtmlEntityRow {
  std::u16string_view entity;
  std::u16string_view replacement;
};

struct HtmlColorRow {
  std::u16string_view name;
  ColorRef colour;
};

// Indexes of the system colours, as the desktop numbers them.
enum HtmlSysColor : int {
  kSysScrollbar = 0,
  kSysBackground = 1,
  kSysActiveCaption = 2,
  kSysInactiveCaption = 3,
  kSysMenu = 4,
  kSysWindow = 5,
  kSysWindowFrame = 6,
  kSysMenuText = 7,
  kSysWindowText = 8,
  kSysCaptionText = 9,
  kSysActiveBorder = 10,
  kSysInactiveBorder = 11,
  kSysAppWorkspace = 12,
  kSysHighlight = 13,
  kSysHighlightText = 14,
  kSysBtnFace = 15,
  kSysBtnShadow = 16,
  kSysGrayText = 17,
  kSysBtnText = 18,
  kSysInactiveCaptionText = 19,
  kSysBtnHighlight = 20,
  kSys3DDkShadow = 21,
  kSys3DLight = 22,
  kSysInfoText = 23,
  kSysInfoBk = 24,
  kSysColorCount = 25,
};

using HtmlSystemColors = std::array<ColorRef, kSysColorCount>;

// The classic desktop palette; the toolkit side reads the real one.
HtmlSystemColors ClassicSystemColors();

extern const std::array<HtmlTagRow, 40> kHtmlTags;
extern const std::array<HtmlEntityRow, 13> kHtmlEntities;
extern const std::array<HtmlColorRow, 140> kHtmlNamedColors;

struct HtmlSystemColorName {
  std::u16string_view name;
  HtmlSysColor index;
};
extern const std::array<HtmlSystemColorName, 28> kHtmlSystemColorNames;
