#include "engine/scans/ScanSource.h"

#include "engine/records/ScanState.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/SourceSize.h"

ScanSource TakeScanSource() {
  ScanSource s;
  s.device = std::string(CurrentDevicePath());
  s.sectorBytes = static_cast<uint32_t>(ReadSizeBytes(1));
  s.startSector = g_SourceStartSector;
  s.endSector = g_SourceEndSector;
  s.rangeEnd = SourceRangeEnd();
  s.fileSystem = g_ScanState.fileSystem;
  s.geometry = g_VolumeGeometry;
  s.ntfsVolume = CurrentNtfsVolume();
  return s;
}
