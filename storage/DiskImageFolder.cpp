#include "storage/DiskImageFolder.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>

#include "platform/ByteOrder.h"
#include "platform/RawDevice.h"
#include "storage/BadSectorPolicy.h"
#include "storage/SourceGlobals.h"

namespace {

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  return folder;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string ImagePieceName(std::string_view base, int64_t n) {
  return std::string(base) + std::to_string(n) + std::string(kImagePieceExtension);
}

std::optional<int64_t> ImagePieceNumber(std::string_view name, std::string_view base) {
  const size_t ext = kImagePieceExtension.size();
  if (name.size() <= base.size() + ext) return std::nullopt;
  if (name.substr(0, base.size()) != base) return std::nullopt;
  if (name.substr(name.size() - ext) != kImagePieceExtension) return std::nullopt;
  const std::string_view digits = name.substr(base.size(), name.size() - base.size() - ext);
  if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
  int64_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n > (INT64_MAX - 9) / 10 ? INT64_MAX : n * 10 + (c - '0');
  }
  return n;
}

std::string ImagePieceBase(std::string_view imagePath) {
  const size_t n = kImagePieceExtension.size();
  if (imagePath.size() >= n &&
      std::equal(kImagePieceExtension.begin(), kImagePieceExtension.end(), imagePath.end() - n,
                 [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }))
    return std::string(imagePath.substr(0, imagePath.size() - n));
  return std::string(imagePath);
}

std::string ImagePiecePath(std::string_view imagePath, int64_t n) {
  return ImagePieceName(ImagePieceBase(imagePath), n);
}

bool IsValidSectorSize(int64_t bps) {
  return bps >= 512 && bps <= 65536 && (bps & (bps - 1)) == 0;
}

namespace {
std::atomic<int64_t> g_PieceBytesForTest{0};
}

int64_t ImagePieceSectors(int64_t bps) {
  if (!IsValidSectorSize(bps)) return 0;
  const int64_t testBytes = g_PieceBytesForTest.load(std::memory_order_relaxed);
  if (testBytes >= bps) return testBytes / bps;
  return (int64_t{1} << 31) / bps;
}

void SetImagePieceBytesForTest(int64_t pieceBytes) {
  g_PieceBytesForTest.store(pieceBytes > 0 ? pieceBytes : 0, std::memory_order_relaxed);
}

int MakeImagePiecePath(std::string& pathOut, int64_t& sector) {
  const int64_t p = ImagePieceSectors(g_BytesPerSector);
  if (p == 0 || sector < 0) return 0;
  pathOut = WithSeparator(g_SourceImageFolder) + ImagePieceName(kImagePieceBase, sector / p);
  sector %= p;
  return 1;
}

std::string FirstImagePiecePath() {
  return WithSeparator(g_SourceImageFolder) + ImagePieceName(kImagePieceBase, 0);
}

int ReadImageBytesPerSector(const std::string& folder, int32_t& bytesPerSector) {
  const std::string path = WithSeparator(folder) + std::string(kSectorSizeFileName);
  if (!FileExists(path)) {
    bytesPerSector = 512;
    return 1;
  }
  auto file = OpenFileDevice(path, DeviceAccess::Read);
  if (!file) return 0;
  std::array<std::byte, 4> raw{};
  if (file->ReadAt(0, raw) != 4) return 0;
  const uint32_t value = bo::LoadLe32(raw, 0);
  if (!IsValidSectorSize(value)) return 0;
  bytesPerSector = static_cast<int32_t>(value);
  return 1;
}

