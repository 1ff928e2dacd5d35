// What checking a row or a folder does to the records, and renaming a row: the rules of the
// results page that need no window. The select and deselect worker (RowMarking) runs
// MarkFilesOfFolders or MarkEverything; while it runs it is the only writer of the marks it
// writes, and the UI thread reads those marks from its job instead of the records.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "results/ResultRows.h"

// Sets the selected mark of every file whose parent is one of folderIds (the folders the tree
// marked); stops early once cancel is set. progress (when given) sees files visited and the total.
void MarkFilesOfFolders(const std::vector<uint32_t>& folderIds, bool selected,
                        const std::atomic<bool>& cancel,
                        void (*progress)(uint64_t visited, uint64_t total, void* context) = nullptr,
                        void* context = nullptr);

// Marks every folder of file system chosenFs and every file (a check of the tree's root); stops
// early once cancel is set.
void MarkEverything(int16_t chosenFs, bool selected, const std::atomic<bool>& cancel);

// The marks one select or deselect worker writes: every folder of file system chosenFs and every
// file (a check of the root), or the files of the folders folderIds.
struct MarkingJob {
  bool everything = false;
  bool selected = false;
  int16_t chosenFs = 0;
  std::vector<uint32_t> folderIds;

  bool Writes(const FolderRecord& f) const { return everything && f.partition == chosenFs; }
  bool Writes(const FileRecord& f) const;
  bool Writes(const ResultRow& row) const {
    return row.folder ? Writes(*row.folder) : Writes(*row.file);
  }
};

// The select and deselect worker. The UI thread never touches a mark the running worker writes:
// it writes only the others (MarkRows) and shows the job's mark for the worker's (Shown), so the
// list may redraw while a million records are marked.
class RowMarking {
 public:
  RowMarking() = default;
  RowMarking(const RowMarking&) = delete;
  RowMarking& operator=(const RowMarking&) = delete;
  ~RowMarking() { Stop(); }

  // Waits for a worker still running, then starts one over job; ended runs on the worker after
  // its last mark.
  void Start(MarkingJob job, std::function<void()> ended = {});
  void Join();
  // Asks the worker to end at its next record and joins it; its marks stay half written.
  void Stop();
  // Started and not joined yet.
  bool Running() const { return m_Running; }
  // The running worker's job, or null.
  const MarkingJob* Job() const { return m_Running ? &m_Job : nullptr; }

  // The mark a row shows: the running worker's for a row it writes, else the record's.
  bool Shown(const ResultRow& row) const;
  // A check of the tree reaching the list: every row (wholeList) or the row of folder takes
  // selected, but for the marks the running worker writes.
  void MarkRows(std::vector<ResultRow>& rows, bool selected, bool wholeList,
                const FolderRecord* folder) const;

 private:
  std::thread m_Thread;
  std::atomic<bool> m_Stop{false};
  MarkingJob m_Job;
  bool m_Running = false;
};

// Whether folder folderId (of file system chosenFs) holds a checked subfolder or file directly;
// the marks a running worker writes count as its job's.
bool FolderHoldsSelected(uint32_t folderId, int16_t chosenFs, const MarkingJob* running = nullptr);

// A row's new name: an empty text puts the current name back (nothing changes); another text is
// stored in the record (an 8-bit name in the FAT code page, at most 200 bytes). Returns the name
// the row shows afterwards.
std::string RenameRow(const ResultRow& row, const std::string& text);
