#include "unreferenced/wx/PPHtmlStatic.h"

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/settings.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "unreferenced/wx/HtmlDcRenderer.h"
#include "unreferenced/wx/PixelsBehind.h"
#include "unreferenced/wx/SurfaceBitmap.h"
#include "unreferenced/wx/WxText.h"

wxDEFINE_EVENT(EVT_PPHTMLSTATIC_HYPERLINK, wxCommandEvent);

namespace {

ColorRef SystemColor(wxSystemColour index) {
  const wxColour c = wxSystemSettings::GetColour(index);
  return MakeColorRef(c.Red(), c.Green(), c.Blue());
}

// The pixels of area within width (or height) of its outside.
wxRegion FrameOf(const wxRegion& area, int width, int height) {
  wxRegion inner = area;
  for (const wxPoint offset :
       {wxPoint(width, 0), wxPoint(-width, 0), wxPoint(0, height), wxPoint(0, -height)}) {
    wxRegion shifted = area;
    shifted.Offset(offset);
    inner.Intersect(shifted);
  }
  wxRegion frame = area;
  frame.Subtract(inner);
  return frame;
}

}  // namespace

CPPHtmlStatic::CPPHtmlStatic(wxWindow* parent, wxWindowID id, const wxString& markup,
                             const wxPoint& pos, const wxSize& size, long style)
    : wxControl(parent, id, pos, size, (style & ~(wxHSCROLL | wxVSCROLL)) | wxBORDER_NONE),
      m_Timer(this, kAnimationTimerId) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  m_WordWrap = (style & wxST_NO_AUTORESIZE) == 0;
  SetLinkStyle(0x00FF0000, false, 0x00FF0000, true);
  SetTextColor(SystemColor(wxSYS_COLOUR_WINDOWTEXT));
  SetBkColor(SystemColor(wxSYS_COLOUR_BTNFACE));
  SetBkMode(2);
  SetBkEffect(kEffectSolid, 5);
  m_Enabled = IsEnabled();
  m_Drawer.SetEnabled(m_Enabled);
  m_Drawer.SetCallbackRepaint([this](int) { Refresh(); });
  m_Drawer.SetCallbackHyperlink([this](const std::u16string& target) {
    if (GetParent() == nullptr) return;
    wxCommandEvent event(EVT_PPHTMLSTATIC_HYPERLINK, m_HyperlinkMessage);
    event.SetEventObject(this);
    event.SetString(ToWxString(target));
    event.SetExtraLong(m_HyperlinkParameter);
    GetParent()->GetEventHandler()->AddPendingEvent(event);
  });
  SetBodyFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
  wxControl::SetLabel(markup);
  SetText(ToU16String(markup));
  Bind(wxEVT_PAINT, &CPPHtmlStatic::OnPaint, this);
  Bind(wxEVT_MOTION, &CPPHtmlStatic::OnMotion, this);
  Bind(wxEVT_LEAVE_WINDOW, &CPPHtmlStatic::OnLeave, this);
  Bind(wxEVT_LEFT_DOWN, &CPPHtmlStatic::OnLeftDown, this);
  Bind(wxEVT_TIMER, &CPPHtmlStatic::OnTimer, this, kAnimationTimerId);
  Bind(wxEVT_SIZE, &CPPHtmlStatic::OnSize, this);
}

CPPHtmlStatic::~CPPHtmlStatic() {
  m_Timer.Stop();
}

bool CPPHtmlStatic::Destroy() {
  StopAnimation();
  SetRegion(wxRegion());
  return wxControl::Destroy();
}

void CPPHtmlStatic::SetText(const std::u16string& markup) {
  m_Text = markup;
  RedrawControl();
}

void CPPHtmlStatic::SetLabel(const wxString& label) {
  m_ImageMode = false;
  wxControl::SetLabel(label);
  SetText(ToU16String(label));
}

bool CPPHtmlStatic::SetFont(const wxFont& font) {
  SetBodyFont(font);
  return true;
}

bool CPPHtmlStatic::Enable(bool enable) {
  const bool changed = wxControl::Enable(enable);
  m_Enabled = enable;
  m_Drawer.SetEnabled(enable);
  RedrawControl();
  return changed;
}

