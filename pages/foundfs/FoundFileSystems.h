// The found-file-systems page without a window: the nodes it lists after the first pass of a
// partition search, the fields it shows for the chosen one, the number the second pass scans and
// what Back throws away.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kNoFileSystemNotice =
    "Software Dovrane has not recognised any partition till now. It is recommended to complete "
    "this process.";
inline constexpr std::string_view kFoundFileSystemsHint =
    "This mode is showing you all the partitions simulated in that range. It is recommended to "
    "save log at this stage.";

// One node per found file system, in list order: "File System 1 - NTFS", ...
std::vector<std::string> FoundFileSystemNodeTexts();

// The number a node text names ("File System N - ..."), when it is a plain decimal N from 1 to
// count; else 0. Only a loaded log's node text is read this way: the page knows its own nodes.
int32_t FoundFileSystemNumberFromText(std::string_view text, uint32_t count);

// (end - start) sectors in whole units: above 2^30 bytes "N GB", from 2^20 bytes "N MB", else
// empty.
std::string FoundFileSystemSizeText(uint64_t startSector, uint64_t endSector,
                                    uint32_t bytesPerSector);

struct FoundFileSystemFields {
  std::string type;   // "NTFS", "FAT32", ...
  std::string size;   // FoundFileSystemSizeText
  std::string start;  // first sector, decimal
  std::string end;    // end sector, decimal
  bool scannable = false;  // its geometry was taken, so the second pass can scan it
  bool beyondLimit = false;  // it starts past kMaxVolumeStartSector: it cannot be scanned
};

// What choosing found file system n does: takes its geometry for the second pass (a FAT one
// found without its boot sector has its FATs searched first), makes it the chosen file system
// and gives the fields the page shows. Nothing when n is not one of the partitionCount found.
std::optional<FoundFileSystemFields> ChooseFoundFileSystem(int32_t n);

// Back: every list of the partition search (found directories and files, folders, files,
// partitions) is freed and no log stays loaded.
void FreeFoundFileSystemLists();

// Which buttons act: while the log is being saved the lists must stay as they are, so Back, Next
// and Load Log wait for it (Load Log never acts on this page); Next needs a found file system.
struct FoundFileSystemButtons {
  bool next = false;
  bool back = false;
  bool saveLog = false;
};
FoundFileSystemButtons FoundFileSystemButtonStates(bool anyFound, bool savingLog);
