// Shared helpers of the toolkit's GUI tests: the look globals pointing at the build's bitmaps, a
// screenshot read back as an image for pixel checks, and a driver that acts on a modal dialog
// from inside its own modal loop.
#pragma once

#include <functional>
#include <string>

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/event.h>
#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/time.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>
#include <wx/window.h>

#include "GuiTestUtil.h"
#include "widgets/LookGlobals.h"

namespace guitest {

inline void UseBuildBitmaps() {
  static bool handlers = false;
  if (!handlers) {
    wxInitAllImageHandlers();
    handlers = true;
  }
  g_AppTitle = "Software Dovrane Merrowind";
  g_BitmapFolder = MERROWIND_BUILD_BITMAP_DIR;
}

// Takes a screenshot under `name` and returns it as an image (empty when it could not be taken).
inline wxImage Shot(const std::string& name) {
  if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
  const std::string path = SaveScreenshot(name);
  wxImage image;
  if (!path.empty()) image.LoadFile(wxString::FromUTF8(path), wxBITMAP_TYPE_PNG);
  return image;
}

// The colour of the screen pixel at a window's client point.
inline wxColour PixelAt(const wxImage& screen, const wxWindow* window, wxPoint client) {
  const wxPoint p = window->ClientToScreen(client);
  if (!screen.IsOk() || p.x < 0 || p.y < 0 || p.x >= screen.GetWidth() || p.y >= screen.GetHeight())
    return wxColour();
  return wxColour(screen.GetRed(p.x, p.y), screen.GetGreen(p.x, p.y), screen.GetBlue(p.x, p.y));
}

inline bool Near(const wxColour& a, const wxColour& b, int tolerance = 12) {
  return a.IsOk() && b.IsOk() && std::abs(a.Red() - b.Red()) <= tolerance &&
         std::abs(a.Green() - b.Green()) <= tolerance && std::abs(a.Blue() - b.Blue()) <= tolerance;
}

// The first shown modal dialog of type T, or nullptr.
template <class T>
T* FindShownDialog() {
  for (wxWindow* w : wxTopLevelWindows) {
    if (auto* d = dynamic_cast<T*>(w); d && d->IsShown() && d->IsModal()) return d;
  }
  return nullptr;
}

// Polls every 40 ms on the UI thread (inside any modal loop) until `step` returns true.
class UiDriver : public wxEvtHandler {
 public:
  explicit UiDriver(std::function<bool()> step) : m_Step(std::move(step)), m_Timer(this) {
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
      if (m_Done) return;
      if (m_Step()) {
        m_Done = true;
        m_Timer.Stop();
      }
    });
    m_Timer.Start(40);
  }
  bool Done() const { return m_Done; }

 private:
  std::function<bool()> m_Step;
  wxTimer m_Timer;
  bool m_Done = false;
};

// Waits until a dialog of type T has been shown for a few ticks (so it is mapped and painted),
// then runs act on it once.
template <class T>
std::function<bool()> OnceShown(std::function<void(T&)> act) {
  auto ticks = std::make_shared<int>(0);
  return [ticks, act] {
    T* dialog = FindShownDialog<T>();
    if (!dialog) return false;
    if (++*ticks < 8) return false;
    act(*dialog);
    return true;
  };
}

inline void ClickButton(wxWindow& dialog, int id) {
  wxWindow* button = dialog.FindWindow(id);
  if (!button) return;
  wxCommandEvent click(wxEVT_BUTTON, id);
  click.SetEventObject(button);
  button->ProcessWindowEvent(click);
}

inline void PressKey(wxWindow& dialog, int key) {
  wxKeyEvent event(wxEVT_CHAR_HOOK);
  event.m_keyCode = key;
  event.SetEventObject(&dialog);
  dialog.GetEventHandler()->ProcessEvent(event);
}

// Moves the real pointer (through the X server, as a person's mouse) to a client point of window
// and lets the enter and motion events land.
inline void MovePointerTo(wxWindow* window, wxPoint client) {
  wxUIActionSimulator mouse;
  mouse.MouseMove(window->ClientToScreen(client));
  Pump(3);
}

// Pumps until done() or about `ms` milliseconds passed; returns done().
inline bool PumpUntil(const std::function<bool()>& done, int ms = 5000) {
  for (int waited = 0; waited < ms && !done(); waited += 20) Pump(1);
  return done();
}

// Moves the pointer there and clicks the left button, then lets the click and what it starts
// land. A click that opens a modal window returns only when a script step closes it.
inline void ClickAt(wxWindow* window, wxPoint client) {
  // Two clicks on one spot in quick succession are a double click to the toolkit; a person
  // clicking twice on purpose waits longer than that between them.
  static wxPoint lastScreen = wxDefaultPosition;
  static wxLongLong lastTime = 0;
  const wxPoint screen = window->ClientToScreen(client);
  if (screen == lastScreen)
    PumpUntil([&] { return wxGetLocalTimeMillis() - lastTime > 600; }, 1000);
  MovePointerTo(window, client);
  wxUIActionSimulator mouse;
  mouse.MouseClick();
  lastScreen = screen;
  lastTime = wxGetLocalTimeMillis();
  Pump(8);
}

inline void ClickMiddle(wxWindow* window) {
  const wxSize size = window->GetClientSize();
  ClickAt(window, wxPoint(size.x / 2, size.y / 2));
}

// Presses and releases key (a wx key code) wherever the focus is.
inline void TypeKey(int key) {
  wxUIActionSimulator keys;
  keys.Char(key);
  Pump(8);
}

// Paints window in vertical stripes 10 pixels wide, red (200, 0, 0) from x 0 and green
// (0, 160, 0) from x 10, so that a copy of what lies behind a child shows where it came from.
inline void PaintStripes(wxWindow* window) {
  window->Bind(wxEVT_PAINT, [window](wxPaintEvent&) {
    wxPaintDC dc(window);
    dc.SetPen(*wxTRANSPARENT_PEN);
    const wxSize size = window->GetClientSize();
    for (int x = 0; x < size.x; x += 10) {
      dc.SetBrush(wxBrush((x / 10) % 2 ? wxColour(0, 160, 0) : wxColour(200, 0, 0)));
      dc.DrawRectangle(x, 0, 10, size.y);
    }
  });
}

}  // namespace guitest
