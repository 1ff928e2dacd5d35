// The rows of the results list: the direct children of one folder (its subfolders, then its
// files), the texts of their columns and the order of a column sort. Rows point at the records of
// the result lists, so a row set is valid only while those lists are; the page drops its rows
// before the lists are freed.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/records/ResultRecords.h"
#include "storage/FileSystemKind.h"

enum class ListColumn : int { Name = 0, Type, Size, Modified, Created, Accessed, Id };
inline constexpr int kListColumnCount = 7;

struct ResultRow {
  FolderRecord* folder = nullptr;  // exactly one of the two is set
  FileRecord* file = nullptr;

  bool IsFolder() const { return folder != nullptr; }
  bool Deleted() const { return (folder ? folder->deleted : file->deleted) == 'y'; }
  bool Checked() const { return (folder ? folder->selected : file->selected) == 'y'; }
  const TimeHalves& Time(ListColumn column) const;
};

// "Jan" ... "Dec"; "Err" for a month outside 1 to 12.
std::string MonthText(int month);
// NTFS: DD-Mon-YYYY HH:MM:SS of a FILETIME taken as UTC. FAT: DD-Mon-YYYY HH:MM of a DOS date
// and time, and DD-Mon-YYYY of a DOS date alone (the access date).
std::string NtfsTimeText(const TimeHalves& time);
std::string FatDateTimeText(const TimeHalves& time);
std::string FatDateText(const TimeHalves& time);

// The row's name as shown (UTF-8).
std::string RowName(const ResultRow& row);
// The text of one column: "Folder", "Deleted Folder", "File", "Deleted File"; sizes in decimal
// (folders "0"); dates in the file system's form; the ID (a folder's tree item, a file's
// sequence).
std::string ColumnText(const ResultRow& row, ListColumn column, FileSystemKind fs);

// Ascending comparison of one column: negative, 0 or positive.
int CompareListItems(const ResultRow& a, const ResultRow& b, ListColumn column, FileSystemKind fs);
// Sorts rows by one column; descending reverses every comparison. Stable, so equal keys keep
// their order.
void SortRows(std::vector<ResultRow>& rows, ListColumn column, bool descending, FileSystemKind fs);

// The children of folder folderId: its subfolders of file system chosenFs sorted by name in the
// given direction, then its files in list order. Stops early (with what it has) once cancel is
// set.
std::vector<ResultRow> CollectFolderRows(uint32_t folderId, int16_t chosenFs, FileSystemKind fs,
                                         bool descending, const std::atomic<bool>& cancel);
