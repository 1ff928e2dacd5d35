// The bytes of a scan log as the readers see them: a file, or memory for tests and fuzzing, read
// through a cursor that refuses any read past the size taken at open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class ScanLogSource {
 public:
  virtual ~ScanLogSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly out.size() bytes at offset; false when any of them could not be read.
  virtual bool ReadAt(uint64_t offset, std::span<std::byte> out) = 0;
};

// The log file at path, or nullptr when it cannot be opened or is not a regular file.
std::unique_ptr<ScanLogSource> OpenScanLogFile(const std::string& path);

class MemoryLogSource final : public ScanLogSource {
 public:
  explicit MemoryLogSource(std::span<const std::byte> bytes) : m_Bytes(bytes) {}
  uint64_t Size() const override { return m_Bytes.size(); }
  bool ReadAt(uint64_t offset, std::span<std::byte> out) override;

 private:
  std::span<const std::byte> m_Bytes;
};

// Sequential reads from a position, buffered. Every read is checked against the source's size
// first, so a count read from the log can never make the reader allocate or read beyond it.
class LogCursor {
 public:
  LogCursor(ScanLogSource& source, uint64_t position)
      : m_Source(source), m_Size(source.Size()), m_Position(position) {}

  uint64_t Position() const { return m_Position; }
  uint64_t Remaining() const { return m_Position <= m_Size ? m_Size - m_Position : 0; }
  uint64_t Size() const { return m_Size; }

  // The next n bytes (n at most kMaxRead), valid until the next call; empty on failure.
  bool Take(size_t n, std::span<const std::byte>& out);
  bool U8(uint8_t& v);
  bool Le16(uint16_t& v);
  bool Le32(uint32_t& v);
  bool Le64(uint64_t& v);
  // n UTF-16 units or n bytes; n is checked against what remains before anything is allocated.
  bool Units(size_t n, std::u16string& out);
  bool Chars(size_t n, std::string& out);
  // A short string and a short 8-bit string.
  bool ShortWide(std::u16string& out);
  bool ShortAnsi(std::string& out);

  static constexpr size_t kMaxRead = 4096;

 private:
  bool Fill(size_t n);
  ScanLogSource& m_Source;
  uint64_t m_Size;
  uint64_t m_Position;
  std::vector<std::byte> m_Buffer;
  uint64_t m_BufferStart = 0;
};
