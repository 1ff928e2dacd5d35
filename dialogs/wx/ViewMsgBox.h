// ViewMsgBox: the program's OK box for every notice. Build it, put the text in m_Message, call
// DoModal: 1 after OK or Enter, 2 after Esc or the close box. It has no owner and stays above
// every other window, as a system-modal box does.
//
//   ViewMsgBox box;
//   box.m_Message = "Saving completed successfully.";
//   box.DoModal();
//
// From a worker thread, go through Prompts().ViewMsgBox(text) instead (dialogs/wx/DialogPrompts.h).
#pragma once

#include <wx/string.h>

#include "widgets/LookMetrics.h"
#include "widgets/wx/DialogLook.h"

class CHoverButton;
class CLabel;
class wxStaticBitmap;
class wxStaticBox;

// A grey line round a message box's edge: where no window manager draws a border, the box would
// otherwise be a white patch over the page beneath it.
void DrawBoxEdge(wxWindow* box);

class ViewMsgBox : public CLookDialog {
 public:
  explicit ViewMsgBox(wxWindow* parent = nullptr);

  int DoModal();
  // Applies the look (as DoModal does) and runs the modal loop.
  int ShowModal() override;

  wxString m_Message;
  DpiFactors m_DpiFactors;
  wxStaticBitmap* m_Picture = nullptr;  // control 1172
  CHoverButton* m_OkButton = nullptr;   // control 1 (OK)
  CLabel* m_MessageLabel = nullptr;     // control 1039
  wxStaticBox* m_GroupBox = nullptr;

 private:
  void InitDialog();
};
