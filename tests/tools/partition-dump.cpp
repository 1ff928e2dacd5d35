// Test driver for the partition enumeration, run on a disk as the source page runs it.
//
//   partition-dump --image FILE [--bps N]
//
// FILE is a raw disk file, served as "\\.\PhysicalDrive0" with sectors of N bytes (default 512),
// or a disk-image folder (DiskImage0.dmg, ... and an optional bps.dmg naming its sector size).
// Prints one line per listed partition, "k<TAB>kind<TAB>start<TAB>end" (k from 1, end one past
// the last sector), then "count N". Exits 0, or 3 when the first sector has no boot signature.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/DeviceNamespace.h"
#include "prompts/UserPrompts.h"
#include "saving/ProgramState.h"
#include "storage/DiskImageFolder.h"
#include "storage/SourceGlobals.h"
#include "storage/partitions/DiskPartitions.h"
#include "storage/partitions/PartitionEnum.h"

namespace {

constexpr const char* kDiskName = "\\\\.\\PhysicalDrive0";

// Bad sectors are skipped without a question: the walk classifies the zeros it gets.
class ToolPrompts final : public UserPrompts {
 public:
  void ViewMsgBox(std::string_view text) override {
    std::fprintf(stderr, "notice: %.*s\n", static_cast<int>(text.size()), text.data());
  }
  int ViewQuestionMsg(std::string_view) override { return 2; }
  int AskBadSector() override { return 3; }
  void FatalBox(std::string_view, std::string_view) override {}
};

int Usage() {
  std::fprintf(stderr, "usage: partition-dump --image FILE [--bps N]\n");
  return 2;
}

uint64_t FileBytes(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

// The sectors of a disk-image folder: every piece from DiskImage0.dmg on, as the reader finds them.
uint64_t ImageFolderBytes(const std::string& folder) {
  uint64_t total = 0;
  for (int piece = 0;; ++piece) {
    const std::string path = folder + "/DiskImage" + std::to_string(piece) + ".dmg";
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return total;
    total += static_cast<uint64_t>(st.st_size);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string image;
  int32_t bps = 512;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--image") && i + 1 < argc)
      image = argv[++i];
    else if (!std::strcmp(argv[i], "--bps") && i + 1 < argc)
      bps = static_cast<int32_t>(std::strtol(argv[++i], nullptr, 10));
    else
      return Usage();
  }
  if (image.empty()) return Usage();

  ResetProgramState();
  ToolPrompts prompts;
  SetUserPrompts(&prompts);

  struct stat st {};
  if (::stat(image.c_str(), &st) != 0) {
    std::fprintf(stderr, "partition-dump: cannot open %s\n", image.c_str());
    return 1;
  }
  uint64_t bytes = 0;
  if (S_ISDIR(st.st_mode)) {
    if (!ReadImageBytesPerSector(image, bps)) {
      std::fprintf(stderr, "partition-dump: bad bps.dmg in %s\n", image.c_str());
      return 1;
    }
    g_DiskImageSource = 1;
    g_SourceImageFolder = image;
    bytes = ImageFolderBytes(image);
  } else {
    if (!IsValidSectorSize(bps)) return Usage();
    MapDeviceToFile(kDiskName, image);
    bytes = FileBytes(image);
  }
  g_BytesPerSector = bps;
  SetDevicePath(0, kDiskName);

  const int result = EnumDiskPartitions(0, 0, false, nullptr, bytes / static_cast<uint64_t>(bps));
  const DiskPartitions& block = g_DiskPartitions[0];
  for (int k = 0; k < block.count; ++k) {
    const auto& e = block.entries[static_cast<size_t>(k)];
    const std::string_view kind = FileSystemKindText(block.names[static_cast<size_t>(k)]);
    std::printf("%d\t%.*s\t%llu\t%llu\n", k + 1, static_cast<int>(kind.size()), kind.data(),
                static_cast<unsigned long long>(e.startSector),
                static_cast<unsigned long long>(e.endSector));
  }
  std::printf("count %d\n", block.count);
  SetUserPrompts(nullptr);
  return result == 1 ? 0 : 3;
}