void CPPHtmlStatic::SetBodyFont(const wxFont& font) {
  if (!font.IsOk()) return;
  wxControl::SetFont(font);
  m_Drawer.SetCssStyle(u"body",
                       HtmlBodyFontRule(font.GetPointSize(), SystemColor(wxSYS_COLOUR_WINDOWTEXT),
                                        ToU16String(font.GetFaceName()), font.GetNumericWeight(),
                                        font.GetStyle() == wxFONTSTYLE_ITALIC));
  RedrawControl();
}

void CPPHtmlStatic::SetLinkStyle(ColorRef linkColour, bool linkUnderline, ColorRef hoverColour,
                                 bool hoverUnderline) {
  m_Drawer.SetCssStyle(u"a:link", HtmlLinkRule(linkColour, linkUnderline));
  m_Drawer.SetCssStyle(u"a:hover", HtmlLinkRule(hoverColour, hoverUnderline));
  RedrawControl();
}

void CPPHtmlStatic::SetHyperlink(const std::u16string& text, const std::u16string& target,
                                 bool isMessage) {
  StopAnimation();
  SetText(HtmlHyperlinkMarkup(text, target, isMessage));
}

void CPPHtmlStatic::SetImage(HtmlImageKind kind, HtmlImageSource source, int index, int cellWidth,
                             int cellHeight, ColorRef mask) {
  if (kind == HtmlImageKind::Animation)
    SetAnimationTimer(m_TimerInterval);
  else
    StopAnimation();
  m_ImageTag = HtmlImageTag(kind, source, index, cellWidth, cellHeight, mask);
  m_ImageMode = true;
  m_NaturalSize =
      cellWidth > 0 && cellHeight > 0 ? HtmlExtent{cellWidth, cellHeight} : HtmlExtent{-1, -1};
  SetImageZoom(m_ZoomWidth, m_ZoomHeight);
}

void CPPHtmlStatic::SetIcon(HtmlImageSource source, int width, int height) {
  SetImage(HtmlImageKind::Icon, source, 0, width, height, kHtmlNoColor);
}

void CPPHtmlStatic::SetBitmap(HtmlImageSource source, ColorRef mask) {
  SetImage(HtmlImageKind::Bitmap, source, 0, 0, 0, mask);
}

void CPPHtmlStatic::SetAnimation(HtmlImageSource source, int cellWidth, int cellHeight,
                                 ColorRef mask) {
  SetImage(HtmlImageKind::Animation, source, 0, cellWidth, cellHeight, mask);
}

void CPPHtmlStatic::SetImageListImage(HtmlImageSource source, int index, int cellWidth,
                                      int cellHeight, ColorRef mask) {
  SetImage(HtmlImageKind::ImageListImage, source, index, cellWidth, cellHeight, mask);
}

void CPPHtmlStatic::SetImageZoom(int widthPercent, int heightPercent) {
  m_ZoomWidth = widthPercent;
  m_ZoomHeight = heightPercent;
  if (!m_ImageMode) return;
  const wxSize client = GetClientSize();
  SetText(HtmlZoomedImageTag(m_ImageTag, widthPercent, heightPercent, m_NaturalSize, client.x,
                             client.y, m_MarginX, m_MarginY));
}

void CPPHtmlStatic::SetAnimationTimer(int intervalMs) {
  if (intervalMs == m_TimerInterval && m_Timer.IsRunning()) return;
  m_Timer.Stop();
  m_TimerInterval = intervalMs;
  if (intervalMs > 0) m_Timer.Start(intervalMs);
}

void CPPHtmlStatic::StopAnimation() {
  m_Timer.Stop();
}

void CPPHtmlStatic::SetAlign(int flags) {
  m_Align = flags;
  RedrawControl();
}

void CPPHtmlStatic::SetMargins(int x, int y) {
  m_MarginX = x;
  m_MarginY = y;
  RedrawControl();
}

void CPPHtmlStatic::SetTextColor(ColorRef colour) {
  m_TextColor = colour;
  RedrawControl();
}

void CPPHtmlStatic::SetFrameBrush(const wxBrush& brush, int width, int height) {
  const bool kept = brush.IsOk() && width != 0 && height != 0;
  m_FrameBrush = kept ? brush : wxBrush();
  m_FrameWidth = kept ? width : 1;
  m_FrameHeight = kept ? height : 1;
  RedrawControl();
}

