#include "app/wx/AppStartup.h"

#include <wx/image.h>

#include "app/AppGlobals.h"
#include "app/HelpPage.h"
#include "app/wx/AboutDlg.h"
#include "app/wx/RecoveryMode.h"
#include "app/wx/SystemImageList.h"
#include "storage/wx/SectorsBadStatusAction.h"
#include "ui/LinkClick.h"
#include "ui/wx/BitmapFolder.h"
#include "ui/wx/DialogPrompts.h"
#include "ui/wx/WxShellLauncher.h"

void StartUpApplication() {
  wxInitAllImageHandlers();
  InitAppGlobals(DefaultBitmapFolder());
  InstallDialogPrompts(&NewSectorsBadStatusAction);
  InstallWxShellLauncher();
  SetLinkCommands({[] { ShowAboutDialog(); }, [] { OpenHelpWebPage(); }});
  InitSystemImageLists();
}

int RunRecoveryModePage() {
  CRecoveryMode page;
  return page.DoModal();
}

void ShutDownApplication() {
  ShutdownDialogPrompts();
  SetLinkCommands({});
  FreeSystemImageLists();
}
