#include "app/wx/AppStartup.h"

#include <wx/image.h>

#include "widgets/AppGlobals.h"
#include "dialogs/HelpPage.h"
#include "dialogs/wx/AboutDlg.h"
#include "pages/mode/wx/RecoveryMode.h"
#include "unreferenced/MenuGlobals.h"
#include "widgets/wx/SystemImageList.h"
#include "dialogs/wx/SectorsBadStatusAction.h"
#include "widgets/LinkClick.h"
#include "widgets/wx/BitmapFolder.h"
#include "dialogs/wx/CopyQuestions.h"
#include "dialogs/wx/DialogPrompts.h"
#include "app/wx/WxShellLauncher.h"

void StartUpApplication() {
  wxInitAllImageHandlers();
  InitAppGlobals(DefaultBitmapFolder());
  InstallDialogPrompts(&NewSectorsBadStatusAction);
  InstallCopyQuestions();
  InstallWxShellLauncher();
  SetLinkCommands({[] { ShowAboutDialog(); }, [] { OpenHelpWebPage(); }});
  InitSystemImageLists();
  // The owner-drawn menus' class-wide state is set up with the program, as it always has been.
  GetMenuGlobals();
}

int RunRecoveryModePage() {
  CRecoveryMode page;
  return page.DoModal();
}

void ShutDownApplication() {
  ShutdownDialogPrompts();
  UninstallCopyQuestions();
  SetLinkCommands({});
  FreeSystemImageLists();
}
