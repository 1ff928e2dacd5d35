// Script steps that answer the toolkit's file and folder dialogs as a person does. The file
// dialog takes the path typed into it; GTK's folder chooser gives a folder only through its own
// response, so that step moves the chooser to the folder, lets it load, and then sends the
// response its Select button sends.
#pragma once

#include <dlfcn.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>

#include <memory>
#include <string>

#include "PageTestUtil.h"
#include "dialogs/wx/FileDialogST.h"

namespace guitest {

// The chooser's own response, looked up in the toolkit the program already runs on.
inline void SendFolderDialogResponse(wxDirDialog& dialog, int response) {
  using Respond = void (*)(void*, int);
  static const auto respond = reinterpret_cast<Respond>(::dlsym(RTLD_DEFAULT, "gtk_dialog_response"));
  if (respond) respond(dialog.GetHandle(), response);
}

constexpr int kGtkResponseAccept = -3;
constexpr int kGtkResponseCancel = -6;

inline Script::Step AnswerFolderDialog(std::string folder, int response) {
  auto ticks = std::make_shared<int>(0);
  return [folder, response, ticks] {
    auto* dialog = dynamic_cast<wxDirDialog*>(CFileDialogST::RunningDialog());
    if (!dialog || !dialog->IsShown()) return false;
    ++*ticks;
    if (*ticks == 4 && !folder.empty()) dialog->SetPath(wxString::FromUTF8(folder));
    if (*ticks < 12) return false;
    SendFolderDialogResponse(*dialog, response);
    return true;
  };
}

inline Script::Step AcceptFolderDialog(std::string folder) {
  return AnswerFolderDialog(std::move(folder), kGtkResponseAccept);
}

inline Script::Step CancelFolderDialog() {
  return AnswerFolderDialog(std::string(), kGtkResponseCancel);
}

// The running file dialog given a path; answered OK once it shows that path.
inline Script::Step ChooseFileInDialog(std::string file) {
  auto ticks = std::make_shared<int>(0);
  return [file, ticks] {
    auto* dialog = dynamic_cast<wxFileDialog*>(CFileDialogST::RunningDialog());
    if (!dialog || !dialog->IsShown()) return false;
    ++*ticks;
    if (*ticks == 8) dialog->SetPath(wxString::FromUTF8(file));
    if (*ticks < 9 || dialog->GetPath().utf8_string() != file) return false;
    dialog->EndModal(wxID_OK);
    return true;
  };
}

}  // namespace guitest
