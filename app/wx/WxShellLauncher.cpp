#include "app/wx/WxShellLauncher.h"

#include <dlfcn.h>

#include <wx/toplevel.h>
#include <wx/utils.h>
#include <wx/window.h>

namespace {

// The desktop's application database and its Open With dialog, reached through the GLib and GTK
// libraries the toolkit has loaded already; the few entry points are looked up by name, so the
// build needs none of their headers. Any that is missing means the dialog cannot be offered.
struct DesktopApps {
  using Pointer = void*;
  char* (*contentTypeGuess)(const char*, const unsigned char*, size_t, int*) = nullptr;
  Pointer (*defaultForType)(const char*, int) = nullptr;
  Pointer (*fileForPath)(const char*) = nullptr;
  Pointer (*chooserDialogNew)(Pointer, int, Pointer) = nullptr;
  int (*dialogRun)(Pointer) = nullptr;
  Pointer (*chooserAppInfo)(Pointer) = nullptr;
  Pointer (*listAppend)(Pointer, Pointer) = nullptr;
  void (*listFree)(Pointer) = nullptr;
  int (*appInfoLaunch)(Pointer, Pointer, Pointer, Pointer) = nullptr;
  void (*widgetDestroy)(Pointer) = nullptr;
  void (*objectUnref)(Pointer) = nullptr;
  void (*free)(Pointer) = nullptr;
  void (*setPosition)(Pointer, int) = nullptr;

  static const DesktopApps& Get() {
    static const DesktopApps apps = Load();
    return apps;
  }
  bool CanChoose() const {
    return fileForPath && chooserDialogNew && dialogRun && chooserAppInfo && listAppend &&
           listFree && appInfoLaunch && widgetDestroy && objectUnref;
  }

 private:
  template <class F>
  static void Find(F& f, const char* name) {
    f = reinterpret_cast<F>(::dlsym(RTLD_DEFAULT, name));
  }
  static DesktopApps Load() {
    DesktopApps a;
    Find(a.contentTypeGuess, "g_content_type_guess");
    Find(a.defaultForType, "g_app_info_get_default_for_type");
    Find(a.fileForPath, "g_file_new_for_path");
    Find(a.chooserDialogNew, "gtk_app_chooser_dialog_new");
    Find(a.dialogRun, "gtk_dialog_run");
    Find(a.chooserAppInfo, "gtk_app_chooser_get_app_info");
    Find(a.listAppend, "g_list_append");
    Find(a.listFree, "g_list_free");
    Find(a.appInfoLaunch, "g_app_info_launch");
    Find(a.widgetDestroy, "gtk_widget_destroy");
    Find(a.objectUnref, "g_object_unref");
    Find(a.free, "g_free");
    Find(a.setPosition, "gtk_window_set_position");
    return a;
  }
};

constexpr int kDialogModal = 1;     // GTK_DIALOG_MODAL
constexpr int kResponseOk = -5;     // GTK_RESPONSE_OK
constexpr int kCentreOnParent = 4;  // GTK_WIN_POS_CENTER_ON_PARENT

// The program's window the dialog belongs to: the one holding the focus, or none.
void* OwnerWindow() {
  wxWindow* focus = wxWindow::FindFocus();
  wxWindow* top = focus ? wxGetTopLevelParent(focus) : nullptr;
  return top ? static_cast<void*>(top->GetHandle()) : nullptr;
}

// Whether the desktop names a program for the file's kind (guessed from its name).
bool HasDefaultProgram(const std::string& path) {
  const DesktopApps& apps = DesktopApps::Get();
  if (!apps.contentTypeGuess || !apps.defaultForType || !apps.objectUnref || !apps.free)
    return true;  // cannot tell: the desktop's opener decides
  char* type = apps.contentTypeGuess(path.c_str(), nullptr, 0, nullptr);
  if (!type) return false;
  void* app = apps.defaultForType(type, 0);
  apps.free(type);
  if (!app) return false;
  apps.objectUnref(app);
  return true;
}

}  // namespace

bool WxShellLauncher::OpenAddress(std::string_view address) {
  // Text without a scheme is refused here rather than guessed at (the toolkit would put
  // "http://" before a bare mail address), so the caller can offer a mail instead.
  if (!IsLaunchableAddress(address)) return false;
  return wxLaunchDefaultBrowser(wxString::FromUTF8(address.data(), address.size()),
                                wxBROWSER_NOBUSYCURSOR);
}

bool WxShellLauncher::OpenFile(const std::string& path) {
  // The desktop's opener gets the path as one argument; no shell sees it. A kind no program is
  // set for goes to the Open With dialog instead.
  if (HasDefaultProgram(path)) return wxLaunchDefaultApplication(wxString::FromUTF8(path));
  return OpenFileWith(path);
}

bool WxShellLauncher::OpenFileWith(const std::string& path) {
  const DesktopApps& apps = DesktopApps::Get();
  if (!apps.CanChoose()) return false;
  void* file = apps.fileForPath(path.c_str());
  if (!file) return false;
  void* dialog = apps.chooserDialogNew(OwnerWindow(), kDialogModal, file);
  if (!dialog) {
    apps.objectUnref(file);
    return false;
  }
  if (apps.setPosition) apps.setPosition(dialog, kCentreOnParent);
  bool opened = true;  // a dialog the user closed is no failure to report
  if (apps.dialogRun(dialog) == kResponseOk) {
    if (void* app = apps.chooserAppInfo(dialog)) {
      void* files = apps.listAppend(nullptr, file);
      opened = apps.appInfoLaunch(app, files, nullptr, nullptr) != 0;
      apps.listFree(files);
      apps.objectUnref(app);
    }
  }
  apps.widgetDestroy(dialog);
  apps.objectUnref(file);
  return opened;
}

void InstallWxShellLauncher() {
  static WxShellLauncher launcher;
  SetShellLauncher(&launcher);
}
