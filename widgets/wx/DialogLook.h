// The look every dialog of the program shares (white background, the application title as
// caption, bold Arial labels sized for the screen's DPI, pictures and button strips from the
// bitmap folder), and the layout of dialog templates from their dialog units.
//
// A page or box typically does, after creating its controls:
//
//   m_Factors = ApplyDialogLook(this, {.appWindow = true, .largeDesktopException = true},
//                               {m_MessageLabel});
//   LoadPicture(m_Picture, "\\Information.bmp");
//   m_OkButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\ok.bmp"));
//
// and places controls with TemplateRect(this, {x, y, w, h}) in dialog units of its template.
#pragma once

#include <initializer_list>
#include <string_view>

#include <wx/dialog.h>
#include <wx/font.h>
#include <wx/gdicmn.h>

#include "widgets/LookMetrics.h"

class CLabel;
class wxStaticBitmap;
class wxTopLevelWindow;

struct DialogLookOptions {
  // Shown in the task bar (every top-level dialog of this toolkit is; kept for the pages'
  // tables of options).
  bool appWindow = true;
  // Caption icons from the program's icon bitmap.
  bool icons = false;
  // DPI factors become 1 on a desktop above 2560 x 1600.
  bool largeDesktopException = true;
  // Label size in points before the DPI factor.
  int labelPoints = 9;
};

// A rectangle of a dialog template, in dialog units.
struct DluRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The font the dialog templates are measured in ("MS Sans Serif", 8 points).
wxFont TemplateFont();

// Sets the template font on the window and converts a template rectangle to pixels with
// wxWindow::ConvertDialogToPixels against that font.
wxRect TemplateRect(wxWindow* dialog, DluRect rect);
// Sizes a dialog's client area from its template size in dialog units.
void SizeFromTemplate(wxWindow* dialog, int widthDlu, int heightDlu);

// The factors of the screen the program runs on (96 / pixels per inch), with the large-desktop
// exception when asked.
DpiFactors ScreenDpiFactors(bool largeDesktopException);

// Caption g_AppTitle, white background, optional icons, the DPI factors, and the label font rule
// on each label: "Arial", labelPoints x factor (cut to a whole number), bold, transparent.
DpiFactors ApplyDialogLook(wxTopLevelWindow* dialog, const DialogLookOptions& options,
                           std::initializer_list<CLabel*> labels);

// The label font rule alone, for labels created later.
void ApplyLabelLook(CLabel* label, const DpiFactors& factors, int points = 9);

// Shows the bitmap named as the pages name it ("\Information.bmp") from g_BitmapFolder. A file
// that cannot be loaded leaves the picture empty; returns whether it loaded.
bool LoadPicture(wxStaticBitmap* picture, std::string_view name);

// A modal dialog with the program's common behaviour: no owner unless given, optionally above
// every other window, Esc and the close box end it with escapeResult, Enter clicks the focused
// hover button or else ends it with enterResult. ShowModal returns the result given to EndModal.
class CLookDialog : public wxDialog {
 public:
  CLookDialog(wxWindow* parent, int widthDlu, int heightDlu, bool stayOnTop, int enterResult,
              int escapeResult);

 protected:
  wxRect Dlu(int x, int y, int width, int height) {
    return TemplateRect(this, {x, y, width, height});
  }
  // Esc and the close box; by default they end the dialog with escapeResult.
  virtual void OnEscape();
  // Enter outside a hover button; by default it ends the dialog with enterResult.
  virtual void OnEnterKey();

 private:
  void OnCharHook(wxKeyEvent& event);
  void OnClose(wxCloseEvent& event);
  int m_EnterResult;
  int m_EscapeResult;
};
