// The copy's two questions shown as dialogs: the replace question (FileReplaceOptions) and the
// copy-error question (ErrorCopying). Workers ask them through prompts/ReplacePrompt.h and
// prompts/CopyErrorPrompt.h; these route the question over the dialog prompts' bridge to the UI
// thread, so a cancelled worker or the program's exit ends a waiting question with its safe
// answer (skip the file; "closed" for the error question).
#pragma once

// Installs both after InstallDialogPrompts; UninstallCopyQuestions restores the headless answers.
void InstallCopyQuestions();
void UninstallCopyQuestions();
