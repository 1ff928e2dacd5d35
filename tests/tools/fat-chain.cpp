// Test driver: prints the FAT cluster chains of the given first clusters on an image.
//
//   fat-chain --image FILE --fs FAT12|FAT16|FAT32 [--start S] [--end E] [--bps N] CLUSTER...
//   (E one past the volume's last sector; the whole file when omitted)
//
// One line per cluster: "FIRST<TAB>c1 c2 c3 ...", the chain as the scans and the copy follow it
// from the first FAT.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/DeviceNamespace.h"
#include "storage/fat/FatChain.h"
#include "storage/fat/FatVolume.h"
#include "storage/SourceGlobals.h"
#include "storage/VolumeGeometry.h"

int main(int argc, char** argv) {
  std::string image, fs;
  int64_t start = 0, end = -1;
  int32_t bps = 512;
  std::vector<uint32_t> clusters;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) std::exit(2);
      return argv[++i];
    };
    if (a == "--image")
      image = value();
    else if (a == "--fs")
      fs = value();
    else if (a == "--start")
      start = std::strtoll(value().c_str(), nullptr, 10);
    else if (a == "--end")
      end = std::strtoll(value().c_str(), nullptr, 10);
    else if (a == "--bps")
      bps = static_cast<int32_t>(std::strtol(value().c_str(), nullptr, 10));
    else
      clusters.push_back(static_cast<uint32_t>(std::strtoul(a.c_str(), nullptr, 10)));
  }
  struct stat st {};
  if (image.empty() || fs.empty() || ::stat(image.c_str(), &st) != 0) {
    std::fprintf(stderr,
                 "usage: fat-chain --image FILE --fs FAT16|FAT32 [--start S] [--end E] "
                 "CLUSTER...\n");
    return 2;
  }
  ResetSourceGlobals();
  MapDeviceToFile("\\\\.\\PhysicalDrive0", image);
  g_CurrentDevice = 0;
  g_BytesPerSector = bps;
  g_SourceStartSector = start;
  g_SourceEndSector = end >= 0 ? end : st.st_size / bps;  // one past the last sector
  g_FileSystemName = ParseFileSystemKind(fs);
  if (!DetectVolumeGeometry()) {
    std::fprintf(stderr, "fat-chain: no %s volume at sector %lld\n", fs.c_str(),
                 static_cast<long long>(start));
    return 1;
  }
  const FatVolume volume = DescribeFatVolume(g_FileSystemName, g_VolumeGeometry);
  for (uint32_t first : clusters) {
    ClusterList chain;
    FollowFatChain(volume, chain, first, 0);
    std::printf("%u\t", first);
    for (const ClusterNode* n = chain.head(); n; n = n->next)
      std::printf("%s%u", n == chain.head() ? "" : " ", n->cluster);
    std::printf("\n");
  }
  return 0;
}
