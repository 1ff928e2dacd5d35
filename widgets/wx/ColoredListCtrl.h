// CColoredListCtrl: the results list, a virtual report list over rows built off the UI thread
// (results/ResultRows.h). The control asks only for the rows it draws, so a folder of 100,000
// files lists at once; deleted rows are drawn in red; each row's check box shows its record's
// selected mark. The check boxes are drawn by the toolkit's renderer once per state and size and
// then copied from those bitmaps: the renderer loads the theme's check mark anew for every ticked
// box, some 2 ms each, which a screen of ticked rows would spend on every repaint.
#pragma once

#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include <wx/bitmap.h>
#include <wx/listctrl.h>

#include "results/ResultRows.h"

class RowMarking;

class wxRendererNative;

class CColoredListCtrl : public wxListCtrl {
 public:
  // Details shows every column; the two icon views show the names alone, with the large or the
  // small icons.
  enum class View { Details, LargeIcons, SmallIcons };

  CColoredListCtrl(wxWindow* parent, wxWindowID id, bool largeDesktop = false);
  ~CColoredListCtrl() override;

  // Switches the view; the rows stay.
  void SetView(View view);
  View GetView() const { return m_View; }
  // The icon of a row: folder or file, crossed out when deleted (an index of SystemImageList).
  static int RowIcon(const ResultRow& row);

  // Shows rows (replacing what was shown) for file system fs.
  void SetRows(std::vector<ResultRow> rows, FileSystemKind fs);
  // Shows nothing; the page calls it before the lists the rows point into are freed.
  void ClearRows();
  std::vector<ResultRow>& Rows() { return m_Rows; }
  const std::vector<ResultRow>& Rows() const { return m_Rows; }
  // Redraws the visible rows after their records' marks or names changed.
  void RefreshShown();
  // The check boxes show marking's marks (the job's for the records its worker writes) instead of
  // the records' own.
  void ShowMarksOf(const RowMarking* marking) { m_Marking = marking; }
  // The row of a folder record / file record shown now, or -1.
  long FindRow(const FolderRecord* folder) const;

  // Draws a check box in state flags (wxCONTROL_CHECKED and the like) at rect as the rows show
  // it: from the bitmap kept for that state and size, made on first use.
  void DrawCheckBox(wxDC& dc, const wxRect& rect, int flags);
  // How many check-box bitmaps are kept; a theme, colour or DPI change drops them all.
  size_t CheckBoxBitmapCount() const { return m_CheckBoxes.size(); }
  // The window the rows are painted on.
  wxWindow* RowsWindow() const { return m_RowsWindow; }

 protected:
  wxString OnGetItemText(long item, long column) const override;
  bool OnGetItemIsChecked(long item) const override;
  wxItemAttr* OnGetItemAttr(long item) const override;
  int OnGetItemImage(long item) const override;

 private:
  class CheckBoxRenderer;
  class PaintHandler;

  void DrawCheckBox(wxDC& dc, const wxRect& rect, int flags, wxRendererNative& native);
  static wxSize CheckBoxMargin(const wxSize& size);
  // The bitmap of a check box in state flags, drawn by native when not kept yet.
  const wxBitmap& CheckBoxBitmap(const wxSize& size, int flags, wxRendererNative& native);
  void DropCheckBoxBitmaps();
  int NameWidth() const;

  std::vector<ResultRow> m_Rows;
  FileSystemKind m_FileSystem = FileSystemKind::None;
  View m_View = View::Details;
  int m_DetailWidths[kListColumnCount] = {};
  const RowMarking* m_Marking = nullptr;
  mutable wxItemAttr m_Deleted;
  // Keyed by width, height and state flags.
  std::map<std::tuple<int, int, int>, wxBitmap> m_CheckBoxes;
  wxWindow* m_RowsWindow = this;
  std::unique_ptr<PaintHandler> m_PaintHandler;
};
