#include "widgets/wx/ColoredListCtrl.h"

#include <algorithm>
#include <cstring>

#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/renderer.h>

#include "widgets/wx/SystemImageList.h"
#include "results/RowSelection.h"

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

// The renderer the list's rows are painted with: the one in use, but check boxes come from the
// list's bitmaps.
class CColoredListCtrl::CheckBoxRenderer : public wxDelegateRendererNative {
 public:
  CheckBoxRenderer(CColoredListCtrl& list, wxRendererNative& native)
      : wxDelegateRendererNative(native), m_List(list), m_Native(native) {}

  void DrawCheckBox(wxWindow* win, wxDC& dc, const wxRect& rect, int flags) override {
    if (win != m_List.m_RowsWindow) {
      m_Native.DrawCheckBox(win, dc, rect, flags);
      return;
    }
    m_List.DrawCheckBox(dc, rect, flags, m_Native);
  }

 private:
  CColoredListCtrl& m_List;
  wxRendererNative& m_Native;
};

// Pushed onto the rows' window: its paint runs with the renderer above in place, and only its
// paint, so no other control draws through the list's bitmaps.
class CColoredListCtrl::PaintHandler : public wxEvtHandler {
  // The renderer in use while this lives; the one before it comes back at its end.
  class InPlace {
   public:
    explicit InPlace(wxRendererNative& renderer) : m_Previous(wxRendererNative::Set(&renderer)) {}
    ~InPlace() { wxRendererNative::Set(m_Previous); }
    InPlace(const InPlace&) = delete;
    InPlace& operator=(const InPlace&) = delete;

   private:
    wxRendererNative* m_Previous;
  };

 public:
  explicit PaintHandler(CColoredListCtrl& list) : m_List(list) {}

  bool ProcessEvent(wxEvent& event) override {
    if (event.GetEventType() != wxEVT_PAINT) return wxEvtHandler::ProcessEvent(event);
    CheckBoxRenderer renderer(m_List, wxRendererNative::Get());
    const InPlace inPlace(renderer);
    return wxEvtHandler::ProcessEvent(event);
  }

 private:
  CColoredListCtrl& m_List;
};

CColoredListCtrl::CColoredListCtrl(wxWindow* parent, wxWindowID id, bool largeDesktop)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_HRULES | wxLC_VRULES | wxLC_EDIT_LABELS) {
  for (int c = 0; c < kListColumnCount; ++c)
    AppendColumn(kColumns[c].header, wxLIST_FORMAT_LEFT,
                 largeDesktop ? kColumns[c].largeWidth : kColumns[c].width);
  EnableCheckBoxes(true);
  SetImageList(SystemImageList(), wxIMAGE_LIST_SMALL);
  Bind(wxEVT_SIZE, [this](wxSizeEvent& e) {
    if (m_View != View::Details) SetColumnWidth(0, NameWidth());
    e.Skip();
  });
  m_Deleted.SetTextColour(*wxRED);

  // The rows are painted by the control's inner window, the child that is not its column header.
  for (wxWindow* child : GetChildren())
    if (child->GetName() != "wxlistctrlcolumntitles") {
      m_RowsWindow = child;
      break;
    }
  m_PaintHandler = std::make_unique<PaintHandler>(*this);
  m_RowsWindow->PushEventHandler(m_PaintHandler.get());
  // The bitmaps follow the theme, its colours and the screen's scale.
  Bind(wxEVT_SYS_COLOUR_CHANGED, [this](wxSysColourChangedEvent& e) {
    DropCheckBoxBitmaps();
    e.Skip();
  });
  Bind(wxEVT_DPI_CHANGED, [this](wxDPIChangedEvent& e) {
    DropCheckBoxBitmaps();
    e.Skip();
  });
}

CColoredListCtrl::~CColoredListCtrl() {
  m_RowsWindow->RemoveEventHandler(m_PaintHandler.get());
}

void CColoredListCtrl::DrawCheckBox(wxDC& dc, const wxRect& rect, int flags) {
  DrawCheckBox(dc, rect, flags, wxRendererNative::Get());
}

