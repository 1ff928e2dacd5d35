// Long file names of FAT directories: fragments of 13 UTF-16 characters in the 32-byte entries
// just before a short entry, nearest fragment first, and the test that a name read from disk can
// be used at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

inline constexpr size_t kFatEntryBytes = 32;
inline constexpr size_t kFatLongNameMax = 255;

// Gives the directory bytes that come before the block handed over last, in directory order, or
// false when there are none. The returned span must stay valid until the next call.
using PreviousDirectoryBlock = std::function<bool(std::span<const std::byte>& block)>;

// Assembles the long name of the short entry at entryOffset of block, stepping back through the
// entries in front of it and, past the block's start, through the blocks `previous` gives.
// Returns 0 with the name in nameOut (at most 255 units) when there is one, 1 when there is none.
// A name ends at its terminating zero, at the fragment whose sequence byte marks it last (0x40 +
// its number), at an entry that is no long-name entry, or past 255 characters. For a present short
// entry every fragment must carry the short name's checksum, so stray fragments of another name
// are not taken; a deleted entry's fragments are taken as they stand, since its first name byte is
// gone and the checksum can no longer be compared.
int AssembleFatLongName(std::span<const std::byte> block, size_t entryOffset,
                        const PreviousDirectoryBlock& previous, std::u16string& nameOut);

// The same for a short entry in one directory sector (absolute sector number sectorNumber): the
// sectors before it are read from the current source (sector - 1, sector - 2, ...) as needed.
int AssembleFatLongName(std::span<const std::byte> sector, std::u16string& nameOut,
                        size_t entryOffset, uint64_t sectorNumber);

// Checksum of an 11-byte short name as long-name fragments store it.
uint8_t FatShortNameChecksum(std::span<const std::byte> shortName11);

// 1 when the name holds none of the characters 0 to 31 and none of " \ / ? * < > |, else 0 (an
// empty name gives 1; the colon is allowed). Characters from 128 on are letters of a code page or
// of Unicode and are allowed.
int IsValidFileName(std::string_view name);
int IsValidFileName(std::u16string_view name);
