#include "storage/VirtualDiskProbe.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "storage/SourceGlobals.h"
#include "storage/vdisk/VboxLocation.h"
#include "storage/vdisk/vhd/VhdParents.h"

namespace {

bool EndsWithNoCase(const std::string& text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

// The formats the probe tries, in its order.
constexpr std::array kProbeOrder = {VirtualDiskFormat::Qcow,      VirtualDiskFormat::Qed,
                                    VirtualDiskFormat::Parallels, VirtualDiskFormat::Vdi,
                                    VirtualDiskFormat::Vhd,       VirtualDiskFormat::Vhdx};

// The VMDK reader's create types that the program reads.
constexpr std::array<std::string_view, 6> kReadableVmdkTypes = {"twoGbMaxExtentSparse",
                                                                "twoGbMaxExtentFlat",
                                                                "monolithicSparse",
                                                                "monolithicFlat",
                                                                "vmfs",
                                                                "flat"};

std::string CheckVhdChain() {
  VirtualDiskReaders& r = TheVirtualDiskReaders();
  switch (OpenVhdParents(r.vhd, g_VirtualDiskPath, r.vhdParent, r.vhdGrandparent)) {
    case VhdParentResult::Opened:
      return {};
    case VhdParentResult::NotFound:
      return kParentFileNotFound;
    case VhdParentResult::InUse:
      return kParentFileShared;
    case VhdParentResult::Damaged:
      return kParentFileCorrupted;
  }
  return kParentFileCorrupted;
}

std::string CheckVmdk() {
  VirtualDiskReader* vmdk = ReaderObjectOf(VirtualDiskFormat::Vmdk);
  std::string type;
  const int opened = vmdk ? vmdk->Open(g_VirtualDiskPath, &type) : 2;
  switch (opened) {
    case 3:
      return kVirtualFileShared;
    case 2:
      return type == kVmdkNeedsParentType ? kVirtualFileNeedsParent : kSelectValidFile;
    case 1:
      if (type == "Damaged") return kVirtualFileCorrupted;
      if (std::find(kReadableVmdkTypes.begin(), kReadableVmdkTypes.end(), type) ==
          kReadableVmdkTypes.end())
        return kChooseCorrectFile;
      return {};
    default:
      return kVirtualFileCorrupted;
  }
}

}  // namespace

VirtualDiskReaders& TheVirtualDiskReaders() {
  static VirtualDiskReaders readers;
  return readers;
}

VirtualDiskReader* ReaderObjectOf(VirtualDiskFormat format) {
  VirtualDiskReaders& r = TheVirtualDiskReaders();
  switch (format) {
    case VirtualDiskFormat::Qcow:
      return &r.qcow;
    case VirtualDiskFormat::Qed:
      return &r.qed;
    case VirtualDiskFormat::Vhd:
      return &r.vhd;
    case VirtualDiskFormat::Parallels:
      return &r.parallels;
    case VirtualDiskFormat::Vdi:
      return &r.vdi;
    case VirtualDiskFormat::Vhdx:
      return &r.vhdx;
    case VirtualDiskFormat::Vmdk:
      return &r.vmdk;
  }
  return nullptr;
}

int ProbeVirtualDisk(const std::string& path) {
  int result = 0;
  for (VirtualDiskFormat format : kProbeOrder) {
    VirtualDiskReader* reader = ReaderObjectOf(format);
    if (!reader) continue;
    result = reader->Open(path, nullptr);
    if (result == 1 || result == 2) {
      g_VirtualDiskType = format;
      return result;
    }
    reader->Close();
    if (result == 3 && format == VirtualDiskFormat::Qcow) return result;
  }
  g_VirtualDiskType = VirtualDiskFormat::Vmdk;
  return result;
}

int ChooseVirtualDiskPath(const std::string& path) {
  g_VirtualDiskPath = path;
  g_VirtualBoxFilePath.clear();
  if (EndsWithNoCase(path, ".vbox")) {
    g_VirtualBoxFilePath = path;
    if (std::string disk = ReadVboxDiskLocation(path); !disk.empty())
      g_VirtualDiskPath = std::move(disk);
  }
  if (g_VirtualDiskPath.empty()) return 0;
  return ProbeVirtualDisk(g_VirtualDiskPath);
}

std::string CheckVirtualDiskChoice(int probeResult) {
  if (g_VirtualDiskPath.empty()) return kVirtualPathMissing;
  if (probeResult == 3) return kVirtualFileShared;
  std::string refusal;
  switch (g_VirtualDiskType) {
    case VirtualDiskFormat::Vmdk:
      refusal = CheckVmdk();
      break;
    case VirtualDiskFormat::Vhd:
      refusal = probeResult == 2 ? kVirtualFileCorrupted : CheckVhdChain();
      break;
    case VirtualDiskFormat::Qcow:
    case VirtualDiskFormat::Qed:
      if (probeResult == 2) {
        const auto* image = static_cast<const ClusteredImage*>(ReaderObjectOf(g_VirtualDiskType));
        refusal = image->NeedsBackingFile() ? kVirtualFileNeedsBacking : kVirtualFileCorrupted;
      }
      break;
    default:
      if (probeResult == 2) refusal = kVirtualFileCorrupted;
      break;
  }
  if (refusal.empty()) SetVirtualDiskReader(g_VirtualDiskType, ReaderObjectOf(g_VirtualDiskType));
  return refusal;
}

std::string OpenVirtualDiskSource(const std::string& path) {
  int probe = 0;
  if (EndsWithNoCase(path, ".vmdk")) {
    g_VirtualDiskPath = path;
    g_VirtualBoxFilePath.clear();
    g_VirtualDiskType = VirtualDiskFormat::Vmdk;
  } else {
    probe = ChooseVirtualDiskPath(path);
  }
  std::string refusal = CheckVirtualDiskChoice(probe);
  if (!refusal.empty()) return refusal;
  VirtualDiskReader* reader = ReaderObjectOf(g_VirtualDiskType);
  const uint64_t sectors = reader ? reader->DiskSizeBytes() / 512 : 0;
  g_VirtualDiskMode = 1;
  g_BytesPerSector = 512;
  g_SourceStartSector = 0;
  // One past the disk's last sector, as every source sets it.
  g_SourceEndSector = static_cast<int64_t>(sectors);
  return {};
}
