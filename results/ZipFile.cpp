#include "results/ZipFile.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>

#include "platform/TextCodec.h"
#include "saving/extract/TargetFiles.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string CopyBytes(std::span<const std::byte> bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

uint32_t CZipFile::ReadValue(const std::byte* p, int bits) {
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
  uint32_t value = 0;
  for (int i = bits / 8 - 1; i >= 0; --i) value = (value << 8) | std::to_integer<uint32_t>(p[i]);
  return value;
}

int CZipFile::Open() {
  if (m_Path.empty()) return 1;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(m_Path.c_str(), "rb"));
  if (!file) return 1;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return 1;
  const long length = std::ftell(file.get());
  if (length < 0 || static_cast<uint64_t>(length) > kMaxZipFileBytes) return 1;
  if (std::fseek(file.get(), 0, SEEK_SET) != 0) return 1;
  std::vector<std::byte> buffer(static_cast<size_t>(length));
  // The file may have shrunk since its length was taken: only what was read is parsed.
  const size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
  buffer.resize(got);
  return OpenBytes(buffer);
}

int CZipFile::OpenBytes(std::span<const std::byte> bytes) {
  m_Entries.clear();
  if (bytes.size() < 4 || ReadValue(bytes.data(), 32) != kZipLocalHeaderSignature) return 2;
  ParseCentralDirectory(bytes);
  return 0;
}

void CZipFile::Close() {
  m_Entries.clear();
  m_Path.clear();
}

const ZipEntry* CZipFile::GetEntry(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return &m_Entries[static_cast<size_t>(index)];
}

void CZipFile::ParseCentralDirectory(std::span<const std::byte> buffer) {
  size_t pos = 0;
  while (pos + 4 <= buffer.size() &&
         ReadValue(buffer.data() + pos, 32) != kZipCentralHeaderSignature)
    ++pos;
  while (pos < buffer.size() && m_Entries.size() < kMaxZipEntries) {
    ZipEntry entry;
    const size_t used = ParseCentralDirectoryEntry(buffer.subspan(pos), entry);
    if (used == 0) break;
    m_Entries.push_back(std::move(entry));
    pos += used;
  }
}

size_t CZipFile::ParseCentralDirectoryEntry(std::span<const std::byte> record, ZipEntry& e) {
  if (record.size() < kZipCentralHeaderBytes) return 0;
  const std::byte* r = record.data();
  e.signature = ReadValue(r, 32);
  if (e.signature != kZipCentralHeaderSignature) return 0;
  e.versionMadeBy = static_cast<uint16_t>(ReadValue(r + 4, 16));
  e.versionNeeded = static_cast<uint16_t>(ReadValue(r + 6, 16));
  e.generalFlags = static_cast<uint16_t>(ReadValue(r + 8, 16));
  e.compressionMethod = static_cast<uint16_t>(ReadValue(r + 10, 16));
  e.lastModTime = static_cast<uint16_t>(ReadValue(r + 12, 16));
  e.lastModDate = static_cast<uint16_t>(ReadValue(r + 14, 16));
  e.crc32 = ReadValue(r + 16, 32);
  e.compressedSize = ReadValue(r + 20, 32);
  e.uncompressedSize = ReadValue(r + 24, 32);
  e.nameLength = static_cast<uint16_t>(ReadValue(r + 28, 16));
  e.extraLength = static_cast<uint16_t>(ReadValue(r + 30, 16));
  e.commentLength = static_cast<uint16_t>(ReadValue(r + 32, 16));
  e.diskNumberStart = static_cast<uint16_t>(ReadValue(r + 34, 16));
  e.internalAttributes = static_cast<uint16_t>(ReadValue(r + 36, 16));
  e.externalAttributes = ReadValue(r + 38, 32);
  e.localHeaderOffset = ReadValue(r + 42, 32);
  const size_t whole = kZipCentralHeaderBytes + size_t{e.nameLength} + e.extraLength +
                       e.commentLength;
  if (whole > record.size()) return 0;  // the lengths run past the end of the file
  size_t pos = kZipCentralHeaderBytes;
  e.name = CopyBytes(record.subspan(pos, e.nameLength));
  pos += e.nameLength;
  e.extra = CopyBytes(record.subspan(pos, e.extraLength));
  pos += e.extraLength;
  e.comment = CopyBytes(record.subspan(pos, e.commentLength));
  return whole;
}

ZipRowTexts ZipEntryTexts(const ZipEntry& e) {
  ZipRowTexts t;
  constexpr uint16_t kUtf8Name = 1u << 11;
  t.name = (e.generalFlags & kUtf8Name) ? Utf16ToUtf8(Utf8ToUtf16(e.name))
                                        : Utf16ToUtf8(Latin1ToUtf16(e.name));
  if (const std::optional<timespec> when = DosTimeToTimespec(e.lastModDate, e.lastModTime)) {
    std::tm local{};
    const time_t seconds = when->tv_sec;
    char text[128];
    if (localtime_r(&seconds, &local) && std::strftime(text, sizeof text, "%c", &local) > 0)
      t.modified = text;
  }
  t.actualSize = std::to_string(e.uncompressedSize);
  t.compressedSize = std::to_string(e.compressedSize);
  return t;
}
