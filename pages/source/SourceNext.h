// What Next on the source page checks before the next page runs, in the order the user hears
// about it, and which page then runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::string_view kSelectLogicalDriveText = "Please select Logical Drive.";
inline constexpr std::string_view kSelectPhysicalDiskText = "Please select Physical Disk.";
inline constexpr std::string_view kSelectDiskImageText = "Please select Disk Image.";
inline constexpr std::string_view kSelectPartitionTypeText = "Select partition type";
inline constexpr std::string_view kEndAfterStartText =
    "End lSectorNoRead should be bigger than Start lSectorNoRead";
inline constexpr std::string_view kStartNotValidText = "Start lSectorNoRead is not valid.";
inline constexpr std::string_view kEndNotValidText = "End lSectorNoRead is not valid.";
inline constexpr std::string_view kRangeEndAfterStartText =
    "End lSectorNoRead should be bigger than start lSectorNoRead.";
inline constexpr std::string_view kRangePartitionTypeText = "Select partition type.";
inline constexpr std::string_view kCannotOpenSourceText = "Unable to open the selected disk.";
// Where a disk or volume is refused for lack of rights: said once when the disks are listed, and
// at Next on such a disk.
inline constexpr std::string_view kNeedsRightsText =
    "Reading disks needs administrator rights. Start the program again with them, for example "
    "with \"sudo merrowind\". Disk images need none.";
// The node under a disk whose partitions could not be read for lack of rights.
inline constexpr std::string_view kNeedsRightsNodeText = "Needs administrator rights to be read";
inline constexpr std::string_view kCannotReadFileSystemText =
    "Unable to read the file system of the selected partition.";

// The items of the file-system combo of the range modes, by index.
inline constexpr std::string_view kRangeFileSystems[4] = {"FAT16", "FAT32", "NTFS", "UNKNOWN"};

// What the page runs after Next.
enum class SourceNextStep {
  Refused,          // a notice was shown; the page stays
  Analysis,         // deleted or formatted data: the analysis page
  PartitionSearch,  // partition data: the analysis page, then the found file systems
  Imaging,          // create disk image: the disk-imaging page
};

struct SourceRangeInput {
  std::string start;    // the start edit's text
  std::string end;      // the end edit's text
  int fileSystem = -1;  // the combo's selection, -1 for none
};

// Whether the source the globals name can be opened for reading: the first piece of a disk
// image, or the device behind g_DevicePaths[g_CurrentDevice].
bool SourceCanBeOpened();

// The notice for a device source that is refused for lack of rights or because its name now
// names another device than the one chosen; empty otherwise (a disk image, a device that opens,
// or one that fails for another reason).
std::string_view SourceOpenProblem();

// The device path rule: a logical drive's name gives "\\.\X:" in entry 0 and device 0; "DiskN"
// gives device N ("\\.\PhysicalDrive0" in entry 0). False when the name gives neither.
bool SetDevicePathFromSelection();

// A decimal sector number as the range edits hold it: digits only (blanks around them allowed),
// at most kMaxSourceSector. The scan modes take only sectors the volume geometry can hold (see
// kMaxVolumeStartSector); imaging takes any.
std::optional<int64_t> ParseSectorNumber(std::string_view text);

// Next: resets the bad-sector choice, checks the choice and, when it passes, sets the globals of
// the scan. Each refusal shows its notice through Prompts(). canOpen and detect are the checks
// of the device and of the volume's boot sector (SourceCanBeOpened and DetectVolumeGeometry
// unless a test gives others).
SourceNextStep CheckSourceNext(const SourceRangeInput& range, bool (*canOpen)() = SourceCanBeOpened,
                               int (*detect)() = nullptr);
