// The replace question: a file of the copy's name exists in the target folder already. The
// answer is kept in g_ReplaceChoice, which remembers an answer given "for all related items"
// for the rest of one copy:
//   0 overwrite this file        2 overwrite this and every later conflict
//   1 skip this file             3 skip this and every later conflict
//   4 rename this file           5 rename this and every later conflict
// The copy asks again while the value is 0, 1 or 4 and acts alone on 2, 3 and 5; the path
// dialog sets it to 0 before each copy.
//
// The engine only declares the question; the program installs the dialog, tests install scripted
// answers. It is asked on the copy worker's thread and blocks it until answered.
#pragma once

#include <atomic>
#include <cstdint>

enum ReplaceChoice : int32_t {
  kReplaceOverwrite = 0,
  kReplaceSkip = 1,
  kReplaceOverwriteAll = 2,
  kReplaceSkipAll = 3,
  kReplaceRename = 4,
  kReplaceRenameAll = 5,
};

extern std::atomic<int32_t> g_ReplaceChoice;

class ReplacePrompt {
 public:
  virtual ~ReplacePrompt() = default;
  // Shows the question and returns the new choice (0 to 5), or -1 when it was closed without
  // one.
  virtual int32_t AskReplace() = 0;
};

// Installs p (nullptr restores the headless default, which skips: with nobody to ask, nothing
// that exists is touched). The caller keeps it alive while any worker may ask.
void SetReplacePrompt(ReplacePrompt* p);

// Asks the installed question and stores the answer in g_ReplaceChoice. A question closed
// without an answer (Esc, the close box, the worker cancelled) means skip this file: an
// existing file is never overwritten by a question nobody answered.
int32_t AskReplace();
