// What a file copy checks before each read: the pause gate and stop of the worker's control,
// and the copy-error answers (Skip leaves this file, Abort ends the copy).
#pragma once

class ScanControl;

enum class CopyInterrupt {
  None,      // go on with the file
  SkipFile,  // leave this file, keep its part, go on with the next
  Abort,     // leave this file and stop the copy
};

// Waits while control (when given) is paused, then says whether the file must be left.
CopyInterrupt CheckCopyInterrupt(ScanControl* control);