void CPPHtmlStatic::SetWordWrap(bool on) {
  m_WordWrap = on;
  RedrawControl();
}

void CPPHtmlStatic::SetBkColor(ColorRef colour, ColorRef middle, ColorRef end) {
  m_BkColor = colour;
  m_BkMidColor = middle;
  m_BkEndColor = end;
  if (m_BkMode != 1) DropBackground();
  RedrawControl();
}

void CPPHtmlStatic::SetBkEffect(int effect, int parameter) {
  m_BkEffect = effect;
  m_BkEffectParameter = parameter;
  if (m_BkMode != 1) DropBackground();
  RedrawControl();
}

void CPPHtmlStatic::SetBkMode(int mode) {
  if (mode != m_BkMode) DropBackground();
  m_BkMode = mode;
  RedrawControl();
}

void CPPHtmlStatic::SetRegion(const wxRegion& region) {
  m_RoundRegion = false;
  m_Region = region;
  RedrawControl();
}

void CPPHtmlStatic::SetRoundRect(int cornerWidth, int cornerHeight) {
  m_CornerWidth = cornerWidth;
  m_CornerHeight = cornerHeight;
  m_Region = RoundRegion();
  m_RoundRegion = true;
  RedrawControl();
}

wxRegion CPPHtmlStatic::RoundRegion() const {
  const wxSize size = GetClientSize();
  if (size.x <= 0 || size.y <= 0) return wxRegion();
  const int radius = std::min(m_CornerWidth, m_CornerHeight) / 2;
  if (radius <= 0) return wxRegion(0, 0, size.x, size.y);
  // The rounded rectangle as a mask: the toolkit has no rounded region of its own.
  wxBitmap mask(size.x, size.y, 24);
  {
    wxMemoryDC dc(mask);
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.SetPen(*wxWHITE_PEN);
    dc.DrawRoundedRectangle(0, 0, size.x, size.y, radius);
  }
  return wxRegion(mask, *wxBLACK);
}

void CPPHtmlStatic::SetCallbackHyperlink(int message, long parameter) {
  m_HyperlinkMessage = message;
  m_HyperlinkParameter = parameter;
}

wxSize CPPHtmlStatic::DoGetBestClientSize() const {
  wxBitmap scratch(1, 1, 24);
  wxMemoryDC dc(scratch);
  WxHtmlMeasurer measurer(dc);
  // A copy: measuring would drop the link areas the last paint left for the mouse.
  CPPHtmlDrawer drawer = m_Drawer;
  drawer.SetMaxWidth(0);
  const HtmlExtent size = drawer.PrepareToDraw(measurer, Markup());
  return wxSize(size.cx + 2 * m_MarginX, size.cy + 2 * m_MarginY);
}

HtmlStaticStyle CPPHtmlStatic::Style() const {
  const long style = GetWindowStyleFlag();
  HtmlStaticStyle s;
  s.center = (style & wxALIGN_CENTRE_HORIZONTAL) != 0;
  s.right = (style & wxALIGN_RIGHT) != 0;
  s.centerImage = (style & wxALIGN_CENTRE_VERTICAL) != 0;
  s.wordWrap = m_WordWrap;
  return s;
}

std::u16string CPPHtmlStatic::Markup() const {
  if (m_ImageMode || m_TextColor == kHtmlNoColor) return m_Text;
  return HtmlColoredMarkup(m_Text, m_TextColor);
}

void CPPHtmlStatic::DropBackground() {
  m_Background = wxBitmap();
}

wxBitmap CPPHtmlStatic::Background(const wxSize& size) {
  if (m_Background.IsOk() && m_Background.GetSize() == size) return m_Background;
  if (m_BkMode == 1) {
    // A copy of what lies under the control in its parent; the parent's colour where there is
    // none to be had.
    m_Background = CopyPixelsBehind(*this);
    if (!m_Background.IsOk() || m_Background.GetSize() != size) {
      wxBitmap bitmap(size.x, size.y, 24);
      wxMemoryDC dc(bitmap);
      const wxWindow* parent = GetParent();
      dc.SetBackground(wxBrush(parent ? parent->GetBackgroundColour() : GetBackgroundColour()));
      dc.Clear();
      dc.SelectObject(wxNullBitmap);
      m_Background = bitmap;
    }
  } else {
    PixelSurface surface(size.x, size.y);
    m_DrawManager.FillEffect(surface, m_BkEffect, {0, 0, size.x, size.y}, m_BkColor, m_BkMidColor,
                             m_BkEndColor, m_BkEffectParameter & 0xFF, 5);
    m_Background = SurfaceToBitmap(surface);
  }
  return m_Background;
}