void CColoredListCtrl::DrawCheckBox(wxDC& dc, const wxRect& rect, int flags,
                                    wxRendererNative& native) {
  const wxSize size = rect.GetSize();
  const wxBitmap& bitmap = CheckBoxBitmap(size, flags, native);
  dc.DrawBitmap(bitmap, rect.GetPosition() - CheckBoxMargin(size), true);
}

// The theme draws a box's shadow past its rectangle: the bitmap holds a margin around the box.
wxSize CColoredListCtrl::CheckBoxMargin(const wxSize& size) {
  return wxSize(std::max(4, size.x / 2), std::max(4, size.y / 2));
}

// Drawn on a transparent bitmap, so the row's own background shows around and through the box.
const wxBitmap& CColoredListCtrl::CheckBoxBitmap(const wxSize& size, int flags,
                                                 wxRendererNative& native) {
  wxBitmap& bitmap = m_CheckBoxes[{size.x, size.y, flags}];
  if (bitmap.IsOk()) return bitmap;
  const wxSize margin = CheckBoxMargin(size);
  const wxSize whole = size + 2 * margin;
  const double scale = m_RowsWindow->GetContentScaleFactor();
  wxImage clear(wxRound(whole.x * scale), wxRound(whole.y * scale));
  clear.InitAlpha();
  std::memset(clear.GetAlpha(), 0, static_cast<size_t>(clear.GetWidth()) * clear.GetHeight());
  bitmap = wxBitmap(clear, 32, scale);
  wxMemoryDC dc(bitmap);
  native.DrawCheckBox(m_RowsWindow, dc, wxRect(wxPoint(margin.x, margin.y), size), flags);
  dc.SelectObject(wxNullBitmap);
  return bitmap;
}

void CColoredListCtrl::DropCheckBoxBitmaps() {
  m_CheckBoxes.clear();
  m_RowsWindow->Refresh();
}

// The toolkit's list draws rows on demand only in its report view, and a folder may hold a
// million rows: the icon views are the report view with the name column alone, no header, and
// the large or the small icons; Details brings the columns back at their widths.
void CColoredListCtrl::SetView(View view) {
  if (view == m_View) return;
  if (m_View == View::Details)
    for (int c = 0; c < kListColumnCount; ++c) m_DetailWidths[c] = GetColumnWidth(c);
  m_View = view;
  const bool details = view == View::Details;
  SetImageList(view == View::LargeIcons ? LargeSystemImageList() : SystemImageList(),
               wxIMAGE_LIST_SMALL);
  SetWindowStyleFlag(details ? GetWindowStyleFlag() & ~wxLC_NO_HEADER
                             : GetWindowStyleFlag() | wxLC_NO_HEADER);
  for (int c = 0; c < kListColumnCount; ++c)
    SetColumnWidth(c, details ? m_DetailWidths[c] : c == 0 ? NameWidth() : 0);
  SetItemCount(static_cast<long>(m_Rows.size()));
  Refresh();
}

// The name column fills the list in the icon views.
int CColoredListCtrl::NameWidth() const {
  return std::max(kColumns[0].width, GetClientSize().x - 4);
}

int CColoredListCtrl::RowIcon(const ResultRow& row) {
  if (row.folder) return row.Deleted() ? kIconDeletedFolder : kIconFolder;
  return row.Deleted() ? kIconDeletedFile : kIconFile;
}

int CColoredListCtrl::OnGetItemImage(long item) const {
  // Without the shared icons (made at start-up) the rows carry none.
  if (!GetImageList(wxIMAGE_LIST_SMALL) || item < 0 || static_cast<size_t>(item) >= m_Rows.size())
    return -1;
  return RowIcon(m_Rows[static_cast<size_t>(item)]);
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
  if (item < 0 || static_cast<size_t>(item) >= m_Rows.size()) return false;
  const ResultRow& row = m_Rows[static_cast<size_t>(item)];
  return m_Marking ? m_Marking->Shown(row) : row.Checked();
}

wxItemAttr* CColoredListCtrl::OnGetItemAttr(long item) const {
  if (item >= 0 && static_cast<size_t>(item) < m_Rows.size() &&
      m_Rows[static_cast<size_t>(item)].Deleted())
    return &m_Deleted;
  return nullptr;
}
