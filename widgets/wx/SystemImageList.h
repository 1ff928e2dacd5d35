// The shared icon lists that the device tree, the results tree and the results list draw drive,
// folder and file icons from (they stand in for the system's small-icon list). Start-up makes
// them; the icons come from the toolkit's art provider, and a drawn fallback stands in for any
// icon the desktop theme lacks, so every index is always valid.
#pragma once

class wxImageList;

enum SystemIconIndex {
  kIconHardDisk = 0,
  kIconRemovable,
  kIconCdrom,
  kIconFolder,
  kIconFolderOpen,
  kIconFile,
  kIconDeletedFolder,  // the folder and file icons crossed out in red: rows of deleted records
  kIconDeletedFile,
  kIconCount
};

// Builds both lists (16 and 32 pixels) once; later calls do nothing.
void InitSystemImageLists();
// The lists, or nullptr before InitSystemImageLists and after FreeSystemImageLists.
wxImageList* SystemImageList();
wxImageList* LargeSystemImageList();
// Frees them (the application's exit and tests).
void FreeSystemImageLists();
