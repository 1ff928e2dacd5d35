#include "pages/source/SourceSelection.h"

#include <filesystem>

#include "pages/ModeGlobals.h"
#include "pages/source/SourceNames.h"
#include "pages/source/SourceNext.h"
#include "platform/DeviceNamespace.h"
#include "prompts/UserPrompts.h"
#include "storage/DiskImageFolder.h"
#include "storage/GeometryStore.h"
#include "storage/SourceGlobals.h"
#include "storage/partitions/DiskPartitions.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kVirtualFilePrefix = "Virtual File";
// The pieces of one image: far more than any disk needs (2 GiB each), few enough to count fast.
constexpr int kMaxImagePieces = 1 << 16;

std::string DiskName(int number) {
  return "Disk" + std::to_string(number);
}

std::string DrivePath(char letter) {
  return std::string("\\\\.\\") + letter + ":";
}

std::string DiskDevicePath(int number) {
  return "\\\\.\\PhysicalDrive" + std::to_string(number);
}

constexpr const char* kFirstDiskEntry = "\\\\.\\PhysicalDrive0";

// What every choice of a disk image holds besides its range.
SourceChoice ImageChoice(const SourceNode& node) {
  SourceChoice choice;
  choice.image = true;
  choice.imageFolder = node.imageFolder;
  choice.multiFile = node.multiFile;
  choice.bytesPerSector = node.bytesPerSector;
  choice.driveLetter = 0;
  return choice;
}

// A physical disk read through entry N of the device names in its own sector size.
SourceChoice DiskChoice(const SourceNode& node) {
  if (node.kind == SourceNodeKind::Image) return ImageChoice(node);
  SourceChoice choice;
  choice.bytesPerSector = node.bytesPerSector;
  choice.deviceName = DiskDevicePath(node.number);
  choice.identity = node.identity;
  return choice;
}

int32_t UsableSectorSize(int64_t bytes) {
  return IsValidSectorSize(bytes) ? static_cast<int32_t>(bytes) : 512;
}

bool IsVirtualFileMedia(int number) {
  const auto stored = ReadDiskGeometry(number);
  return stored && stored->mediaType.starts_with(kVirtualFilePrefix);
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  return folder;
}

bool RefusedForRights(std::string_view devicePath) {
  DeviceOpenError error = DeviceOpenError::None;
  auto device = OpenDevice(devicePath, DeviceAccess::Read, &error);
  return !device && error == DeviceOpenError::Permission;
}

}  // namespace

int64_t WholeDiskStartSector(int recoveryMode) {
  return recoveryMode == kCreateDiskImage ? 0 : 63;
}

SourceSelection::SourceSelection(FolderTreeModel& tree, SourcePageView& view,
                                 DriveCatalogue& drives)
    : m_Tree(tree), m_View(view), m_Drives(drives) {}

const SourceNode* SourceSelection::NodeOf(TreeItem item) const {
  auto it = m_Nodes.find(item);
  return it == m_Nodes.end() ? nullptr : &it->second;
}

SourceNode* SourceSelection::Find(TreeItem item) {
  auto it = m_Nodes.find(item);
  return it == m_Nodes.end() ? nullptr : &it->second;
}

void SourceSelection::RecordPartitionNodes(int disk) {
  const DiskPartitions& block = g_DiskPartitions[static_cast<size_t>(disk)];
  for (int k = 0; k < block.count && k < kMaxListedPartitions; ++k) {
    const TreeItem item = block.entries[static_cast<size_t>(k)].treeItem;
    if (item == kNoItem || !m_Tree.IsValid(item)) continue;
    SourceNode node;
    node.kind = SourceNodeKind::Partition;
    node.number = disk;
    node.partition = k;
    m_Nodes[item] = node;
  }
}

