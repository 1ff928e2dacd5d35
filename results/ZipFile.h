// Lists the entries of a zip archive for the preview: name, modification time and both sizes of
// each entry of the central directory. Nothing is decompressed. The whole archive is read into
// memory (up to kMaxZipFileBytes) and every record is parsed from that buffer, each read checked
// against its end, so a truncated or damaged archive lists what comes before the damage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// One central-directory file header: its fixed 46 bytes, then copies of its name, extra field and
// comment.
struct ZipEntry {
  uint32_t signature = 0;
  uint16_t versionMadeBy = 0;
  uint16_t versionNeeded = 0;
  uint16_t generalFlags = 0;
  uint16_t compressionMethod = 0;
  uint16_t lastModTime = 0;  // DOS time
  uint16_t lastModDate = 0;  // DOS date
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
  uint16_t commentLength = 0;
  uint16_t diskNumberStart = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  uint32_t localHeaderOffset = 0;
  std::string name;  // 8-bit text as the archive holds it
  std::string extra;
  std::string comment;
};

inline constexpr uint32_t kZipLocalHeaderSignature = 0x04034B50;    // "PK" 3 4
inline constexpr uint32_t kZipCentralHeaderSignature = 0x02014B50;  // "PK" 1 2
inline constexpr size_t kZipCentralHeaderBytes = 46;
// A larger file is not read (its listing would not be shown any better than no preview).
inline constexpr uint64_t kMaxZipFileBytes = 256ull << 20;
// The listing stops after this many entries, so a directory of tiny records cannot take many
// times the file's size in memory.
inline constexpr size_t kMaxZipEntries = 100000;

class CZipFile {
 public:
  CZipFile() = default;
  explicit CZipFile(std::string path) : m_Path(std::move(path)) {}
  virtual ~CZipFile() { Close(); }
  CZipFile(const CZipFile&) = delete;
  CZipFile& operator=(const CZipFile&) = delete;

  void SetPath(std::string path) { m_Path = std::move(path); }
  const std::string& Path() const { return m_Path; }
  // 0 listed; 1 no path, or the file cannot be opened or read, or is larger than
  // kMaxZipFileBytes; 2 not a zip file (it does not start with a local file header, which also
  // holds for a file under four bytes).
  int Open();
  // The same from bytes already in memory (the archive's whole content).
  int OpenBytes(std::span<const std::byte> bytes);
  // Drops every entry and empties the path.
  void Close();
  int GetCount() const { return static_cast<int>(m_Entries.size()); }
  // The entry at index, or nullptr when index is below 0 or at or beyond the count.
  const ZipEntry* GetEntry(int index) const;

  // The little-endian value of 8, 16, 24 or 32 bits at p; 0 for any other width.
  static uint32_t ReadValue(const std::byte* p, int bits);

  // Finds the first central-directory header by its signature and appends consecutive headers
  // until one does not parse or would run past the end of buffer, or kMaxZipEntries are listed.
  void ParseCentralDirectory(std::span<const std::byte> buffer);
  // Parses the header at the start of record: the bytes it takes (46 plus its three lengths), or
  // 0 when record does not start with the signature or is shorter than the header says.
  static size_t ParseCentralDirectoryEntry(std::span<const std::byte> record, ZipEntry& entry);

 private:
  std::string m_Path;
  std::vector<ZipEntry> m_Entries;
};

// The preview's texts of one entry: its name (UTF-8 when the entry says so, else 8-bit text taken
// as code page 1252's Latin-1 range), its modification time as local time in the C library's
// "%c" form ("" when the DOS date or time is not valid), and both sizes in decimal.
struct ZipRowTexts {
  std::string name;
  std::string modified;
  std::string actualSize;
  std::string compressedSize;
};
ZipRowTexts ZipEntryTexts(const ZipEntry& entry);
