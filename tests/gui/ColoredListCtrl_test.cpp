// The results list's check boxes: drawn once per state and size by the toolkit's renderer and then
// copied, they must look exactly as the renderer draws them, on any row background and on the
// screen, and follow a theme or colour change.
#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/renderer.h>
#include <wx/settings.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "ToolkitTestUtil.h"
#include "widgets/wx/ColoredListCtrl.h"

namespace {

class ListFrame {
 public:
  ListFrame() {
    m_Frame = new wxFrame(nullptr, wxID_ANY, "list", wxPoint(40, 40), wxSize(600, 300));
    m_List = new CColoredListCtrl(m_Frame, wxID_ANY);
    m_Frame->Show();
    guitest::Pump();
  }
  ~ListFrame() {
    m_Frame->Destroy();
    guitest::Pump(3);
  }
  CColoredListCtrl& List() const { return *m_List; }
  // The window the rows are painted on (the renderer is handed it).
  wxWindow* Rows() const { return m_List->RowsWindow(); }

 private:
  wxFrame* m_Frame;
  CColoredListCtrl* m_List;
};

// A box drawn at (6, 7) on a bitmap of background colour, by draw.
template <class Draw>
wxImage OnBackground(const wxColour& background, const wxSize& box, Draw draw) {
  wxBitmap bitmap(box.x + 14, box.y + 14, 24);
  {
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(background));
    dc.Clear();
    draw(dc, wxRect(wxPoint(6, 7), box));
  }
  return bitmap.ConvertToImage();
}

// The bitmaps are kept with their transparency premultiplied: a half-covered edge pixel may come
// out one level off the direct drawing, never more.
constexpr int kRounding = 1;

bool SamePixels(const wxImage& a, const wxImage& b) {
  return a.GetSize() == b.GetSize() &&
         std::equal(a.GetData(), a.GetData() + 3 * a.GetWidth() * a.GetHeight(), b.GetData(),
                    [](unsigned char x, unsigned char y) { return std::abs(x - y) <= kRounding; });
}

TEST(ColoredListCtrl, CheckBoxBitmapsMatchTheRendererOnEveryRowBackground) {
  ListFrame frame;
  wxWindow* rows = frame.Rows();
  const wxSize box = wxRendererNative::Get().GetCheckBoxSize(rows);
  const wxColour backgrounds[] = {*wxWHITE, wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT),
                                  wxColour(255, 220, 220), *wxBLACK};
  const int states[] = {0, wxCONTROL_CHECKED, wxCONTROL_CHECKED | wxCONTROL_CURRENT,
                        wxCONTROL_DISABLED, wxCONTROL_CHECKED | wxCONTROL_DISABLED};
  for (const wxColour& background : backgrounds) {
    for (int flags : states) {
      const wxImage native = OnBackground(background, box, [&](wxDC& dc, const wxRect& r) {
        wxRendererNative::Get().DrawCheckBox(rows, dc, r, flags);
      });
      const wxImage cached = OnBackground(background, box, [&](wxDC& dc, const wxRect& r) {
        frame.List().DrawCheckBox(dc, r, flags);
      });
      EXPECT_TRUE(SamePixels(native, cached))
          << "flags " << flags << " on " << background.GetAsString().utf8_string();
    }
  }
  // One bitmap per state, reused for every background.
  EXPECT_EQ(frame.List().CheckBoxBitmapCount(), std::size(states));
  // The ticked and the empty box differ, or the comparison above proves nothing.
  auto draw = [&](int flags) {
    return OnBackground(*wxWHITE, box, [&](wxDC& dc, const wxRect& r) {
      wxRendererNative::Get().DrawCheckBox(rows, dc, r, flags);
    });
  };
  EXPECT_FALSE(SamePixels(draw(0), draw(wxCONTROL_CHECKED)));
}

// Where in the screenshot's part of row the box drawn like expected lies; false when nowhere.
bool ShowsBox(const wxImage& screen, wxWindow* rows, const wxRect& row, const wxImage& expected,
              const wxSize& box) {
  for (int y = row.y; y + box.y <= row.GetBottom() + 1; ++y)
    for (int x = row.x; x < row.x + 40; ++x) {
      bool same = true;
      for (int by = 0; same && by < box.y; ++by)
        for (int bx = 0; same && bx < box.x; ++bx)
          same = guitest::Near(
              guitest::PixelAt(screen, rows, wxPoint(x + bx, y + by)),
              wxColour(expected.GetRed(bx + 6, by + 7), expected.GetGreen(bx + 6, by + 7),
                       expected.GetBlue(bx + 6, by + 7)),
              kRounding);
      if (same) return true;
    }
  return false;
}

TEST(ColoredListCtrl, PaintsTickedAndEmptyRowsAsTheRendererAndRebuildsOnAThemeChange) {
  guitest::UseBuildBitmaps();
  std::vector<FileRecord> files(2);
  files[0].selected = 'y';
  ListFrame frame;
  CColoredListCtrl& list = frame.List();
  list.SetRows({ResultRow{nullptr, &files[0]}, ResultRow{nullptr, &files[1]}},
               FileSystemKind::Ntfs);
  list.Update();
  guitest::Pump();
  // The rows were painted from one bitmap per state shown.
  EXPECT_EQ(list.CheckBoxBitmapCount(), 2u);

  wxWindow* rows = frame.Rows();
  const wxSize box = wxRendererNative::Get().GetCheckBoxSize(rows);
  const wxColour background = rows->GetBackgroundColour();
  auto native = [&](int flags) {
    return OnBackground(background, box, [&](wxDC& dc, const wxRect& r) {
      wxRendererNative::Get().DrawCheckBox(rows, dc, r, flags);
    });
  };
  const wxImage screen = guitest::Shot("colored_list_checks");
  ASSERT_TRUE(screen.IsOk());
  wxRect ticked, empty;
  ASSERT_TRUE(list.GetItemRect(0, ticked));
  ASSERT_TRUE(list.GetItemRect(1, empty));
  // GetItemRect is in the list's client coordinates, the pixels are read through the rows' window.
  const wxPoint shift = rows->GetPosition();
  ticked.Offset(-shift);
  empty.Offset(-shift);
  EXPECT_TRUE(ShowsBox(screen, rows, ticked, native(wxCONTROL_CHECKED), box));
  EXPECT_TRUE(ShowsBox(screen, rows, empty, native(0), box));
  EXPECT_FALSE(ShowsBox(screen, rows, ticked, native(0), box));

  // A theme or colour change drops the bitmaps; the next paint draws them anew.
  wxSysColourChangedEvent changed;
  changed.SetEventObject(&list);
  list.GetEventHandler()->ProcessEvent(changed);
  EXPECT_EQ(list.CheckBoxBitmapCount(), 0u);
  guitest::Pump();
  EXPECT_EQ(list.CheckBoxBitmapCount(), 2u);
  // So does a change of the screen's scale.
  wxDPIChangedEvent dpi(wxSize(96, 96), wxSize(192, 192));
  dpi.SetEventObject(&list);
  list.GetEventHandler()->ProcessEvent(dpi);
  EXPECT_EQ(list.CheckBoxBitmapCount(), 0u);
  guitest::Pump();
  EXPECT_EQ(list.CheckBoxBitmapCount(), 2u);
}

}  // namespace