bool SourceSelection::EnumerateSources(int recoveryMode) {
  m_RecoveryMode = recoveryMode;
  m_Nodes.clear();
  m_Tree.InitRoots(1, recoveryMode, {});
  for (TreeItem group : {m_Tree.ThisPcItem(), m_Tree.RootItem(), m_Tree.LogicalDrivesItem(),
                         m_Tree.DiskImageGroupItem()})
    if (group != kNoItem) m_Nodes[group] = SourceNode{};

  // A new listing: whatever was chosen before is chosen again from it.
  ForgetSourceDevice();
  for (const LogicalDrive& drive : m_Drives.LogicalDrives()) {
    if (drive.letter < 'C' || drive.letter > 'Z') continue;
    const TreeItem item =
        m_Tree.InsertItem(m_Tree.LogicalDrivesItem(), LogicalDriveNodeText(drive), kImageDisk);
    SourceNode node;
    node.kind = SourceNodeKind::Drive;
    node.letter = drive.letter;
    node.identity = IdentifyDevice(DrivePath(drive.letter));
    m_Nodes[item] = node;
  }

  // A store that cannot be written has been reported; the disks are then left out rather than
  // listed from what an earlier run left behind.
  const bool storeWritten = PublishDiskGeometry() == 1;
  const int32_t keptSectorSize = g_BytesPerSector;
  bool refusedForRights = false;
  for (int d = 0; storeWritten && d < kGeometryEntryCount; ++d) {
    const auto stored = ReadDiskGeometry(d);
    if (!stored) continue;
    const TreeItem item = m_Tree.AddDiskNode(DiskName(d), 1);
    if (item == kNoItem) break;
    SourceNode node;
    node.kind = SourceNodeKind::Disk;
    node.number = d;
    node.bytesPerSector = UsableSectorSize(stored->bytesPerSector);
    node.sizeBytes = stored->sizeBytes;
    node.identity = IdentifyDevice(DiskDevicePath(d));
    m_Nodes[item] = node;
    if (RefusedForRights(DiskDevicePath(d))) {
      // Its table cannot be read: the disk says why instead of looking empty.
      refusedForRights = true;
      m_Nodes[m_Tree.InsertItem(item, std::string(kNeedsRightsNodeText), kImageDisk)] =
          SourceNode{};
      m_Tree.Expand(item);
      continue;
    }
    // Each disk's table is read in its own sector size, the one its choice carries.
    SourceChoice reading;
    reading.bytesPerSector = node.bytesPerSector;
    reading.firstEntry = kFirstDiskEntry;
    reading.driveLetter = 0;
    ApplySourceChoice(reading);
    m_Tree.EnumDiskPartitions(d, 0, true,
                              node.sizeBytes / static_cast<uint64_t>(node.bytesPerSector));
    RecordPartitionNodes(d);
    m_Tree.Expand(item);
  }
  SourceChoice nothing;
  nothing.bytesPerSector = keptSectorSize;
  ApplySourceChoice(nothing);
  m_RefusedForRights = refusedForRights;
  m_Tree.Expand(m_Tree.LogicalDrivesItem());
  m_Tree.Expand(m_Tree.RootItem());
  return storeWritten;
}

void SourceSelection::TellDisksRefusedForRights() {
  if (!m_RefusedForRights) return;
  m_RefusedForRights = false;
  Prompts().ViewMsgBox(kNeedsRightsText);
}

void SourceSelection::OnSourceItemClicked(TreeItem item) {
  if (!m_Tree.IsValid(item)) return;
  if (item == m_Tree.DiskImageGroupItem()) {
    ImageGroupStep();
    return;
  }
  SelectNode(item);
}

void SourceSelection::SelectNode(TreeItem item) {
  const SourceNode* found = Find(item);
  if (!found || item == m_Tree.ThisPcItem()) return;
  const SourceNode node = *found;
  switch (node.kind) {
    case SourceNodeKind::Group:
      // The note under a disk that could not be read is no source: Next asks for a disk.
      NoSource(m_Tree.Text(item) == kNeedsRightsNodeText ? std::string(kPhysicalDisksText)
                                                         : m_Tree.Text(item));
      return;
    case SourceNodeKind::Disk:
    case SourceNodeKind::Image:
      WholeDiskStep(item, node);
      return;
    case SourceNodeKind::Drive:
      LogicalDriveStep(item, node);
      return;
    case SourceNodeKind::Partition:
      // The partition step follows (OnPartitionStep), for clicks and keys alike.
      return;
  }
}

void SourceSelection::NoSource(std::string_view name) {
  SourceChoice none;
  none.name = name;
  ApplySourceChoice(none);
  m_View.ShowDiskInfo(-1);
}

