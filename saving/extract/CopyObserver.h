// How a file extraction (FAT or NTFS) reaches its caller: the copy page's texts and progress, the
// admission step of the copy walk (filters and the existing-target question), and the preview's
// bar and Stop button. Every method has a default, so a caller overrides only what it shows.
#pragma once

#include <cstdint>
#include <string_view>

// One file offered to the copy.
struct CopyCandidate {
  std::u16string_view name;  // the record's name
  uint64_t size = 0;
  bool deleted = false;
};

class CopyObserver {
 public:
  virtual ~CopyObserver() = default;
  // Saving only: the page's "Folder Name" and "Last Data Name" texts for the file now copied.
  virtual void OnFileStarted(std::u16string_view targetFolder, std::u16string_view name) {
    (void)targetFolder;
    (void)name;
  }
  // Saving only: the admission step (deleted filter, extension list, existing target). false
  // leaves the file without writing anything.
  virtual bool Admit(const CopyCandidate& file) {
    (void)file;
    return true;
  }
  // Saving only: bytes of this file written so far (the page refreshes its texts on its own
  // period and when a file is complete).
  virtual void OnFileProgress(std::u16string_view name, uint64_t written, uint64_t size) {
    (void)name;
    (void)written;
    (void)size;
  }
  // Preview only: the preview bar, 0 to 100.
  virtual void OnPreviewProgress(int percent) { (void)percent; }
  // Preview only: true once the results page's Stop was pressed.
  virtual bool PreviewStopRequested() { return false; }
};
