// ViewQuestionMsg: the program's Yes/No box. Put the question in m_Message and call DoModal:
// 1 means Yes; 2 means No, Esc or the close box. Callers test for 1.
//
//   ViewQuestionMsg ask;
//   ask.m_Message = "Do you want to exit.";
//   if (ask.DoModal() == 1) ExitApplication();
//
// From a worker thread, go through Prompts().ViewQuestionMsg(text) (dialogs/wx/DialogPrompts.h),
// which shows the box on the UI thread and waits for the answer.
#pragma once

#include <wx/string.h>

#include "widgets/LookMetrics.h"
#include "widgets/wx/DialogLook.h"

class CHoverButton;
class CLabel;
class wxStaticBitmap;
class wxStaticBox;

class ViewQuestionMsg : public CLookDialog {
 public:
  // A box asked for a worker has no owner and stays on top (stayOnTop).
  explicit ViewQuestionMsg(wxWindow* parent = nullptr, bool stayOnTop = false);

  int DoModal();
  // Applies the look (as DoModal does) and runs the modal loop.
  int ShowModal() override;

  wxString m_Message;
  DpiFactors m_DpiFactors;
  wxStaticBitmap* m_Picture = nullptr;  // control 1172
  CHoverButton* m_NoButton = nullptr;   // control 2 (Cancel)
  CHoverButton* m_YesButton = nullptr;  // control 1 (OK)
  CLabel* m_MessageLabel = nullptr;     // control 1039
  wxStaticBox* m_GroupBox = nullptr;

 private:
  void InitDialog();
};
