// Test driver: writes the sectors of a virtual disk to standard output, read through ReadSectors
// as a scan reads them.
//
//   vdisk-cat FILE [START COUNT]
//
// FILE is chosen as the virtual-path dialog chooses it (the readers probed in their order; a
// ".vbox" file stands for the disk it names; a name ending in ".vmdk" is taken as VMDK). A refusal
// prints the dialog's message on stderr and exits 1. Without START and COUNT the whole disk is
// written. A sector the reader could not deliver is written as zeros, named on stderr as
// "unreadable START COUNT", and the exit code is 3.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "storage/VirtualDiskProbe.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: vdisk-cat FILE [START COUNT]\n");
    return 2;
  }
  ResetSourceGlobals();
  const std::string refusal = OpenVirtualDiskSource(argv[1]);
  if (!refusal.empty()) {
    std::fprintf(stderr, "%s\n", refusal.c_str());
    return 1;
  }
  const int64_t diskSectors = g_SourceEndSector;  // one past the last sector
  int64_t start = 0;
  int64_t count = diskSectors;
  if (argc == 4) {
    start = std::strtoll(argv[2], nullptr, 10);
    count = std::strtoll(argv[3], nullptr, 10);
  }
  // The run the copy and the scans use most; large enough that stdout is not the bottleneck.
  constexpr uint32_t kRun = 2048;
  std::vector<std::byte> buffer(kRun * 512);
  int exitCode = 0;
  for (int64_t done = 0; done < count;) {
    const auto run = static_cast<uint32_t>(std::min<int64_t>(kRun, count - done));
    if (ReadSectors(CurrentDevicePath(), start + done, run, buffer) != 1) {
      std::fprintf(stderr, "unreadable %lld %u\n", static_cast<long long>(start + done), run);
      exitCode = 3;
    }
    if (std::fwrite(buffer.data(), 1, run * size_t{512}, stdout) != run * size_t{512}) return 4;
    done += run;
  }
  return std::fflush(stdout) == 0 ? exitCode : 4;
}
