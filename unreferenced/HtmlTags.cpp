// The tags of the markup drawer: style tags, rules, strings, images and links.
#include <algorithm>

#include "platform/ShellLauncher.h"
#include "platform/TextCodec.h"
#include "unreferenced/HtmlDrawer.h"
#include "unreferenced/HtmlNumbers.h"
#include "unreferenced/HtmlTokenizer.h"

namespace {

constexpr int kIconSize = 32;  // the desktop's standard icon size

}  // namespace

void CPPHtmlDrawer::ApplyOpeningTag(int id, const std::u16string& name,
                                    std::u16string_view attributes) {
  HtmlStyle& s = m_Style;
  switch (id) {
    case kTagBold:
      s.weight = std::min(s.weight * 2, 900);
      break;
    case kTagItalic:
      s.italic = !s.italic;
      break;
    case kTagUnderline:
      s.underline = !s.underline;
      break;
    case kTagStrikeout:
      s.strikeout = !s.strikeout;
      break;
    case kTagFont:
      ForEachAttribute(attributes,
                       [&](const std::u16string& attribute, const std::u16string& value) {
                         if (attribute == u"face") {
                           s.face = value;
                         } else if (attribute == u"size") {
                           s.size = ParseLength(value, s.size, true);
                         } else if (attribute == u"color") {
                           s.color = m_Enabled ? ParseColor(value, s.color) : m_DisabledColor;
                         } else if (attribute == u"style") {
                           ParseStyleLetters(value, s);
                         } else if (attribute == u"weight") {
                           s.weight = ParseFontWeight(value);
                         } else if (attribute == u"bkgnd") {
                           if (value == u"transparent" || value.empty() || !m_Enabled) {
                             s.bkMode = 1;
                           } else {
                             s.bkMode = 2;
                             s.bkColor = ParseColor(value, s.bkColor);
                           }
                         }
                       });
      break;
    case kTagLeft:
    case kTagCenter:
    case kTagRight:
    case kTagJustify:
      s.align = id - kTagLeft;
      break;
    case kTagBaseline:
      s.valign = 3;
      break;
    case kTagTop:
      s.valign = 0;
      break;
    case kTagVCenter:
      s.valign = 1;
      break;
    case kTagBottom:
      s.valign = 2;
      break;
    case kTagStyleSheet:
      ApplyCssStyle(name, s);
      break;
    case kTagSpan:
      ForEachAttribute(attributes,
                       [&](const std::u16string& attribute, const std::u16string& value) {
                         if (attribute == u"class") ApplyCssStyle(u"." + value, s);
                       });
      break;
    case kTagLink:
      s.linkKind = 2;
      s.linkTarget.clear();
      ForEachAttribute(attributes,
                       [&](const std::u16string& attribute, const std::u16string& value) {
                         if (attribute == u"href" || attribute == u"msg") {
                           s.linkKind = attribute == u"href" ? 1 : 2;
                           s.linkTarget = value;
                         }
                       });
      ++m_LinkCounter;
      ApplyCssStyle(m_LinkCounter == m_HoverLink ? u"a:hover" : u"a:link", s);
      break;
    default:
      break;
  }
}

void CPPHtmlDrawer::DrawRule(std::u16string_view attributes) {
  HtmlStyle rule = m_Style;
  rule.borderWidth = 1;
  ApplyCssStyle(u"hr", rule);
  int width = 100;
  bool percent = true;
  ForEachAttribute(attributes, [&](const std::u16string& name, const std::u16string& value) {
    if (name == u"width") {
      percent = IsPercent(value);
      width = percent ? LeadingInt(value) : ParseLength(value, 100, false);
    } else if (name == u"size") {
      rule.borderWidth = ParseLength(value, rule.borderWidth, false);
    } else if (name == u"color") {
      rule.color = m_Enabled ? ParseColor(value, rule.color) : m_DisabledColor;
    }
  });
  if (percent) {
    if (m_Measuring) {
      Line().percent = SaturateInt32(std::int64_t{Line().percent} + width);
      width = 1;
    } else {
      width = MulDiv(m_Available, width, 100);
    }
  }
  width = std::max(width, 0);
  if (m_Measuring) {
    Line().height = std::max(Line().height, SaturateInt32(std::int64_t{rule.borderWidth} + 8));
    Line().align = m_Style.align;
  } else {
    HtmlDrawItem line;
    line.kind = HtmlDrawItem::Kind::Line;
    line.x = m_X;
    line.y = m_Y + Line().height / 2;
    line.width = width;
    line.colour = rule.color;
    line.lineWidth = rule.borderWidth;
    m_List->push_back(line);
  }
  m_X = SaturateInt32(std::int64_t{m_X} + width);
  m_LineEmpty = false;
}

