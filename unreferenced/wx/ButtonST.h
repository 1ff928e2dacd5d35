// A custom-painted push button showing a bitmap beside or above its caption: flat with a hover
// highlight or framed, optionally a check box, with a tooltip, a cursor of its own and sounds; a
// click opens its drop-down menu, or else its link.
#pragma once

#include <wx/bitmap.h>
#include <wx/control.h>
#include <wx/menu.h>

#include <functional>
#include <memory>
#include <span>

#include "unreferenced/BCMenu.h"
#include "unreferenced/ButtonStModel.h"
#include "unreferenced/wx/WxNativeMenus.h"

// The out image made from the in image.
inline constexpr int BTNST_AUTO_GRAY = -2;
inline constexpr int BTNST_AUTO_DARKER = -3;

class CButtonST : public wxControl {
 public:
  CButtonST(wxWindow* parent, wxWindowID id, const wxString& caption,
            const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
            bool defaultButton = false);
  ~CButtonST() override;

  ButtonStModel& Model() { return m_Model; }

  // The in image and an optional out image (or BTNST_AUTO_GRAY / BTNST_AUTO_DARKER, or 0 for
  // none), each with its transparent colour; BTNST_INVALIDRESOURCE for a bitmap that is not ok.
  int SetBitmaps(const wxBitmap& in, ColorRef inTransparent, const wxBitmap& out,
                 ColorRef outTransparent, int outKind = 0);
  void SizeToContent();

  // The system's button face and text colours for all six colours.
  void SetDefaultColors(bool repaint = true);
  void SetFlat(bool flat, bool repaint = true);
  // Transparent mode: the button's background is the parent's pixels behind it, taken on the
  // next paint and kept until the mode is set again or the system colours change.
  void DrawTransparent(bool repaint = false);
  bool IsTransparent() const { return m_Transparent; }
  // Takes the background anew from a device context of the parent's client area (a memory DC
  // holding the parent's picture, say); BTNST_BADPARAM outside transparent mode or without one.
  int SetBk(wxDC* parentDc);
  int SetAlign(int align, bool repaint = true);
  int SetColor(int index, ColorRef colour, bool repaint = true);
  int OffsetColor(int index, int shade, bool repaint = true);
  void SetCheck(bool checked, bool repaint = true);
  bool GetCheck() const { return m_Model.checked; }
  bool GetDefault() const { return m_Model.defaultButton; }

  int SetURL(const wxString& link);
  void SetSoundPlayer(ButtonSoundPlayer* player) { m_Sounds = player; }
  int SetSound(const wxString& name, bool resource, bool onClick, bool async);
  void SetTooltipText(const wxString& text, bool activate = true);
  // A stock cursor number; 0 takes the cursor away. BTNST_INVALIDRESOURCE for an unknown one.
  int SetBtnCursor(int stockCursor, bool repaint = true);
  // Loads the menu template whose first submenu drops down on a click; its chosen command goes
  // to the command handler as a menu event. An empty template only removes the menu. A toolbar
  // id other than 0 gives the menu the images of that toolbar of the menus' resources, at the
  // icon size with the background colour as the mask colour; a toolbar that does not load
  // leaves no menu and gives BTNST_INVALIDRESOURCE.
  int SetMenu(std::span<const std::byte> menuTemplate, wxEvtHandler* commandHandler,
              int drawMode = 1, int toolbarId = 0, wxSize toolbarIconSize = wxSize(16, 15),
              ColorRef toolbarBackground = 0xC0C0C0, bool repaint = true);
  BCMenu* GetButtonMenu() { return m_Menu.get(); }
  // Opens links; the program's default opens the browser.
  void SetLinkOpener(std::function<void(const wxString&)> opener) {
    m_LinkOpener = std::move(opener);
  }

  bool IsHovering() const { return m_Hovering; }
  bool IsMenuShowing() const { return m_MenuShowing; }
  // What a click does, as a click on the button would.
  void OnClicked();

 protected:
  // Shows the popup at a point of the button and returns the chosen command, 0 for none.
  virtual int TrackPopupMenu(wxMenu& menu, const wxPoint& at);
  wxSize DoGetBestClientSize() const override;
  // The 3-D border for the paint's state; a flat button's paint draws it.
  virtual void DrawBorder(wxDC& dc, const wxRect& rect);

 private:
  ButtonStModel::PaintState State() const;
  void OnPaint(wxPaintEvent& event);
  // Copies the background taken from the parent, taking it first when there is none.
  void PaintBk(wxDC& dc);
  void CaptureBk(wxDC& parentDc);
  void OnEnter(wxMouseEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void CancelHover();
  void Play(const ButtonSound& sound);
  void Repaint(bool repaint) {
    if (repaint) Refresh();
  }

  ButtonStModel m_Model;
  bool m_Hovering = false;
  bool m_Selected = false;
  bool m_MenuShowing = false;
  bool m_Transparent = false;
  wxBitmap m_BkCache;
  wxBitmap m_In;
  wxBitmap m_Out;
  ButtonSoundPlayer* m_Sounds = nullptr;
  WxNativeMenus m_Native;
  std::unique_ptr<BCMenu> m_Menu;
  wxEvtHandler* m_CommandHandler = nullptr;
  std::function<void(const wxString&)> m_LinkOpener;
};
