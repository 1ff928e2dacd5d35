// The result lists both results-scale benchmarks run on: NTFS, `folders` folders under the root
// and 1,000,000 files; the first folder holds 100,000 of them (names in no order, random sizes
// and times, a quarter deleted), the other folders share the rest.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "engine/records/RecordBuilders.h"
#include "engine/records/ScanState.h"
#include "saving/ProgramState.h"
#include "storage/SourceGlobals.h"

inline constexpr uint32_t kScaleFiles = 1'000'000;
inline constexpr uint32_t kBigFolderFiles = 100'000;
inline constexpr uint32_t kBigFolderId = 16;

// A FILETIME from 1990 to 2018.
inline TimeHalves RandomFileTime(std::mt19937_64& rng) {
  const uint64_t t = 0x01B4'0000'0000'0000ull + rng() % 0x001F'0000'0000'0000ull;
  return {static_cast<uint32_t>(t), static_cast<uint32_t>(t >> 32)};
}

inline void BuildScaleLists(uint32_t folders) {
  ResetProgramState();
  g_FileSystemName = FileSystemKind::Ntfs;
  g_ScanState.fileSystem = FileSystemKind::Ntfs;
  std::mt19937_64 rng(24);
  for (uint32_t i = 0; i < folders; ++i) {
    const std::string name = "Folder " + std::to_string(i);
    AddFolderRecord({.ansiName = name, .parentId = kNtfsRootId, .id = kBigFolderId + i});
  }
  const char16_t* const extensions[] = {u".jpg", u".doc", u".txt", u".pdf", u".zip"};
  for (uint32_t i = 0; i < kScaleFiles; ++i) {
    const std::string number = std::to_string(rng() % 10'000'000);
    std::u16string name = i % 3 ? u"IMG_" : u"report ";
    name.append(number.begin(), number.end());
    name += extensions[rng() % 5];
    const uint32_t parent = i < kBigFolderFiles
                                ? kBigFolderId
                                : kBigFolderId + 1 + static_cast<uint32_t>(rng() % (folders - 1));
    AddFileRecord({.wideName = name,
                   .deleted = static_cast<uint8_t>(rng() % 4 == 0 ? 'y' : 'n'),
                   .size = rng() % (1ull << 32),
                   .parentId = parent,
                   .modified = RandomFileTime(rng),
                   .created = RandomFileTime(rng),
                   .accessed = RandomFileTime(rng)});
  }
}
