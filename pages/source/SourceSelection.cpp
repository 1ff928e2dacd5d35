#include "pages/source/SourceSelection.h"

#include <filesystem>

#include "pages/ModeGlobals.h"
#include "pages/source/SourceNames.h"
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

  for (const LogicalDrive& drive : m_Drives.LogicalDrives()) {
    if (drive.letter < 'C' || drive.letter > 'Z') continue;
    const TreeItem item =
        m_Tree.InsertItem(m_Tree.LogicalDrivesItem(), LogicalDriveNodeText(drive), kImageDisk);
    SourceNode node;
    node.kind = SourceNodeKind::Drive;
    node.letter = drive.letter;
    m_Nodes[item] = node;
  }

  // A store that cannot be written has been reported; the disks are then left out rather than
  // listed from what an earlier run left behind.
  const bool storeWritten = PublishDiskGeometry() == 1;
  const int32_t keptSectorSize = g_BytesPerSector;
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
    m_Nodes[item] = node;
    SetDevicePath(0, "\\\\.\\PhysicalDrive0");
    g_SourceEndSector = 0;
    g_SourceDriveLetter = 0;
    g_DiskImageSource = 0;
    // Each disk's table is read in its own sector size.
    g_BytesPerSector = node.bytesPerSector;
    m_Tree.EnumDiskPartitions(d, 0, true,
                              node.sizeBytes / static_cast<uint64_t>(node.bytesPerSector));
    RecordPartitionNodes(d);
    m_Tree.Expand(item);
  }
  g_BytesPerSector = keptSectorSize;
  m_Tree.Expand(m_Tree.LogicalDrivesItem());
  m_Tree.Expand(m_Tree.RootItem());
  return storeWritten;
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
  // Name bookkeeping: a partition is named by its disk, and its own text is kept beside.
  g_SourceNodeText.clear();
  switch (node.kind) {
    case SourceNodeKind::Group:
      g_SourceName = m_Tree.Text(item);
      g_DiskImageSource = 0;
      g_VirtualDiskMode = 0;
      g_FileSystemName = FileSystemKind::None;
      g_SourceStartSector = 0;
      g_SourceEndSector = 0;
      g_SelectedPartitionIndex = -1;
      m_View.ShowDiskInfo(-1);
      return;
    case SourceNodeKind::Disk:
    case SourceNodeKind::Image:
      WholeDiskStep(item, node);
      return;
    case SourceNodeKind::Drive:
      g_SourceName = m_Tree.Text(item);
      g_DiskImageSource = 0;
      LogicalDriveStep(node);
      return;
    case SourceNodeKind::Partition:
      // The partition step follows (OnPartitionStep), for clicks and keys alike.
      g_SourceNodeText = m_Tree.Text(item);
      return;
  }
}

void SourceSelection::NoSource(std::string_view name) {
  g_SourceName = name;
  g_DiskImageSource = 0;
  g_FileSystemName = FileSystemKind::None;
  g_SourceStartSector = 0;
  g_SourceEndSector = 0;
  g_SelectedPartitionIndex = -1;
  m_View.ShowDiskInfo(-1);
}

void SourceSelection::UseImage(const SourceNode& node) {
  g_DiskImageSource = 1;
  g_SourceImageFolder = node.imageFolder;
  g_DiskImagePath = WithSlash(node.imageFolder) + std::string(kFirstPieceName);
  g_BytesPerSector = node.bytesPerSector;
  g_ImageMultiFile = node.multiFile ? 1 : 0;
  g_SourceDriveLetter = 0;
}

void SourceSelection::WholeDiskStep(TreeItem item, const SourceNode& node) {
  (void)item;
  g_VirtualDiskMode = 0;
  g_FileSystemName = FileSystemKind::None;
  g_SourceStartSector = 0;
  g_SourceEndSector = 0;
  g_SelectedPartitionIndex = -1;
  if (node.kind == SourceNodeKind::Image && !node.ready) {
    // Next then asks for a disk image that can be read.
    NoSource(kDiskImageText);
    return;
  }
  g_SourceName = DiskName(node.number);
  if (node.kind == SourceNodeKind::Image) {
    UseImage(node);
  } else {
    g_DiskImageSource = 0;
    g_BytesPerSector = node.bytesPerSector;
  }
  g_VirtualDiskMode = IsVirtualFileMedia(node.number) ? 1 : 0;
  const auto stored = ReadDiskGeometry(node.number);
  const uint64_t size = stored ? stored->sizeBytes : 0;
  g_SourceEndSector = static_cast<int64_t>(
      std::min<uint64_t>(size / static_cast<uint64_t>(g_BytesPerSector), kMaxSourceSector));
  g_SourceStartSector = WholeDiskStartSector(m_RecoveryMode);
  g_FileSystemName = FileSystemKind::Unknown;
  m_View.ShowDiskInfo(node.number);
}

