// How the analysis page turns the worker's progress reports into the texts of its value fields,
// and the elapsed time it shows. The worker reports through the job's throttle; the page draws
// what this view gives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/worker/ScanJob.h"
#include "storage/FileSystemKind.h"

// New texts for the fields a report changes; an empty optional leaves the field as it is.
struct AnalysisFieldTexts {
  std::optional<std::string> sizeOrSector;  // size, current sector or indexes found
  std::optional<std::string> folders;       // folders found, or the size copied while imaging
  std::optional<std::string> files;
  std::optional<std::u16string> name;
  std::optional<std::string> detail;  // the detail line under the step line
};

class AnalysisProgressView {
 public:
  AnalysisProgressView(bool imageMode, FileSystemKind fileSystem)
      : m_ImageMode(imageMode), m_FileSystem(fileSystem) {}

  // The texts for one report. indxCount is the NTFS signature scan's count of index blocks,
  // endSector the source's end as the sector texts show it.
  AnalysisFieldTexts Update(const ScanProgress& progress, uint32_t indxCount, int64_t endSector,
                            int32_t bytesPerSector);

 private:
  bool m_ImageMode;
  FileSystemKind m_FileSystem;
  std::optional<uint32_t> m_Indx;
  std::optional<uint32_t> m_Folders;
  std::optional<uint32_t> m_Files;
  std::u16string m_LastName;
};

// Elapsed time from a monotonic clock in milliseconds, less the time spent paused. Derived by
// division each time it is shown, so no tick is ever lost.
class ElapsedClock {
 public:
  void Start(uint64_t nowMs);
  void Pause(uint64_t nowMs);
  void Resume(uint64_t nowMs);
  bool Paused() const { return m_PausedAt.has_value(); }
  uint64_t ElapsedMs(uint64_t nowMs) const;

  // "%d : %d : %d" of hours, minutes and seconds.
  static std::string Text(uint64_t elapsedMs);

 private:
  uint64_t m_Start = 0;
  uint64_t m_PausedTotal = 0;
  std::optional<uint64_t> m_PausedAt;
};