namespace {

// Reads count sectors at pieceSector of one piece into out. An offset at or past the piece's end
// asks the bad-sector question and, on retry, tries once more per call (reopenUsed); everything
// not read is zeroed. Returns true when every sector was read.
bool ReadPiecePart(const std::string& path, int64_t pieceSector, uint32_t count,
                   std::span<std::byte> out, bool& reopenUsed) {
  const uint64_t bps = static_cast<uint64_t>(g_BytesPerSector);
  const uint64_t offset = static_cast<uint64_t>(pieceSector) * bps;
  for (;;) {
    auto piece = OpenFileDevice(path, DeviceAccess::Read);
    if (!piece) {
      ZeroFillSectors(out, count);
      return false;
    }
    const uint64_t size = piece->SizeBytes().value_or(0);
    if (offset >= size) {
      piece->Close();
      if (ChoiceRetries(BadSectorChoiceAfterFailure()) && !reopenUsed) {
        reopenUsed = true;
        continue;
      }
      ZeroFillSectors(out, count);
      return false;
    }
    const int64_t got = piece->ReadAt(offset, out);
    if (got < 0) {
      ZeroFillSectors(out, count);
      return false;
    }
    if (static_cast<uint64_t>(got) < out.size()) {
      // The piece ends inside the run: keep what exists, zero the rest.
      const uint64_t whole = static_cast<uint64_t>(got) / bps;
      ZeroFillSectors(out.subspan(static_cast<size_t>(got)), count - whole);
      return false;
    }
    return true;
  }
}

}  // namespace

int ReadImageAcrossPieces(const std::string& path, std::span<std::byte> buffer, int64_t pieceSector,
                          uint32_t count, int64_t absoluteSector) {
  const int64_t p = ImagePieceSectors(g_BytesPerSector);
  const uint64_t bps = static_cast<uint64_t>(g_BytesPerSector);
  if (p == 0 || pieceSector < 0 || pieceSector >= p || buffer.size() < count * bps) {
    ZeroFillSectors(buffer, count);
    return 0;
  }
  bool ok = true;
  bool reopenUsed = false;  // one reopen for the whole call, as for a run within one piece
  std::string piecePath = path;
  int64_t sector = pieceSector;
  uint32_t done = 0;
  while (done < count) {
    const uint32_t part = static_cast<uint32_t>(std::min<int64_t>(count - done, p - sector));
    auto out = buffer.subspan(done * bps, part * bps);
    if (!FileExists(piecePath)) {
      // A missing later piece is not asked about: the image simply ends there.
      ZeroFillSectors(out, part);
      ok = false;
    } else if (!ReadPiecePart(piecePath, sector, part, out, reopenUsed)) {
      ok = false;
    }
    done += part;
    if (done < count) {
      sector = absoluteSector + done;
      if (!MakeImagePiecePath(piecePath, sector)) {
        ZeroFillSectors(buffer.subspan(done * bps, (count - done) * bps), count - done);
        return 0;
      }
    }
  }
  return ok ? 1 : 0;
}

// The disk-image branch of ReadSectors.
int ReadDiskImageSectors(int64_t startSector, uint32_t count, std::span<std::byte> buffer) {
  if (count == 0) return 1;  // nothing to read, nothing to ask about
  bool retried = false;
  for (;;) {
    std::string path;
    int64_t sector = startSector;
    if (g_ImageMultiFile) {
      if (!MakeImagePiecePath(path, sector)) {
        ZeroFillSectors(buffer, count);
        return 0;
      }
    } else {
      path = FirstImagePiecePath();
    }
    if (!FileExists(path)) {
      if (ChoiceRetries(BadSectorChoiceAfterFailure()) && !retried) {
        retried = true;
        continue;
      }
      ZeroFillSectors(buffer, count);
      return 0;
    }
    if (g_ImageMultiFile && sector + count >= ImagePieceSectors(g_BytesPerSector))
      return ReadImageAcrossPieces(path, buffer, sector, count, startSector);
    bool reopenUsed = false;
    return ReadPiecePart(path, sector, count, buffer, reopenUsed) ? 1 : 0;
  }
}

int ReadDiskImageSectorsQuietly(int64_t startSector, uint32_t count, std::span<std::byte> buffer) {
  std::string path;
  int64_t sector = startSector;
  if (g_ImageMultiFile) {
    if (!MakeImagePiecePath(path, sector)) return 0;
    if (sector + count >= ImagePieceSectors(g_BytesPerSector)) return 0;
  } else {
    path = FirstImagePiecePath();
  }
  auto piece = OpenFileDevice(path, DeviceAccess::Read);
  if (!piece) return 0;
  const uint64_t offset = static_cast<uint64_t>(sector) * static_cast<uint64_t>(g_BytesPerSector);
  return piece->ReadAt(offset, buffer) == static_cast<int64_t>(buffer.size()) ? 1 : 0;
}
