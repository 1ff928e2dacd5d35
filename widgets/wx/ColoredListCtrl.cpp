#include "widgets/wx/ColoredListCtrl.h"

#include <algorithm>

namespace {

struct ColumnSpec {
  const char* header;
  int width;
  int largeWidth;
};
constexpr ColumnSpec kColumns[kListColumnCount] = {
    {"Name", 210, 310},          {"Type", 100, 200},          {"Size", 95, 150},
    {"Modified Date", 160, 280}, {"Created Date", 160, 280}, {"Accessed Date", 160, 280},
    {"ID", 80, 80}};

}  // namespace

CColoredListCtrl::CColoredListCtrl(wxWindow* parent, wxWindowID id, bool largeDesktop)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_HRULES | wxLC_VRULES | wxLC_EDIT_LABELS) {
  for (int c = 0; c < kListColumnCount; ++c)
    AppendColumn(kColumns[c].header, wxLIST_FORMAT_LEFT,
                 largeDesktop ? kColumns[c].largeWidth : kColumns[c].width);
  EnableCheckBoxes(true);
  m_Deleted.SetTextColour(*wxRED);
}

void CColoredListCtrl::SetRows(std::vector<ResultRow> rows, FileSystemKind fs) {
  m_Rows = std::move(rows);
  m_FileSystem = fs;
  SetItemCount(static_cast<long>(m_Rows.size()));
  RefreshShown();
}

void CColoredListCtrl::ClearRows() {
  m_Rows.clear();
  SetItemCount(0);
  Refresh();
}

void CColoredListCtrl::RefreshShown() {
  if (m_Rows.empty()) {
    Refresh();
    return;
  }
  const long top = std::max(0L, GetTopItem());
  const long last = std::min<long>(top + GetCountPerPage() + 1, static_cast<long>(m_Rows.size()) - 1);
  if (last >= top) RefreshItems(top, last);
}

long CColoredListCtrl::FindRow(const FolderRecord* folder) const {
  for (size_t i = 0; i < m_Rows.size(); ++i)
    if (m_Rows[i].folder == folder) return static_cast<long>(i);
  return -1;
}

wxString CColoredListCtrl::OnGetItemText(long item, long column) const {
  if (item < 0 || static_cast<size_t>(item) >= m_Rows.size() || column < 0 ||
      column >= kListColumnCount)
    return wxString();
  return wxString::FromUTF8(
      ColumnText(m_Rows[static_cast<size_t>(item)], static_cast<ListColumn>(column), m_FileSystem));
}

bool CColoredListCtrl::OnGetItemIsChecked(long item) const {
  return item >= 0 && static_cast<size_t>(item) < m_Rows.size() &&
         m_Rows[static_cast<size_t>(item)].Checked();
}

wxItemAttr* CColoredListCtrl::OnGetItemAttr(long item) const {
  if (item >= 0 && static_cast<size_t>(item) < m_Rows.size() &&
      m_Rows[static_cast<size_t>(item)].Deleted())
    return &m_Deleted;
  return nullptr;
}
