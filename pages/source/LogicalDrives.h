// The logical drives the source page lists: every mounted block-device volume, under the letter
// the device namespace gives it ("\\.\C:" is the volume mounted at "/", then the others by mount
// point), with its label, file-system type and sizes. The listing goes through a catalogue so
// that tests can offer drives of their own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct LogicalDrive {
  char letter = 0;         // 'C' to 'Z'
  std::string label;       // the volume label, empty when it has none
  std::string fileSystem;  // the mount's type as the system names it ("vfat", "ntfs3", ...)
  uint64_t capacityBytes = 0;
  uint64_t freeBytes = 0;  // every free byte, whoever may use it
};

// "Label (C:)", or "Local Disk (C:)" when the label is empty.
std::string LogicalDriveNodeText(const LogicalDrive& drive);

// The drive letter a drive node text ends with ("Data (D:)" gives 'D'); 0 when the text does not
// end in "(X:)".
char DriveLetterOfNodeText(std::string_view text);

class DriveCatalogue {
 public:
  virtual ~DriveCatalogue() = default;
  // The drives in letter order, without A: and B:.
  virtual std::vector<LogicalDrive> LogicalDrives() = 0;
  // One drive as it is now (sizes change); nothing when the letter is not mounted any more.
  virtual std::optional<LogicalDrive> Drive(char letter) = 0;
};

// The mounted volumes of this system.
std::unique_ptr<DriveCatalogue> SystemDriveCatalogue();

// A fixed list, for tests.
class FixedDriveCatalogue : public DriveCatalogue {
 public:
  explicit FixedDriveCatalogue(std::vector<LogicalDrive> drives) : m_Drives(std::move(drives)) {}
  std::vector<LogicalDrive> LogicalDrives() override { return m_Drives; }
  std::optional<LogicalDrive> Drive(char letter) override;

 private:
  std::vector<LogicalDrive> m_Drives;
};

// Parsing helpers of the system catalogue, for tests.
// The file-system type of the mount at mountPoint in a mountinfo text; empty when none.
std::string MountFileSystemType(std::string_view mountinfo, std::string_view mountPoint);
// A name under /dev/disk/by-label as udev escapes it ("My\x20Disk") made plain again.
std::string UnescapeLabelName(std::string_view name);
