// How the sector path finds sectors in the program's own disk image: a folder of raw pieces
// "DiskImage0.dmg", "DiskImage1.dmg", ... of P = 2^31 / bytes-per-sector sectors each (the last
// may be shorter), and an optional "bps.dmg" holding the sector size when it is not 512.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Every file name of an image lives here: the writer, the reader and the source page all take
// them from these, as images already on disk are found by exactly these names.
inline constexpr std::string_view kImagePieceBase = "DiskImage";  // the pieces the reader opens
inline constexpr std::string_view kImagePieceExtension = ".dmg";
inline constexpr std::string_view kSectorSizeFileName = "bps.dmg";

// Name of piece n: base, n in decimal without leading zeros, ".dmg" ("DiskImage0.dmg" for
// kImagePieceBase and 0). base may carry a folder, which the name then keeps.
std::string ImagePieceName(std::string_view base, int64_t n);

// The reverse of ImagePieceName: n of a name base + n + ".dmg", or nothing for any other name
// (another base, no digits, a leading zero, another extension or case). A number too long for
// 64 bits reads as INT64_MAX, past any real piece.
std::optional<int64_t> ImagePieceNumber(std::string_view name, std::string_view base);

// The base the pieces of an image written to imagePath are named from: imagePath less a final
// ".dmg" in any case, or the whole path when it has none, so the pieces never land in another
// folder.
std::string ImagePieceBase(std::string_view imagePath);

// Piece n of the image whose first file is imagePath: ImagePieceName(ImagePieceBase(imagePath), n).
std::string ImagePiecePath(std::string_view imagePath, int64_t n);

// A sector size the program accepts: a power of two from 512 to 65536.
bool IsValidSectorSize(int64_t bytesPerSector);

// Sectors per image piece for a sector size: floor(2^31 / bytesPerSector); 0 for a size that
// IsValidSectorSize refuses.
int64_t ImagePieceSectors(int64_t bytesPerSector);

// Tests only: pieces of pieceBytes (a multiple of the sector sizes in use) instead of 2^31 bytes,
// so that the writer and the reader can be tried across piece ends without gigabytes of data.
// 0 restores the real size.
void SetImagePieceBytesForTest(int64_t pieceBytes);

// Path of the piece holding absolute sector in g_SourceImageFolder; sector becomes the sector
// within that piece. Returns 1, or 0 (nothing changed) when g_BytesPerSector or sector is bad.
int MakeImagePiecePath(std::string& pathOut, int64_t& sector);

// Path of piece 0 ("DiskImage0.dmg") in g_SourceImageFolder.
std::string FirstImagePiecePath();

// Reads the sector size of the image in folder: 512 when "bps.dmg" is absent, else its four
// little-endian bytes. Returns 1 with bytesPerSector set, or 0 (the image is refused, nothing
// set) when the file is short, unreadable or holds a size IsValidSectorSize refuses.
int ReadImageBytesPerSector(const std::string& folder, int32_t& bytesPerSector);

// Reads a run of count sectors that reaches the end of the piece named by path; pieceSector is
// the run's start in that piece and absoluteSector the same start counted from the image's
// beginning. The run is continued from the following pieces. Sectors that could not be read are
// zero-filled. Returns 1 when every sector was read, else 0.
int ReadImageAcrossPieces(const std::string& path, std::span<std::byte> buffer, int64_t pieceSector,
                          uint32_t count, int64_t absoluteSector);

// The disk-image branch of ReadSectors: buffer holds count × g_BytesPerSector bytes, which
// g_BytesPerSector has already been checked to allow.
int ReadDiskImageSectors(int64_t startSector, uint32_t count, std::span<std::byte> buffer);

// ReadSectorsQuietly for a disk image: count sectors that lie within one piece (and end before its
// last sector, as a run that reaches a piece's end is read across pieces), read in one call
// without a question. Returns 1 when every sector was read, else 0.
int ReadDiskImageSectorsQuietly(int64_t startSector, uint32_t count, std::span<std::byte> buffer);
