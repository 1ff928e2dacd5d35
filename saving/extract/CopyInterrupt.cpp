#include "saving/extract/CopyInterrupt.h"

#include "engine/worker/ScanJob.h"
#include "prompts/CopyGlobals.h"

CopyInterrupt CheckCopyInterrupt(ScanControl* control) {
  if (control && (!control->Checkpoint() || control->StopRequested())) return CopyInterrupt::Abort;
  if (g_CopyAbort.load() == 1) return CopyInterrupt::Abort;
  if (g_CopySkipOnce.load() == 1) return CopyInterrupt::SkipFile;
  return CopyInterrupt::None;
}