void CPPHtmlStatic::RedrawControl() {
  m_LayoutDirty = true;
  if (GetHandle() == nullptr) return;
  Refresh();
}

void CPPHtmlStatic::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  const wxSize size = GetClientSize();
  if (size.x <= 0 || size.y <= 0) return;
  wxBitmap picture(size.x, size.y, 24);
  {
    wxMemoryDC mem(picture);
    mem.DrawBitmap(Background(size), 0, 0);
    WxHtmlMeasurer measurer(mem);
    // Measured again only after a change: a hover or an animation frame is drawn into the
    // layout as it was measured, which keeps the animations' frames.
    if (m_LayoutDirty) {
      const int available = HtmlStaticInnerSize(size.x, m_MarginX);
      m_Drawer.SetMaxWidth(m_WordWrap ? std::max(available, 0) : 0);
      m_Size = m_Drawer.PrepareToDraw(measurer, Markup());
      m_TextRect = HtmlStaticTextRect(size.x, size.y, m_MarginX, m_MarginY, m_Size, m_Align,
                                      Style(), m_ImageMode);
      m_LayoutDirty = false;
    }
    if (!m_Enabled) {
      // Engraved: the markup in the highlight colour one pixel down and right, then in shadow.
      m_Drawer.SetDisabledColor(SystemColor(wxSYS_COLOUR_BTNHIGHLIGHT));
      const HtmlRect& r = m_TextRect;
      ReplayHtml(
          mem, m_Drawer.DrawPrepared(measurer, {r.left + 1, r.top + 1, r.right + 1, r.bottom + 1}),
          m_DrawManager);
      m_Drawer.SetDisabledColor(SystemColor(wxSYS_COLOUR_BTNSHADOW));
    }
    ReplayHtml(mem, m_Drawer.DrawPrepared(measurer, m_TextRect), m_DrawManager);
  }
  const wxRegion area = m_Region.IsEmpty() ? wxRegion(0, 0, size.x, size.y) : m_Region;
  if (!m_Region.IsEmpty()) dc.SetDeviceClippingRegion(m_Region);
  dc.DrawBitmap(picture, 0, 0);
  dc.DestroyClippingRegion();
  if (m_FrameBrush.IsOk()) {
    dc.SetDeviceClippingRegion(FrameOf(area, std::abs(m_FrameWidth), std::abs(m_FrameHeight)));
    dc.SetBrush(m_FrameBrush);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawRectangle(0, 0, size.x, size.y);
    dc.DestroyClippingRegion();
  }
}

void CPPHtmlStatic::OnMotion(wxMouseEvent& event) {
  if (m_Enabled) {
    const bool onLink = m_Drawer.OnSetCursor(event.GetX(), event.GetY());
    SetCursor(onLink ? wxCursor(wxCURSOR_HAND) : wxNullCursor);
  }
  event.Skip();
}

void CPPHtmlStatic::OnLeave(wxMouseEvent& event) {
  // A point off every link clears the hover.
  constexpr int kOff = std::numeric_limits<int>::min();
  m_Drawer.OnSetCursor(kOff, kOff);
  SetCursor(wxNullCursor);
  event.Skip();
}

void CPPHtmlStatic::OnLeftDown(wxMouseEvent& event) {
  const HtmlRect& r = m_TextRect;
  const int x = event.GetX();
  const int y = event.GetY();
  if (m_Enabled && x >= r.left && x < r.right && y >= r.top && y < r.bottom)
    m_Drawer.OnLButtonDown(x, y);
  event.Skip();
}

void CPPHtmlStatic::OnTimer(wxTimerEvent&) {
  if (!m_Enabled) return;
  m_Drawer.AnimationTick();
  Refresh();
}

void CPPHtmlStatic::OnSize(wxSizeEvent& event) {
  if (m_RoundRegion)
    m_Region = RoundRegion();
  else
    m_Region = wxRegion();
  // A background of the old size is of no use to the new one.
  DropBackground();
  RedrawControl();
  event.Skip();
}