void CPPHtmlDrawer::DrawString(std::u16string_view attributes) {
  int id = 0;
  std::u16string library;
  ForEachAttribute(attributes, [&](const std::u16string& name, const std::u16string& value) {
    if (name == u"idres" || name == u"iddll")
      id = ParseLength(value, id, false);
    else if (name == u"srcdll")
      library = value;
  });
  const std::u16string text = LoadResourceString(id, library);
  if (text.empty()) return;
  const HtmlExtent extent = Measure(text);
  if (m_Measuring) Line().align = m_Style.align;
  PlaceText(text, extent.cx, extent.cy);
}

void CPPHtmlDrawer::DrawImage(int id, std::u16string_view attributes) {
  HtmlImageAttributes a;
  a.width = a.height = 100;
  a.widthPercent = a.heightPercent = 1;
  a.maskColor = 0x00FF00FF;
  ParseImageAttributes(attributes, a);
  const std::u16string_view library = a.dllFile.empty() ? m_ResourceLibrary : a.dllFile;
  HtmlDrawItem item;
  item.useMask = a.hasMask != 0;
  item.maskColour = a.maskColor;
  int width = 0;
  int height = 0;
  const auto scale = [](int value, bool percent, int base) {
    return percent ? MulDiv(base, value, 100) : value;
  };
  const PixelSurface* bitmap = nullptr;
  if (m_Resources != nullptr) {
    if (a.idres != 0)
      bitmap = m_Resources->Bitmap(u"", a.idres);
    else if (!a.file.empty())
      bitmap = m_Resources->BitmapFile(a.file);
    else if (a.iddll != 0)
      bitmap = m_Resources->Bitmap(library, a.iddll);
    else if (a.handle != 0)
      bitmap = m_Resources->BitmapHandle(a.handle);
  }
  if (id == kTagBitmap) {
    if (bitmap == nullptr) return;
    item.kind = HtmlDrawItem::Kind::Bitmap;
    item.bitmap = bitmap;
    width = scale(a.width, a.widthPercent, bitmap->Width());
    height = scale(a.height, a.heightPercent, bitmap->Height());
  } else if (id == kTagIcon) {
    const IconImage* icon = nullptr;
    if (m_Resources != nullptr) {
      if (a.idres != 0)
        icon = m_Resources->Icon(u"", a.idres);
      else if (!a.file.empty())
        icon = m_Resources->IconFile(a.file);
      else if (a.iddll != 0)
        icon = m_Resources->Icon(library, a.iddll);
      else if (a.handle != 0)
        icon = m_Resources->IconHandle(a.handle);
    }
    if (icon == nullptr) return;
    item.kind = HtmlDrawItem::Kind::Icon;
    item.icon = icon;
    width = scale(a.width, a.widthPercent, kIconSize);
    height = scale(a.height, a.heightPercent, kIconSize);
  } else if (id == kTagImageList) {
    item.kind = HtmlDrawItem::Kind::StripFrame;
    const bool named = a.idres != 0 || a.iddll != 0 || !a.file.empty() || a.handle != 0;
    if (named) {
      if (bitmap == nullptr || a.cx <= 0 || a.cy <= 0) return;
      const int frames = (bitmap->Width() / a.cx) * (bitmap->Height() / a.cy);
      int frame = a.index;
      if (a.speed != 0) {
        if (m_Measuring) {
          m_Animations.push_back({a.index, frames, 0, a.speed});
        } else {
          ++m_AnimationCounter;
          if (m_AnimationCounter >= static_cast<int>(m_Animations.size())) return;
          frame = m_Animations[m_AnimationCounter].frame;
        }
      }
      if (frame < 0 || frame >= frames) return;
      item.bitmap = bitmap;
      item.frame = frame;
      item.cellWidth = a.cx;
      item.cellHeight = a.cy;
    } else {
      if (a.index < 0 || a.index >= m_ImageListCount || m_ImageList.IsEmpty()) return;
      item.bitmap = &m_ImageList;
      item.frame = a.index;
      item.cellWidth = m_ImageListCx;
      item.cellHeight = m_ImageListCy;
      item.useMask = true;
      item.maskColour = m_ImageListMask;
    }
    width = scale(a.width, a.widthPercent, item.cellWidth);
    height = scale(a.height, a.heightPercent, item.cellHeight);
  }
  width = std::max(width, 0);
  height = std::max(height, 0);
  const unsigned flags = static_cast<unsigned>(a.styleFlags | a.hotStyleFlags);
  const bool shadow = width != 0 && height != 0 && (flags & (kImageShadow | kImageSoftShadow));
  const int space = shadow ? SaturateInt32(std::int64_t{width} + m_ShadowOffsetX) : width;
  const int spaceHeight = shadow ? SaturateInt32(std::int64_t{height} + m_ShadowOffsetY) : height;
  if (m_MaxWidth > 0 && m_Available != 0 && space > m_Rect.left + m_Available - m_X) {
    Line().wrapped = 1;
    NewLine(1);
  }
  if (m_Measuring) Line().align = m_Style.align;
  const int top = VAlignImage(m_Y, spaceHeight);
  if (!m_Measuring && width != 0 && height != 0) {
    AddLinkArea(m_X, top, m_X + width, top + height);
    const bool hot = m_HoverLink >= 0 && m_Style.linkKind != 0 && m_LinkCounter == m_HoverLink;
    unsigned drawFlags = static_cast<unsigned>(hot ? a.hotStyleFlags : a.styleFlags);
    if (!m_Enabled) drawFlags = (drawFlags & ~0xFFu) | kImageMono;
    item.x = m_X;
    item.y = top;
    item.width = width;
    item.height = height;
    item.flags = drawFlags;
    item.shadow = (drawFlags & (kImageShadow | kImageSoftShadow)) != 0;
    item.shadowDx = m_ShadowOffsetX;
    item.shadowDy = m_ShadowOffsetY;
    item.blurX = m_BlurX;
    item.blurY = m_BlurY;
    item.shadowColour = m_Enabled ? m_ShadowColor : m_DisabledColor;
    m_List->push_back(item);
  }
  m_X = SaturateInt32(std::int64_t{m_X} + space);
  m_LineEmpty = false;
}

