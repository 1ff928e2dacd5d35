// The preview's own folder for the files it extracts: made on first use under the temporary
// folder ($TMPDIR, else /tmp) with mode 0700, so no other user can read a recovered file or plant
// a name in it; it and the files in it are removed when the program ends (or the object goes).
#pragma once

#include <string>

#include "saving/extract/TargetFiles.h"

class PreviewFolder {
 public:
  PreviewFolder() = default;
  ~PreviewFolder() { Remove(); }
  PreviewFolder(const PreviewFolder&) = delete;
  PreviewFolder& operator=(const PreviewFolder&) = delete;

  // The folder, created now when it does not exist yet; "" when it cannot be created.
  const std::string& Path();
  // The folder opened for writing files into it (not open when it cannot be created).
  TargetFolder Open();
  // Removes the files in it and the folder itself.
  void Remove();

 private:
  std::string m_Path;
};
