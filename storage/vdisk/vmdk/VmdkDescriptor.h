// The text descriptor of a VMDK disk: a file of its own ("# Disk DescriptorFile") or text embedded
// in a monolithic sparse file. Only the lines the reader needs are taken: the geometry, the create
// type, the parent's identity and the extent lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One extent line: `RW 4194304 SPARSE "disk-s001.vmdk"` (flat extents add the first sector of the
// extent in its file).
struct SPLITTED_FILEPATH_SIZE {
  std::string fileName;
  std::string sizeText;     // sectors, converted when used
  uint64_t fileOffset = 0;  // sectors
};

struct VmdkDescriptor {
  std::string cylinders;
  std::string heads;
  std::string sectors;
  std::string createType;
  bool hasParent = false;  // a parentCID other than ffffffff, or a parent file name
  std::vector<SPLITTED_FILEPATH_SIZE> extents;
};

// Parses descriptor text (it ends at the first NUL byte). false when an extent line is damaged: no
// size, no quoted file name, or a bad file offset.
bool ParseVmdkDescriptor(std::string_view text, VmdkDescriptor& out);

// The sector count of a size text of decimal digits; false for anything else or a size above
// the format's limit.
bool ParseVmdkSectorCount(std::string_view text, uint64_t& sectors);
