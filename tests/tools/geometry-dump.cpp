// Test driver: serves an image file as "\\.\PhysicalDrive0", runs DetectVolumeGeometry for the
// volume described on the command line and prints the result and the twelve geometry values, one
// "Name<TAB>value" line each, so that integration tests can compare them with other tools.
//
// usage: geometry-dump IMAGE FILESYSTEM START_SECTOR END_SECTOR [BYTES_PER_SECTOR]
// (END_SECTOR one past the volume's last sector, as the source page sets it)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/DeviceNamespace.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"

int main(int argc, char** argv) {
  if (argc < 5 || argc > 6) {
    std::fprintf(stderr, "usage: %s IMAGE FILESYSTEM START_SECTOR END_SECTOR [BYTES_PER_SECTOR]\n",
                 argv[0]);
    return 2;
  }
  ResetSourceGlobals();
  MapDeviceToFile("\\\\.\\PhysicalDrive0", argv[1]);
  g_CurrentDevice = 0;
  g_FileSystemName = ParseFileSystemKind(std::string_view(argv[2]));
  g_SourceStartSector = std::strtoll(argv[3], nullptr, 10);
  g_SourceEndSector = std::strtoll(argv[4], nullptr, 10);
  if (argc == 6) g_BytesPerSector = static_cast<int32_t>(std::strtol(argv[5], nullptr, 10));

  const int result = DetectVolumeGeometry();
  const VolumeGeometry& g = g_VolumeGeometry;
  std::printf("Result\t%d\n", result);
  std::printf("SectorsPerMftRecord\t%u\n", g.SectorsPerMftRecord);
  std::printf("SectorsPerIndexRecord\t%u\n", g.SectorsPerIndexRecord);
  std::printf("MftStartSector\t%u\n", g.MftStartSector);
  std::printf("MftMirrorStartSector\t%u\n", g.MftMirrorStartSector);
  std::printf("SectorsPerCluster\t%u\n", g.SectorsPerCluster);
  std::printf("FatSizeSectors\t%u\n", g.FatSizeSectors);
  std::printf("RootDirectory\t%u\n", g.RootDirectory);
  std::printf("RootDirectorySectors\t%u\n", g.RootDirectorySectors);
  std::printf("ReservedSectors\t%u\n", g.ReservedSectors);
  std::printf("ClusterBaseSector\t%u\n", g.ClusterBaseSector);
  std::printf("Fat1StartSector\t%u\n", g.Fat1StartSector);
  std::printf("Fat2StartSector\t%u\n", g.Fat2StartSector);
  return 0;
}
