// Test driver for the disk-image worker on real files. The source file is served as
// "\\.\PhysicalDrive0"; a target file given to --to-disk stands in for "\\.\PhysicalDrive1".
//
//   image-dump (--image FILE | --device NAME) --start S --end E
//              (--to DIR [--multi] | --to-disk FILE|NAME)
//              [--bps N]              sector size of the source (default 512)
//              [--piece-bytes N]      smaller image pieces than the real 2 GiB (tests only)
//              [--bad-sectors A,B]    source sectors whose reads fail
//              [--bad-target-sectors A,B]  target-disk sectors whose writes fail
//              [--bad-answer retry|skip|retryall|skipall]  bad-sector answer (default skip)
//              [--answer skip|skipall|abort|close]         copy-error answer (default skip)
//              [--read-back]          read the written image back through the sector path
//
// Prints the notice ("notice: ..."), every copy-error question ("copy-error question"), a result
// line, the run's failure and note when there are any, and with --read-back either
// "read-back equal" or the first differing sector.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/DeviceNamespace.h"
#include "platform/FakeDevices.h"
#include "prompts/UserPrompts.h"
#include "prompts/CopyErrorPrompt.h"
#include "prompts/CopyGlobals.h"
#include "saving/imaging/DiskImageWorker.h"
#include "saving/imaging/ImageGlobals.h"
#include "storage/DiskImageFolder.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"
#include "saving/ProgramState.h"

namespace {

constexpr const char* kSourceName = "\\\\.\\PhysicalDrive0";
constexpr const char* kTargetName = "\\\\.\\PhysicalDrive1";

class ToolPrompts final : public UserPrompts {
 public:
  void ViewMsgBox(std::string_view text) override {
    std::printf("notice: %.*s\n", static_cast<int>(text.size()), text.data());
  }
  int ViewQuestionMsg(std::string_view) override { return 2; }
  int AskBadSector() override {
    std::printf("bad-sector question\n");
    return badSectorAnswer;
  }
  void FatalBox(std::string_view, std::string_view) override {}
  int badSectorAnswer = 1;
};

class ToolCopyErrors final : public CopyErrorPrompt {
 public:
  CopyErrorAnswer AskCopyError() override {
    std::printf("copy-error question\n");
    return answer;
  }
  CopyErrorAnswer answer = CopyErrorAnswer::Skip;
};

std::set<uint64_t> SectorList(const std::string& text) {
  std::set<uint64_t> out;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ','))
    if (!item.empty()) out.insert(std::strtoull(item.c_str(), nullptr, 10));
  return out;
}

// Serves file as name, failing the given sectors when there are any.
void Serve(const char* name, const std::string& file, const std::set<uint64_t>& bad, uint32_t bps) {
  if (bad.empty()) {
    MapDeviceToFile(name, file);
    return;
  }
  auto plan = std::make_shared<FaultPlan>();
  plan->sectorSize = bps;
  plan->badSectors = bad;
  MapDeviceToFactory(name, [file, plan](DeviceAccess access) -> std::unique_ptr<RawDevice> {
    auto inner = OpenFileDevice(file, access);
    if (!inner) return nullptr;
    return std::make_unique<FaultyDevice>(std::move(inner), plan);
  });
}

