// The copy-error question: a target file could not be created, or a block of a disk image could
// not be written. Any writer of recovered data asks it through AskCopyError(), which records the
// answer in the flags of prompts/CopyGlobals.h the way the dialog's buttons always have:
//   Skip     g_CopySkipOnce 1, g_CopySkipAll 0, g_CopyAbort 0
//   SkipAll  g_CopySkipAll 1,  g_CopySkipOnce 0, g_CopyAbort 0
//   Abort    g_CopyAbort 1,    g_CopySkipOnce 0, g_CopySkipAll 0
//   Closed   (Esc or the close box) nothing changes
// Callers act on the answer or the flags: a file copy leaves the file in every case, the image
// worker goes on after Skip, SkipAll or Closed and stops on Abort. Callers that must not ask while
// g_CopySkipAll is set test that flag first.
//
// The engine only declares the question. The program installs the dialog at start-up; tests and
// test drivers install scripted answers. The question is asked on the worker's thread and blocks
// it until answered.
#pragma once

enum class CopyErrorAnswer { Skip, SkipAll, Abort, Closed };

class CopyErrorPrompt {
 public:
  virtual ~CopyErrorPrompt() = default;
  // Shows the question and returns the user's answer.
  virtual CopyErrorAnswer AskCopyError() = 0;
};

// Installs p (nullptr restores the headless default, which answers Abort: with nobody to ask,
// stopping is the answer that writes nothing more). The caller keeps ownership and keeps it alive
// while any worker may ask.
void SetCopyErrorPrompt(CopyErrorPrompt* p);

// Asks the installed question, records the answer in the copy flags as above and returns it.
CopyErrorAnswer AskCopyError();
