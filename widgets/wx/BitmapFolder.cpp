#include "widgets/wx/BitmapFolder.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>

std::string DefaultBitmapFolder() {
  const std::string build = MERROWIND_BUILD_BITMAP_DIR;
  const std::string install = MERROWIND_INSTALL_BITMAP_DIR;
  wxFileName exe(wxStandardPaths::Get().GetExecutablePath());
  exe.Normalize(wxPATH_NORM_ABSOLUTE | wxPATH_NORM_DOTS);
  // The bitmap folder lies at <build tree>/share/softdovrane/merrowind.
  wxFileName tree(wxString::FromUTF8(build), wxString());
  tree.Normalize(wxPATH_NORM_ABSOLUTE | wxPATH_NORM_DOTS);
  for (int i = 0; i < 3; ++i) tree.RemoveLastDir();
  const bool inBuildTree = exe.GetPath().StartsWith(tree.GetPath());
  if (inBuildTree && wxDirExists(wxString::FromUTF8(build))) return build;
  if (wxDirExists(wxString::FromUTF8(install))) return install;
  return build;
}
