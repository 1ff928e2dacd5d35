#include "saving/ProgramState.h"

#include "engine/records/ChangedFolderIds.h"
#include "engine/records/ScanState.h"
#include "engine/scanlog/ScanLogGlobals.h"
#include "prompts/CopyGlobals.h"
#include "prompts/ReplacePrompt.h"
#include "saving/extract/CopyCounters.h"
#include "saving/extract/FatFileCopy.h"
#include "saving/imaging/ImageGlobals.h"
#include "saving/settings/SavingSettings.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"
#include "storage/ntfs/NtfsMftMap.h"
#include "storage/partitions/DiskPartitions.h"

void ResetProgramState() {
  ResetScanState();
  ResetScanFlags();
  ResetScanLogGlobals();
  ResetSourceGlobals();
  ResetVolumeGeometry();
  ResetMftMap();
  ResetDeviceHandleCache();
  ResetZeroFilledSectorCount();
  ResetCopyGlobals();
  g_ReplaceChoice = 0;
  ResetCopyCounters();
  ResetFatCopySelector();
  ResetImageGlobals();
  ResetSavingSettings();
  ResetDiskPartitions();
  FreeChangedFolderIds();
}