int Usage(const char* argv0) {
  std::fprintf(stderr,
               "usage: %s (--image FILE | --device NAME) --start S --end E (--to DIR [--multi] | "
               "--to-disk FILE|NAME) [--bps N] [--piece-bytes N] [--bad-sectors LIST] "
               "[--bad-target-sectors LIST] [--bad-answer retry|skip|retryall|skipall] "
               "[--answer skip|skipall|abort|close] [--read-back]\n",
               argv0);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string image, device, toDir, toDisk, badSectors, badTarget;
  int64_t start = -1, end = -1, pieceBytes = 0;
  int32_t bps = 512;
  bool multi = false, readBack = false;
  ToolPrompts prompts;
  ToolCopyErrors copyErrors;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
    if (arg == "--image")
      image = value();
    else if (arg == "--device")
      device = value();
    else if (arg == "--start")
      start = std::strtoll(value().c_str(), nullptr, 10);
    else if (arg == "--end")
      end = std::strtoll(value().c_str(), nullptr, 10);
    else if (arg == "--to")
      toDir = value();
    else if (arg == "--to-disk")
      toDisk = value();
    else if (arg == "--multi")
      multi = true;
    else if (arg == "--bps")
      bps = static_cast<int32_t>(std::strtol(value().c_str(), nullptr, 10));
    else if (arg == "--piece-bytes")
      pieceBytes = std::strtoll(value().c_str(), nullptr, 10);
    else if (arg == "--bad-sectors")
      badSectors = value();
    else if (arg == "--bad-target-sectors")
      badTarget = value();
    else if (arg == "--read-back")
      readBack = true;
    else if (arg == "--bad-answer") {
      const std::string a = value();
      prompts.badSectorAnswer = a == "retry" ? 0 : a == "retryall" ? 2 : a == "skipall" ? 3 : 1;
    } else if (arg == "--answer") {
      const std::string a = value();
      copyErrors.answer = a == "skipall" ? CopyErrorAnswer::SkipAll
                          : a == "abort" ? CopyErrorAnswer::Abort
                          : a == "close" ? CopyErrorAnswer::Closed
                                         : CopyErrorAnswer::Skip;
    } else {
      return Usage(argv[0]);
    }
  }
  if (image.empty() == device.empty() || toDir.empty() == toDisk.empty() || start < 0 || end < 0)
    return Usage(argv[0]);

  ResetProgramState();
  SetUserPrompts(&prompts);
  SetCopyErrorPrompt(&copyErrors);
  SetImagePieceBytesForTest(pieceBytes);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);

  g_BytesPerSector = bps;
  g_SourceStartSector = start;
  g_SourceEndSector = end;
  g_CurrentDevice = 0;
  if (!image.empty()) {
    Serve(kSourceName, image, SectorList(badSectors), static_cast<uint32_t>(bps));
  } else if (!SetDevicePath(0, device)) {
    std::fprintf(stderr, "bad device name %s\n", device.c_str());
    return 2;
  }
  if (!toDisk.empty()) {
    g_ImageToDisk = 1;
    if (toDisk.rfind("\\\\.\\PhysicalDrive", 0) == 0 && toDisk.size() == 18) {
      g_ImageTargetDisk = toDisk.back() - '0';
    } else {
      Serve(kTargetName, toDisk, SectorList(badTarget), static_cast<uint32_t>(bps));
      g_ImageTargetDisk = 1;
    }
    g_ImageTargetLabel = "Disk" + std::to_string(g_ImageTargetDisk) + " - test target";
  } else {
    g_ImageToDisk = 0;
    g_ImageMultiFile = multi ? 1 : 0;
    g_ImagePath = toDir + "/DiskImage.dmg";
  }

  ScanControl control;
  ScanObserver observer;
  ScanJob job{control, observer, ProgressThrottle(ProgressThrottle::kImagePeriod)};
  const DiskImageResult r = DiskImageThread(job);
  std::printf("result success=%d position=%lld unread=%llu not-written=%llu pieces=%d\n",
              r.success ? 1 : 0, static_cast<long long>(r.position),
              static_cast<unsigned long long>(r.sectorsUnread),
              static_cast<unsigned long long>(r.sectorsNotWritten), r.piecesCreated);
  if (!r.failure.empty()) std::printf("failure: %s\n", r.failure.c_str());
  if (const std::string note = DiskImageRunNote(r); !note.empty())
    std::printf("note: %s\n", note.c_str());

  if (readBack && !toDir.empty() && !image.empty()) {
    // The folder becomes the source, as the source page sets it for a disk image.
    const int32_t sourceBps = bps;
    ResetSourceGlobals();
    g_DiskImageSource = 1;
    g_ImageMultiFile = multi ? 1 : 0;
    g_SourceImageFolder = toDir;
    int32_t imageBps = 0;
    if (!ReadImageBytesPerSector(toDir, imageBps) || imageBps != sourceBps) {
      std::printf("read-back sector size %d, want %d\n", imageBps, sourceBps);
      return 0;
    }
    g_BytesPerSector = imageBps;
    auto file = OpenFileDevice(image, DeviceAccess::Read);
    if (!file) return 1;
    // Runs of an odd length so that many of them cross piece ends.
    constexpr uint32_t kRun = 999;
    std::vector<std::byte> got(static_cast<size_t>(kRun) * imageBps), want(got.size());
    for (int64_t at = 0; at < end - start; at += kRun) {
      const auto n = static_cast<uint32_t>(std::min<int64_t>(kRun, end - start - at));
      const size_t bytes = static_cast<size_t>(n) * imageBps;
      std::fill(want.begin(), want.end(), std::byte{0});
      file->ReadAt(static_cast<uint64_t>(start + at) * imageBps, std::span(want).first(bytes));
      ReadSectors(kSourceName, at, n, got);
      if (std::memcmp(got.data(), want.data(), bytes) != 0) {
        for (uint32_t s = 0; s < n; ++s)
          if (std::memcmp(got.data() + s * imageBps, want.data() + s * imageBps, imageBps) != 0) {
            std::printf("read-back differs at image sector %lld\n", static_cast<long long>(at + s));
            return 0;
          }
      }
    }
    std::printf("read-back equal\n");
  }
  return 0;
}