void SourceSelection::WholeDiskStep(TreeItem item, const SourceNode& node) {
  (void)item;
  if (node.kind == SourceNodeKind::Image && !node.ready) {
    // Next then asks for a disk image that can be read.
    NoSource(kDiskImageText);
    return;
  }
  SourceChoice choice = DiskChoice(node);
  choice.name = DiskName(node.number);
  choice.virtualFile = IsVirtualFileMedia(node.number);
  const auto stored = ReadDiskGeometry(node.number);
  const uint64_t size = stored ? stored->sizeBytes : 0;
  choice.endSector = static_cast<int64_t>(
      std::min<uint64_t>(size / static_cast<uint64_t>(node.bytesPerSector), kMaxSourceSector));
  choice.startSector = WholeDiskStartSector(m_RecoveryMode);
  choice.fileSystem = FileSystemKind::Unknown;
  ApplySourceChoice(choice);
  m_View.ShowDiskInfo(node.number);
}

void SourceSelection::LogicalDriveStep(TreeItem item, const SourceNode& node) {
  SourceChoice choice;
  choice.name = m_Tree.Text(item);
  choice.driveLetter = node.letter;
  choice.firstEntry = DrivePath(node.letter);
  choice.device = 0;
  choice.deviceName = DrivePath(node.letter);
  choice.identity = node.identity;
  // The drive's own sector size before its boot sector is read.
  DiskGeometry geometry;
  choice.bytesPerSector = g_BytesPerSector;
  if (QueryDriveGeometry(DrivePath(node.letter), geometry) &&
      IsValidSectorSize(geometry.bytesPerSector))
    choice.bytesPerSector = static_cast<int32_t>(geometry.bytesPerSector);
  ApplySourceChoice(choice);
  const uint64_t sectors = geometry.sizeBytes / static_cast<uint64_t>(*choice.bytesPerSector);
  m_Tree.EnumDiskPartitions(0, 0, false, sectors);
  const DiskPartitions& block = g_DiskPartitions[0];
  if (block.count > 0) {
    choice.startSector =
        static_cast<int64_t>(std::min<uint64_t>(block.entries[0].startSector, kMaxSourceSector));
    choice.endSector =
        static_cast<int64_t>(std::min<uint64_t>(block.entries[0].endSector, kMaxSourceSector));
    choice.fileSystem = block.names[0];
    // Not a file system the program reads otherwise: Next asks for a partition type.
    ApplySourceChoice(choice);
  }
  if (const auto drive = m_Drives.Drive(node.letter)) {
    m_View.ShowVolumeInfo(*drive);
  } else {
    LogicalDrive gone;
    gone.letter = node.letter;
    m_View.ShowVolumeInfo(gone);
  }
}

void SourceSelection::OnPartitionStep(TreeItem item) {
  const SourceNode* found = Find(item);
  if (!found || found->kind != SourceNodeKind::Partition) return;
  const SourceNode partition = *found;
  const TreeItem parentItem = m_Tree.Parent(item);
  const SourceNode* parent = Find(parentItem);
  if (!parent) return;
  const SourceNode disk = *parent;
  const int n = partition.number;
  // The disk's table is read again through the chosen disk's name, held to its identity.
  SourceChoice choice = DiskChoice(disk);
  choice.nodeText = m_Tree.Text(item);
  choice.name = DiskName(n);
  choice.virtualFile = IsVirtualFileMedia(n);
  choice.firstEntry = kFirstDiskEntry;
  ApplySourceChoice(choice);
  m_Tree.EnumDiskPartitions(n, 0, false,
                            disk.sizeBytes / static_cast<uint64_t>(disk.bytesPerSector));
  const DiskPartitions& block = g_DiskPartitions[static_cast<size_t>(n)];
  for (int k = 0; k < block.count && k < kMaxListedPartitions; ++k) {
    const PartitionEntry& e = block.entries[static_cast<size_t>(k)];
    if (e.treeItem != item) continue;
    choice.device = static_cast<int16_t>(n);
    choice.diskNumber = static_cast<int16_t>(n);
    choice.startSector = static_cast<int64_t>(std::min<uint64_t>(e.startSector, kMaxSourceSector));
    choice.endSector = static_cast<int64_t>(std::min<uint64_t>(e.endSector, kMaxSourceSector));
    choice.partitionIndex = static_cast<int16_t>(k);
    choice.fileSystem = block.names[static_cast<size_t>(k)];
    ApplySourceChoice(choice);
    m_View.ShowPartitionInfo();
    return;
  }
  // The table no longer lists this partition: nothing is chosen.
  m_View.ShowDiskInfo(-1);
}

