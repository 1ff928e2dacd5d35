// The scan log file (".kvsl"): a saved scan that Load Log restores instead of scanning again.
//
// Little-endian, no magic, no version, no checksum. A short string is a count byte n and n
// UTF-16 units; a short 8-bit string is a count byte m and m bytes.
//
// Header:
//   title        62 bytes: 31 UTF-16 units, no count (never read back)
//   style        2 bytes: 0 saved from the results page, 1 from the found-file-systems page
//   disk model   4-byte count n, n UTF-16 units
//   device       1 byte: low byte of g_CurrentDevice
//   drive letter 1 byte: g_SourceDriveLetter, 0 for a physical disk
//   sector size  4 bytes
//   disk number  1 byte, partition index 1 byte (low bytes)
//   file system  short string; node text short string
//   start, end   8 bytes each
//   geometry     12 x 4 bytes of g_VolumeGeometry in the log's order (kGeometryLogOrder)
//   geometry     12 x 4 bytes of ScanState::geometry, same order
//   file system  short string: ScanState's copy
//   flags        4 x 4 bytes: formatted mode, partition mode, partition pass, chosen file system
// Sections:
//   partition mode only:             count, 76-byte partition entries
//   partition mode and style 1 only: count, found-directory entries; count, found-file entries
//   always:                          count, folder entries; count, file entries
// Every record entry is its fixed part, then the UTF-16 name as a short string, then the 8-bit
// name as a short 8-bit string (count 0 for a name the record does not hold).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "storage/VolumeGeometry.h"

inline constexpr std::string_view kScanLogExtension = ".kvsl";

// Item 1: the product title as 31 units; the readers skip it. Shorter titles are zero-padded.
inline constexpr size_t kScanLogTitleUnits = 31;
inline constexpr std::u16string_view kScanLogTitle = u"Software Dovrane Merrowind";

inline constexpr uint64_t kStyleOffset = 62;
inline constexpr uint64_t kModelCountOffset = 64;
inline constexpr uint64_t kModelUnitsOffset = 68;

// Longest disk model text written or accepted; real model texts are a few dozen characters.
inline constexpr uint32_t kMaxModelUnits = 1024;
// Longest short string.
inline constexpr size_t kMaxShortUnits = 255;

// Fixed parts of the entries.
inline constexpr size_t kPartitionEntryBytes = 76;
inline constexpr size_t kFoundDirFixedBytes = 49;
inline constexpr size_t kFoundFileFixedBytes = 53;
inline constexpr size_t kFolderFixedBytes = 50;
inline constexpr size_t kFileFixedBytes = 54;
inline constexpr size_t kPartitionNameUnits = 10;

// The log's geometry order, as indexes of the twelve VolumeGeometry fields in declaration order: FatSizeSectors, SectorsPerCluster, RootDirectorySectors, RootDirectory,
// ReservedSectors, ClusterBaseSector, Fat1StartSector, Fat2StartSector, MftStartSector,
// MftMirrorStartSector, SectorsPerMftRecord, SectorsPerIndexRecord.
inline constexpr std::array<size_t, 12> kGeometryLogOrder = {5, 4, 7, 6, 8, 9, 10, 11, 2, 3, 0, 1};

inline std::array<uint32_t, 12> GeometryAsArray(const VolumeGeometry& v) {
  return {v.SectorsPerMftRecord, v.SectorsPerIndexRecord, v.MftStartSector,  v.MftMirrorStartSector,
          v.SectorsPerCluster,   v.FatSizeSectors,        v.RootDirectory,   v.RootDirectorySectors,
          v.ReservedSectors,     v.ClusterBaseSector,     v.Fat1StartSector, v.Fat2StartSector};
}

inline VolumeGeometry GeometryFromArray(const std::array<uint32_t, 12>& a) {
  return {a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]};
}

// The texts the log's writer and readers show.
inline constexpr std::string_view kLogNoPathText =
    "You have not selected any path. Please try again.";
inline constexpr std::string_view kLogCreateErrorText =
    "Error found while creating log file. Please try again.";
inline constexpr std::string_view kLogOpenErrorText =
    "Error found while opening log file. Please try again.";
inline constexpr std::string_view kLogWrongDeviceText = "Please select proper device.";
inline constexpr std::string_view kLogInvalidText = "Log file is not valid. Invalid seeking. .";
inline constexpr std::string_view kLogUnableToOpenText = "Unable to open file.";

// What a log may hold, checked by the writer before it creates anything and by the reader:
// a drive letter of 0 (physical disk) or A to Z, a chosen file system from 0 to the partition
// count (at least 1: the signature scans work on file system 1 where no partition list is kept).
inline bool IsLogDriveLetter(unsigned letter) {
  return letter == 0 || (letter >= 'A' && letter <= 'Z');
}
inline bool IsLogChosenFileSystem(int64_t chosen, uint64_t partitionCount) {
  return chosen >= 0 && static_cast<uint64_t>(chosen) <= (partitionCount > 1 ? partitionCount : 1);
}

// The file-system names a log may name.
inline bool IsKnownLogFileSystem(std::u16string_view name) {
  return name == u"NTFS" || name == u"FAT12" || name == u"FAT16" || name == u"FAT32";
}
