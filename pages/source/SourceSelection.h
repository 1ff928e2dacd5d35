// The source tree of the source page without a window: the sources it lists, and what a click or
// an arrow key on a node chooses (a SourceChoice, applied by ApplySourceChoice) before the page
// shows the node's panel.
//
// Every node the page adds carries what it stands for (its kind, disk number, partition index,
// drive letter, image folder, sector size, pieces); the globals are written from that, never
// parsed back from the node's text, which is for people.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "pages/source/LogicalDrives.h"
#include "pages/source/SourceChoice.h"
#include "widgets/FolderTreeHooks.h"
#include "widgets/FolderTreeModel.h"

inline constexpr const char* kImagePathNotFoundText =
    "Image path not found. Please specify image path.";
inline constexpr const char* kImageSectorSizeText =
    "The sector size of this disk image in bps.dmg cannot be used.";
inline constexpr const char* kImageAlreadyListedText =
    "Choose different file, This image file already exists.";
inline constexpr const char* kSelectImageFolderTitle = "Select Folder of Image File";

// What the page shows and asks for the selection.
class SourcePageView {
 public:
  virtual ~SourcePageView() = default;
  // Disk (or disk image entry) number's panel and partition chart; -1 empties the panel.
  virtual void ShowDiskInfo(int number) = 0;
  virtual void ShowVolumeInfo(const LogicalDrive& drive) = 0;
  // The panel of the partition the globals name.
  virtual void ShowPartitionInfo() = 0;
  virtual void ShowImageFileTimes(const std::string& path) = 0;
  // The folder of a disk image ("Select Folder of Image File"); nothing when cancelled.
  virtual std::optional<std::string> ChooseImageFolder() = 0;
  // A ".dmg" file; nothing when cancelled.
  virtual std::optional<std::string> ChooseImageFile() = 0;
};

enum class SourceNodeKind { Group, Disk, Image, Partition, Drive };

struct SourceNode {
  SourceNodeKind kind = SourceNodeKind::Group;
  int number = -1;          // disk or image entry number (a partition: its disk's)
  int partition = -1;       // index in the disk's partition block
  char letter = 0;          // logical drive
  std::string imageFolder;  // disk image: the folder holding its pieces
  int32_t bytesPerSector = 512;
  bool multiFile = false;  // disk image in more than one piece
  uint64_t sizeBytes = 0;  // disk or image length
  bool ready = true;       // false: an image node whose pieces could not be taken
  // The device as it was listed: a later choice of the node reads only that device.
  std::optional<DeviceIdentity> identity;
};

class SourceSelection : public FolderTreeHooks {
 public:
  SourceSelection(FolderTreeModel& tree, SourcePageView& view, DriveCatalogue& drives);

  // The tree's roots for the recovery mode, then the logical drives, the physical disks of a
  // freshly written geometry store and their partitions. Returns false when the store could not
  // be written: the user has been told and no disk is listed.
  bool EnumerateSources(int recoveryMode);
  // Once after a listing that met disks the system refused for lack of rights: says so, once the
  // page shows the listing.
  void TellDisksRefusedForRights();

  void OnSourceItemClicked(TreeItem item) override;
  void OnPartitionStep(TreeItem item) override;
  void OnKeyNavigate(TreeItem item) override;

  // The disk image in folder (the folder choice's answer): a node below "Disk Image" with its
  // partitions, chosen as the source. Returns the node, or kNoItem when nothing was added.
  TreeItem AddImageFolder(const std::string& folder);

  const SourceNode* NodeOf(TreeItem item) const;
  FolderTreeModel& Tree() { return m_Tree; }

 private:
  void SelectNode(TreeItem item);
  void WholeDiskStep(TreeItem item, const SourceNode& node);
  void LogicalDriveStep(TreeItem item, const SourceNode& node);
  void ImageGroupStep();
  void ImageFileByKey();
  bool SetUpImage(TreeItem item, const std::string& folder);
  void NoSource(std::string_view name);
  void RecordPartitionNodes(int disk);
  SourceNode* Find(TreeItem item);

  FolderTreeModel& m_Tree;
  SourcePageView& m_View;
  DriveCatalogue& m_Drives;
  int m_RecoveryMode = 0;
  bool m_RefusedForRights = false;
  std::unordered_map<TreeItem, SourceNode> m_Nodes;
};

// The first sector of a whole disk chosen as the source: 63 in the scan modes, but 0 when the
// disk is imaged, so that its partition table goes into the image.
int64_t WholeDiskStartSector(int recoveryMode);
