#include "results/ResultRows.h"

#include <algorithm>
#include <cstdio>

#include "engine/records/ResultLists.h"
#include "engine/records/ScanState.h"
#include "platform/CivilTime.h"
#include "platform/TextCodec.h"

namespace {

std::string Two(int v) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

std::string DatePart(int day, int month, int64_t year) {
  return Two(day) + "-" + MonthText(month) + "-" + std::to_string(year);
}

// Case-insensitive order of ASCII letters, other bytes as they are.
int CompareNoCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
    if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

char TypeKey(const ResultRow& r) {
  if (r.IsFolder()) return r.Deleted() ? 'g' : 'd';
  return r.Deleted() ? 'h' : 'e';
}

template <class T>
int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

const TimeHalves& ResultRow::Time(ListColumn column) const {
  if (folder) {
    return column == ListColumn::Created ? folder->created
           : column == ListColumn::Accessed ? folder->accessed
                                            : folder->modified;
  }
  return column == ListColumn::Created ? file->created
         : column == ListColumn::Accessed ? file->accessed
                                          : file->modified;
}

std::string MonthText(int month) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  return month >= 1 && month <= 12 ? kMonths[month - 1] : "Err";
}

std::string NtfsTimeText(const TimeHalves& time) {
  const CivilTime t = FromFileTime(time.AsFileTime());
  return DatePart(t.day, t.month, t.year) + " " + Two(t.hour) + ":" + Two(t.minute) + ":" +
         Two(t.second);
}

std::string FatDateTimeText(const TimeHalves& time) {
  const uint32_t d = time.first & 0xFFFF, t = time.second & 0xFFFF;
  return DatePart(static_cast<int>(d & 0x1F), static_cast<int>((d >> 5) & 0x0F), 1980 + (d >> 9)) +
         " " + Two(static_cast<int>(t >> 11)) + ":" + Two(static_cast<int>((t >> 5) & 0x3F));
}

std::string FatDateText(const TimeHalves& time) {
  const uint32_t d = time.first & 0xFFFF;
  return DatePart(static_cast<int>(d & 0x1F), static_cast<int>((d >> 5) & 0x0F), 1980 + (d >> 9));
}

std::string RowName(const ResultRow& row) {
  const AnsiName& ansi = row.folder ? row.folder->ansiName : row.file->ansiName;
  if (ansi.IsSet()) return Utf16ToUtf8(FatShortNameToUtf16(ansi.View()));
  return Utf16ToUtf8(row.folder ? row.folder->wideName.View() : row.file->wideName.View());
}

std::string ColumnText(const ResultRow& row, ListColumn column, FileSystemKind fs) {
  switch (column) {
    case ListColumn::Name:
      return RowName(row);
    case ListColumn::Type:
      if (row.IsFolder()) return row.Deleted() ? "Deleted Folder" : "Folder";
      return row.Deleted() ? "Deleted File" : "File";
    case ListColumn::Size:
      return row.IsFolder() ? "0" : std::to_string(row.file->size);
    case ListColumn::Modified:
    case ListColumn::Created:
    case ListColumn::Accessed:
      if (fs == FileSystemKind::Ntfs) return NtfsTimeText(row.Time(column));
      return column == ListColumn::Accessed ? FatDateText(row.Time(column))
                                            : FatDateTimeText(row.Time(column));
    case ListColumn::Id:
      return row.IsFolder() ? std::to_string(static_cast<uint32_t>(row.folder->treeItem))
                            : std::to_string(row.file->sequence);
  }
  return {};
}

int CompareListItems(const ResultRow& a, const ResultRow& b, ListColumn column, FileSystemKind fs) {
  switch (column) {
    case ListColumn::Name:
      return CompareNoCase(RowName(a), RowName(b));
    case ListColumn::Type:
      return Order(TypeKey(a), TypeKey(b));
    case ListColumn::Size:
      return Order(a.IsFolder() ? uint64_t{0} : a.file->size,
                   b.IsFolder() ? uint64_t{0} : b.file->size);
    case ListColumn::Modified:
    case ListColumn::Created:
    case ListColumn::Accessed:
      if (fs == FileSystemKind::Ntfs)
        return Order(a.Time(column).AsFileTime(), b.Time(column).AsFileTime());
      return Order(a.Time(column).first, b.Time(column).first);
    case ListColumn::Id:
      return Order(a.IsFolder() ? static_cast<uint32_t>(a.folder->treeItem) : a.file->sequence,
                   b.IsFolder() ? static_cast<uint32_t>(b.folder->treeItem) : b.file->sequence);
  }
  return 0;
}

void SortRows(std::vector<ResultRow>& rows, ListColumn column, bool descending, FileSystemKind fs) {
  if (column == ListColumn::Name) {
    // Names are built once per row rather than once per comparison.
    std::vector<std::pair<std::string, ResultRow>> keyed;
    keyed.reserve(rows.size());
    for (const ResultRow& r : rows) keyed.emplace_back(RowName(r), r);
    std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto& x, const auto& y) {
      const int c = CompareNoCase(x.first, y.first);
      return descending ? c > 0 : c < 0;
    });
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].second;
    return;
  }
  std::stable_sort(rows.begin(), rows.end(), [&](const ResultRow& x, const ResultRow& y) {
    const int c = CompareListItems(x, y, column, fs);
    return descending ? c > 0 : c < 0;
  });
}

std::vector<ResultRow> CollectFolderRows(uint32_t folderId, int16_t chosenFs, FileSystemKind fs,
                                         bool descending, const std::atomic<bool>& cancel) {
  std::vector<ResultRow> rows;
  ForEachChild(g_ScanState.folderList, folderId, [&](FolderRecord& f) {
    if (f.partition == chosenFs && !cancel.load(std::memory_order_relaxed))
      rows.push_back({&f, nullptr});
  });
  SortRows(rows, ListColumn::Name, descending, fs);
  ForEachChild(g_ScanState.fileList, folderId, [&](FileRecord& f) {
    if (!cancel.load(std::memory_order_relaxed)) rows.push_back({nullptr, &f});
  });
  return rows;
}