void SourceSelection::LogicalDriveStep(const SourceNode& node) {
  g_SourceDriveLetter = node.letter;
  SetDevicePath(0, DrivePath(node.letter));
  g_CurrentDevice = 0;
  g_SourceEndSector = 0;
  g_VirtualDiskMode = 0;
  // The drive's own sector size before its boot sector is read.
  DiskGeometry geometry;
  if (QueryDriveGeometry(DrivePath(node.letter), geometry) &&
      IsValidSectorSize(geometry.bytesPerSector))
    g_BytesPerSector = static_cast<int32_t>(geometry.bytesPerSector);
  const uint64_t sectors = geometry.sizeBytes / static_cast<uint64_t>(g_BytesPerSector);
  m_Tree.EnumDiskPartitions(0, 0, false, sectors);
  const DiskPartitions& block = g_DiskPartitions[0];
  if (block.count > 0) {
    g_SourceStartSector =
        static_cast<int64_t>(std::min<uint64_t>(block.entries[0].startSector, kMaxSourceSector));
    g_SourceEndSector =
        static_cast<int64_t>(std::min<uint64_t>(block.entries[0].endSector, kMaxSourceSector));
    g_FileSystemName = block.names[0];
  } else {
    // Not a file system the program reads: Next asks for a partition type.
    g_SourceStartSector = 0;
    g_SourceEndSector = 0;
    g_FileSystemName = FileSystemKind::None;
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
  g_SourceNodeText = m_Tree.Text(item);
  g_SourceName = DiskName(n);
  g_VirtualDiskMode = IsVirtualFileMedia(n) ? 1 : 0;
  if (disk.kind == SourceNodeKind::Image) {
    UseImage(disk);
  } else {
    g_DiskImageSource = 0;
    g_BytesPerSector = disk.bytesPerSector;
  }
  SetDevicePath(0, "\\\\.\\PhysicalDrive0");
  g_SourceEndSector = 0;
  g_SourceStartSector = 0;
  g_FileSystemName = FileSystemKind::None;
  m_Tree.EnumDiskPartitions(n, 0, false,
                            disk.sizeBytes / static_cast<uint64_t>(disk.bytesPerSector));
  const DiskPartitions& block = g_DiskPartitions[static_cast<size_t>(n)];
  for (int k = 0; k < block.count && k < kMaxListedPartitions; ++k) {
    const PartitionEntry& e = block.entries[static_cast<size_t>(k)];
    if (e.treeItem != item) continue;
    g_CurrentDevice = static_cast<int16_t>(n);
    g_SelectedDiskNumber = static_cast<int16_t>(n);
    g_SourceStartSector = static_cast<int64_t>(std::min<uint64_t>(e.startSector, kMaxSourceSector));
    g_SourceEndSector = static_cast<int64_t>(std::min<uint64_t>(e.endSector, kMaxSourceSector));
    g_SelectedPartitionIndex = static_cast<int16_t>(k);
    g_FileSystemName = block.names[static_cast<size_t>(k)];
    m_View.ShowPartitionInfo();
    return;
  }
  // The table no longer lists this partition: nothing is chosen.
  g_SelectedPartitionIndex = -1;
  m_View.ShowDiskInfo(-1);
}

void SourceSelection::ImageGroupStep() {
  const auto folder = m_View.ChooseImageFolder();
  // Cancelled: the source chosen before stays chosen.
  if (!folder) return;
  g_SourceName = kDiskImageText;
  g_SourceNodeText.clear();
  g_DiskImageSource = 0;
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
  g_DiskImagePath = first;
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
    const fs::path piece = fs::path(folder) / ("DiskImage" + std::to_string(pieces) + ".dmg");
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
  UseImage(node);
  g_SourceName = DiskName(entry);
  SetDevicePath(0, "\\\\.\\PhysicalDrive0");
  g_SourceEndSector = 0;
  g_SourceDriveLetter = 0;
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
    const bool isPiece = name.starts_with("DiskImage") && name.ends_with(".dmg") &&
                         name.size() > 13 &&
                         name.find_first_not_of("0123456789", 9) == name.size() - 4;
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
