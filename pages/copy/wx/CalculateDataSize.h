// CalculateDataSize: the small box that counts, on a worker, the files and bytes a copy of the
// snapshot will write under the saving settings, and shows the running totals. Stop, Cancel, Esc
// and the close box all ask "Do you want to terminate this process."; Yes ends the count early
// and the totals stay as far as it got. The worker is joined before the box ends.
#pragma once

#include <atomic>

#include <wx/timer.h>

#include "pages/wx/PageWorker.h"
#include "saving/copywalk/FolderWalk.h"
#include "storage/FileSystemKind.h"
#include "widgets/wx/DialogLook.h"

class CHoverButton;
class CLabel;

class CalculateDataSize : public CLookDialog {
 public:
  static constexpr int kIdStop = 1;
  static constexpr int kIdCancel = 2;
  static constexpr int kIdSizeValue = 1057;
  static constexpr int kIdCountValue = 1056;

  CalculateDataSize(const FolderWalk& walk, FileSystemKind fileSystem, wxWindow* parent = nullptr);
  ~CalculateDataSize() override;

  // Counts on a worker while the box is shown; returns wxID_OK when the count ran to its end,
  // wxID_CANCEL when it was stopped.
  int ShowModal() override;

  SizeTotals Totals() const;
  bool Finished() const { return m_Finished; }

  // Stop's handler, as a click runs it.
  void OnStop();

  CLabel* m_SizeValue = nullptr;
  CLabel* m_CountValue = nullptr;
  CHoverButton* m_StopButton = nullptr;
  CHoverButton* m_CancelButton = nullptr;

 protected:
  void OnEscape() override { OnStop(); }

 private:
  void ShowTotals();
  void OnWorkerEnded();

  const FolderWalk& m_Walk;
  FileSystemKind m_FileSystem;
  std::atomic<int32_t> m_FileCount{0};
  std::atomic<uint64_t> m_ByteTotal{0};
  wxTimer m_Timer;
  bool m_Asking = false;
  bool m_EndedWhileAsking = false;
  bool m_Finished = false;
  // Last, so that it is joined before the totals it writes go. Stop is its control's stop.
  PageWorker m_Worker{*this};
};
