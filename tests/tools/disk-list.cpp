// Test driver: lists the physical disks as the source page lists them, one line per disk:
//   number<TAB>device node<TAB>name<TAB>size in bytes<TAB>model
// ("0<TAB>/dev/vda<TAB>Disk0<TAB>21474836480<TAB>Some Disk"). The node is shown as the system
// names it, below its root.
//
// usage: disk-list [--root DIR]   (DIR stands for "/", the machine's own when omitted)
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/DeviceNamespace.h"

int main(int argc, char** argv) {
  std::string root = "/";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc) {
      root = argv[++i];
    } else {
      std::fprintf(stderr, "usage: %s [--root DIR]\n", argv[0]);
      return 2;
    }
  }
  SetSystemRoot(root);
  const std::string prefix = SystemRoot() == "/" ? "" : SystemRoot();
  for (int n = 0; n <= 9; ++n) {
    const std::string name = "\\\\.\\PhysicalDrive" + std::to_string(n);
    const std::optional<std::string> node = ResolveDevicePath(name);
    const std::optional<DiskFacts> facts = QueryDiskFacts(name);
    if (!node || !facts) continue;
    std::string shown = *node;
    if (!prefix.empty() && shown.rfind(prefix, 0) == 0) shown.erase(0, prefix.size());
    std::printf("%d\t%s\tDisk%d\t%llu\t%s\n", n, shown.c_str(), n,
                static_cast<unsigned long long>(facts->sizeBytes), facts->model.c_str());
  }
  return 0;
}
