// A static control that shows markup: its label is the markup, drawn over a background of its
// own (the parent's colour or an effect fill) with margins, alignment, an optional clipping
// region and frame, hyperlinks that react to the mouse and a timer for animated image strips.
#pragma once

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/control.h>
#include <wx/region.h>
#include <wx/timer.h>

#include <string>

#include "unreferenced/DrawManager.h"
#include "unreferenced/HtmlDrawer.h"
#include "unreferenced/HtmlStaticModel.h"
#include "unreferenced/wx/WxText.h"

// Sent to the parent when a message link ("<a msg=...>") is clicked: the id is the message set
// with SetCallbackHyperlink, the string the link's target, the extra long its parameter.
wxDECLARE_EVENT(EVT_PPHTMLSTATIC_HYPERLINK, wxCommandEvent);

class CPPHtmlStatic : public wxControl {
 public:
  static constexpr int kAnimationTimerId = 260;

  // style: wxALIGN_CENTRE_HORIZONTAL, wxALIGN_RIGHT and wxALIGN_CENTRE_VERTICAL place the markup
  // when the alignment flags leave it to the style; wxST_NO_AUTORESIZE turns word wrap off.
  CPPHtmlStatic(wxWindow* parent, wxWindowID id, const wxString& markup,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                long style = 0);
  ~CPPHtmlStatic() override;

  void SetText(const std::u16string& markup);
  const std::u16string& GetText() const { return m_Text; }
  // The label is the markup; setting it leaves image mode.
  void SetLabel(const wxString& label) override;
  wxString GetLabel() const override { return ToWxString(m_Text); }
  bool SetFont(const wxFont& font) override;
  bool Enable(bool enable = true) override;
  bool Destroy() override;

  void SetBodyFont(const wxFont& font);
  void SetLinkStyle(ColorRef linkColour, bool linkUnderline, ColorRef hoverColour,
                    bool hoverUnderline);
  void SetHyperlink(const std::u16string& text, const std::u16string& target, bool isMessage);
  void SetIcon(HtmlImageSource source, int width = 0, int height = 0);
  void SetBitmap(HtmlImageSource source, ColorRef mask = kHtmlNoColor);
  void SetAnimation(HtmlImageSource source, int cellWidth = 0, int cellHeight = 0,
                    ColorRef mask = kHtmlNoColor);
  void SetImageListImage(HtmlImageSource source, int index, int cellWidth = 0, int cellHeight = 0,
                         ColorRef mask = kHtmlNoColor);
  void SetImageZoom(int widthPercent, int heightPercent);
  void SetImageZoom(int percent) { SetImageZoom(percent, percent); }
  void SetAnimationTimer(int intervalMs);
  void StopAnimation();
  bool IsAnimating() const { return m_Timer.IsRunning(); }

  void SetAlign(int flags);
  int GetAlign() const { return m_Align; }
  void SetMargins(int x, int y);
  // kHtmlNoColor adds no colour to the markup.
  void SetTextColor(ColorRef colour);
  // The frame is drawn only with a brush and a width and height above 0.
  void SetFrameBrush(const wxBrush& brush, int width, int height);
  void SetWordWrap(bool on);
  void SetBkColor(ColorRef colour) { SetBkColor(colour, colour, colour); }
  void SetBkColor(ColorRef colour, ColorRef end) { SetBkColor(colour, colour, end); }
  void SetBkColor(ColorRef colour, ColorRef middle, ColorRef end);
  void SetBkEffect(int effect, int parameter);
  // 1: the parent's background shows under the markup; otherwise the effect fill.
  void SetBkMode(int mode);
  // The region clips and frames the drawing (it is not the window's shape); empty: none.
  void SetRegion(const wxRegion& region);
  void SetRoundRect(int cornerWidth = 0, int cornerHeight = 0);
  void SetCallbackHyperlink(int message, long parameter);

  CPPHtmlDrawer& GetDrawer() { return m_Drawer; }
  // Where the markup was last placed, in client coordinates.
  const HtmlRect& GetTextRect() const { return m_TextRect; }

 protected:
  wxSize DoGetBestClientSize() const override;

 private:
  HtmlStaticStyle Style() const;
  std::u16string Markup() const;
  void SetImage(HtmlImageKind kind, HtmlImageSource source, int index, int cellWidth,
                int cellHeight, ColorRef mask);
  void DropBackground();
  wxBitmap Background(const wxSize& size);
  wxRegion RoundRegion() const;
  void RedrawControl();
  void OnPaint(wxPaintEvent& event);
  void OnMotion(wxMouseEvent& event);
  void OnLeave(wxMouseEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnTimer(wxTimerEvent& event);
  void OnSize(wxSizeEvent& event);

  CPPHtmlDrawer m_Drawer;
  CPPDrawManager m_DrawManager;
  wxBitmap m_Background;
  wxRegion m_Region;
  bool m_RoundRegion = false;
  int m_CornerWidth = 0;
  int m_CornerHeight = 0;
  wxBrush m_FrameBrush;
  int m_FrameWidth = 1;
  int m_FrameHeight = 1;
  int m_MarginX = 0;
  int m_MarginY = 0;
  HtmlRect m_TextRect;
  bool m_LayoutDirty = true;  // the markup must be measured before the next drawing
  HtmlExtent m_Size;
  HtmlExtent m_NaturalSize{-1, -1};
  int m_Align = 0;
  std::u16string m_Text;
  int m_ZoomWidth = 100;
  int m_ZoomHeight = 100;
  bool m_Enabled = true;
  wxTimer m_Timer;
  int m_TimerInterval = 0;
  bool m_ImageMode = false;
  std::u16string m_ImageTag;
  bool m_WordWrap = true;
  ColorRef m_TextColor = kHtmlNoColor;
  ColorRef m_BkColor = 0;
  ColorRef m_BkMidColor = 0;
  ColorRef m_BkEndColor = 0;
  int m_BkMode = 2;
  int m_BkEffect = 0;
  int m_BkEffectParameter = 5;
  int m_HyperlinkMessage = 0;
  long m_HyperlinkParameter = 0;
};