void SourceSelection::ImageGroupStep() {
  const auto folder = m_View.ChooseImageFolder();
  // Cancelled: the source chosen before stays chosen.
  if (!folder) return;
  NoSource(kDiskImageText);
  AddImageFolder(*folder);
}

TreeItem SourceSelection::AddImageFolder(const std::string& folder) {
  const std::string first = WithSlash(folder) + std::string(kFirstPieceName);
  const TreeItem item = m_Tree.AddImageNode(first);
  if (item == kNoItem) return kNoItem;
  SourceNode node;
  node.kind = SourceNodeKind::Image;
  node.ready = false;
  m_Nodes[item] = node;
  std::error_code error;
  if (!fs::is_regular_file(first, error)) {
    Prompts().ViewMsgBox(kImagePathNotFoundText);
    NoSource("");
    return item;
  }
  if (SetUpImage(item, folder)) SelectNode(item);
  m_Tree.Expand(item);
  return item;
}

bool SourceSelection::SetUpImage(TreeItem item, const std::string& folder) {
  SourceNode& node = m_Nodes[item];
  int32_t bytesPerSector = 512;
  if (ReadImageBytesPerSector(folder, bytesPerSector) != 1) {
    Prompts().ViewMsgBox(kImageSectorSizeText);
    NoSource("");
    return false;
  }
  uint64_t total = 0;
  int pieces = 0;
  for (; pieces < kMaxImagePieces; ++pieces) {
    const fs::path piece = fs::path(folder) / ImagePieceName(kImagePieceBase, pieces);
    std::error_code error;
    if (!fs::exists(piece, error)) break;
    const uintmax_t size = fs::file_size(piece, error);
    if (!error) total += size;
  }
  // The entry takes the first free number, so an image never shares a number with a disk.
  const int entry =
      AddDiskImageGeometry(kDiskImageText, total, static_cast<uint32_t>(bytesPerSector));
  if (entry < 0 || entry >= kPartitionDiskCount) {
    NoSource("");
    return false;
  }
  node.kind = SourceNodeKind::Image;
  node.number = entry;
  node.imageFolder = WithSlash(folder);
  node.bytesPerSector = bytesPerSector;
  node.multiFile = pieces > 1;
  node.sizeBytes = total;
  node.ready = true;
  SourceChoice reading = ImageChoice(node);
  reading.name = DiskName(entry);
  reading.firstEntry = kFirstDiskEntry;
  ApplySourceChoice(reading);
  m_Tree.EnumDiskPartitions(entry, 0, true, total / static_cast<uint64_t>(bytesPerSector));
  RecordPartitionNodes(entry);
  return true;
}

void SourceSelection::OnKeyNavigate(TreeItem item) {
  if (!m_Tree.IsValid(item) || item == m_Tree.ThisPcItem()) return;
  if (item == m_Tree.DiskImageGroupItem()) {
    ImageFileByKey();
    return;
  }
  // The arrow keys choose what they move to, as a click on it would.
  SelectNode(item);
  OnPartitionStep(item);
}

void SourceSelection::ImageFileByKey() {
  const TreeItem group = m_Tree.DiskImageGroupItem();
  for (;;) {
    const auto path = m_View.ChooseImageFile();
    if (!path) return;
    bool listed = false;
    for (TreeItem c = m_Tree.FirstChild(group); c != kNoItem; c = m_Tree.NextSibling(c))
      if (m_Tree.Text(c) == *path) listed = true;
    if (listed) {
      Prompts().ViewMsgBox(kImageAlreadyListedText);
      continue;
    }
    const TreeItem item = m_Tree.AddImageNode(*path);
    if (item == kNoItem) return;
    SourceNode node;
    node.kind = SourceNodeKind::Image;
    node.ready = false;
    m_Nodes[item] = node;
    // A piece of one of the program's images is read through its folder, as the folder choice
    // does; any other file cannot be read as a disk and stays unusable.
    const fs::path chosen(*path);
    const std::string name = chosen.filename().string();
    const bool isPiece = ImagePieceNumber(name, kImagePieceBase).has_value();
    const std::string folder = chosen.parent_path().string();
    std::error_code error;
    if (isPiece && fs::is_regular_file(fs::path(folder) / std::string(kFirstPieceName), error) &&
        SetUpImage(item, folder)) {
      SelectNode(item);
      m_Tree.Expand(item);
    } else {
      NoSource(kDiskImageText);
    }
    m_View.ShowImageFileTimes(*path);
    return;
  }
}
