// CGradientProgressCtrl: the progress bar of the analysis, results and copy pages. Its filled part
// is a red-to-blue gradient tied to positions along the whole bar, ending on a band edge, with
// the percentage in the middle when shown. Positions run from 0 to 100 unless SetRange says
// otherwise.
//
// SetPos may be called from a worker thread: it stores the position and asks the UI thread to
// repaint. The page must join its workers before it destroys the bar.
#pragma once

#include <atomic>

#include <wx/control.h>
#include <wx/gauge.h>

class CGradientProgressCtrl : public wxControl {
 public:
  // style may hold wxGA_VERTICAL for a bar that fills from the top down.
  CGradientProgressCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                        const wxSize& size = wxDefaultSize, long style = wxGA_HORIZONTAL);

  void SetRange(int lower, int upper);
  void SetPos(int position);
  void SetStep(int step);
  void StepIt();
  int GetPos() const { return m_Position.load(std::memory_order_relaxed); }

  // The pages show the percentage in black.
  void SetShowPercent(bool show);
  void SetTextColour(const wxColour& colour);
  void SetBackColour(const wxColour& colour);

 protected:
  wxSize DoGetBestSize() const override { return wxSize(200, 20); }

 private:
  void OnPaint(wxPaintEvent& event);
  void RequestRepaint();

  std::atomic<int> m_Lower{0};
  std::atomic<int> m_Upper{100};
  std::atomic<int> m_Step{10};
  std::atomic<int> m_Position{0};
  std::atomic<bool> m_RepaintPosted{false};
  wxColour m_StartColour{255, 0, 0};
  wxColour m_EndColour{0, 0, 255};
  wxColour m_BackColour;
  wxColour m_TextColour{255, 255, 255};
  bool m_ShowPercent = false;
  bool m_Vertical = false;
};
