// CColoredListCtrl: the results list, a virtual report list over rows built off the UI thread
// (results/ResultRows.h). The control asks only for the rows it draws, so a folder of 100,000
// files lists at once; deleted rows are drawn in red; each row's check box shows its record's
// selected mark.
#pragma once

#include <vector>

#include <wx/listctrl.h>

#include "results/ResultRows.h"

class CColoredListCtrl : public wxListCtrl {
 public:
  CColoredListCtrl(wxWindow* parent, wxWindowID id, bool largeDesktop = false);

  // Shows rows (replacing what was shown) for file system fs.
  void SetRows(std::vector<ResultRow> rows, FileSystemKind fs);
  // Shows nothing; the page calls it before the lists the rows point into are freed.
  void ClearRows();
  std::vector<ResultRow>& Rows() { return m_Rows; }
  const std::vector<ResultRow>& Rows() const { return m_Rows; }
  // Redraws the visible rows after their records' marks or names changed.
  void RefreshShown();
  // The row of a folder record / file record shown now, or -1.
  long FindRow(const FolderRecord* folder) const;

 protected:
  wxString OnGetItemText(long item, long column) const override;
  bool OnGetItemIsChecked(long item) const override;
  wxItemAttr* OnGetItemAttr(long item) const override;

 private:
  std::vector<ResultRow> m_Rows;
  FileSystemKind m_FileSystem = FileSystemKind::None;
  mutable wxItemAttr m_Deleted;
};