void CPPHtmlDrawer::SetImageShadow(int offsetX, int offsetY, int darkness, bool gradient, int blurX,
                                   int blurY) {
  m_ShadowOffsetX = offsetX;
  m_ShadowOffsetY = offsetY;
  m_ShadowDarkness = std::clamp(darkness, 0, 100);
  m_GradientShadow = gradient;
  m_BlurX = blurX;
  m_BlurY = blurY;
  const auto grey = static_cast<std::uint8_t>(MulDiv(255, 100 - m_ShadowDarkness, 100));
  m_ShadowColor = MakeColorRef(grey, grey, grey);
}

void CPPHtmlDrawer::SetImageList(PixelSurface strip, int cellWidth, int cellHeight, int count,
                                 ColorRef mask) {
  m_ImageList = std::move(strip);
  const bool valid = !m_ImageList.IsEmpty() && cellWidth > 0 && cellHeight > 0;
  m_ImageListCx = valid ? cellWidth : 0;
  m_ImageListCy = valid ? cellHeight : 0;
  const int cells =
      valid ? (m_ImageList.Width() / cellWidth) * (m_ImageList.Height() / cellHeight) : 0;
  m_ImageListCount = std::clamp(count, 0, cells);
  m_ImageListMask = mask;
}

void CPPHtmlDrawer::AddLinkArea(int left, int top, int right, int bottom) {
  if (m_Style.linkKind == 0) return;
  m_Links.push_back(
      {left, top, right, bottom, m_Style.linkKind, m_LinkCounter, m_Style.linkTarget});
}

int CPPHtmlDrawer::HitTestLink(int x, int y) const {
  for (std::size_t i = 0; i < m_Links.size(); ++i) {
    const HtmlLinkArea& a = m_Links[i];
    if (a.left <= x && x <= a.right && a.top <= y && y <= a.bottom) return static_cast<int>(i);
  }
  return -1;
}

bool CPPHtmlDrawer::OnSetCursor(int x, int y) {
  const int index = HitTestLink(x, y);
  if (index < 0) {
    if (m_HoverLink != -2) {
      m_HoverLink = -2;
      if (m_Repaint) m_Repaint(-2);
    }
    return false;
  }
  const HtmlLinkArea& area = m_Links[index];
  if (area.link != m_HoverLink) {
    m_HoverLink = area.link;
    if (m_Repaint) m_Repaint(area.link);
  }
  return !area.target.empty();
}

void CPPHtmlDrawer::OnLButtonDown(int x, int y) {
  const int index = HitTestLink(x, y);
  if (index >= 0) ActivateLink(index);
}

void CPPHtmlDrawer::ActivateLink(int index) {
  const HtmlLinkArea area = m_Links[index];
  if (area.target.empty()) return;
  if (area.kind == 1)
    OpenUrl(area.target);
  else if (area.kind == 2 && m_Hyperlink)
    m_Hyperlink(area.target);
}

bool CPPHtmlDrawer::OpenUrl(std::u16string_view url) {
  const std::string address = Utf16ToUtf8(url);
  const std::string scheme = UrlScheme(address);
  if (scheme != "http" && scheme != "https" && scheme != "mailto") return false;
  if (!IsLaunchableAddress(address)) return false;
  return Launcher().OpenAddress(address);
}

bool CPPHtmlDrawer::AnimationTick() {
  bool changed = false;
  for (HtmlAnimation& a : m_Animations) {
    if (a.frameCount <= 0) continue;
    if (++a.tick >= a.ticksPerFrame) {
      a.frame = (a.frame + 1) % a.frameCount;
      a.tick = 0;
      changed = true;
    }
  }
  return changed;
}
