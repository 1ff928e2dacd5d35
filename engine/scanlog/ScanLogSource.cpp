#include "engine/scanlog/ScanLogSource.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "platform/ByteOrder.h"
#include "platform/RawDevice.h"

namespace {

class FileLogSource final : public ScanLogSource {
 public:
  FileLogSource(std::unique_ptr<RawDevice> file, uint64_t size)
      : m_File(std::move(file)), m_Size(size) {}
  uint64_t Size() const override { return m_Size; }
  bool ReadAt(uint64_t offset, std::span<std::byte> out) override {
    if (offset > m_Size || out.size() > m_Size - offset) return false;
    return m_File->ReadAt(offset, out) == static_cast<int64_t>(out.size());
  }

 private:
  std::unique_ptr<RawDevice> m_File;
  uint64_t m_Size;
};

// Reads larger than one entry with its names go to the source directly; the buffer serves the
// many small reads of the record sections.
constexpr size_t kBufferBytes = 1 << 16;

}  // namespace

std::unique_ptr<ScanLogSource> OpenScanLogFile(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  auto file = OpenFileDevice(path, DeviceAccess::Read);
  if (!file) return nullptr;
  const auto size = file->SizeBytes();
  if (!size) return nullptr;
  return std::make_unique<FileLogSource>(std::move(file), *size);
}

bool MemoryLogSource::ReadAt(uint64_t offset, std::span<std::byte> out) {
  if (offset > m_Bytes.size() || out.size() > m_Bytes.size() - offset) return false;
  if (!out.empty()) std::memcpy(out.data(), m_Bytes.data() + offset, out.size());
  return true;
}

bool LogCursor::Fill(size_t n) {
  if (n > Remaining()) return false;
  if (m_Position >= m_BufferStart && m_Position - m_BufferStart + n <= m_Buffer.size()) return true;
  // n is at most kMaxRead, well below the buffer, so one fill always holds it.
  const size_t want = static_cast<size_t>(std::min<uint64_t>(kBufferBytes, Remaining()));
  m_Buffer.resize(want);
  m_BufferStart = m_Position;
  if (!m_Source.ReadAt(m_Position, std::span(m_Buffer.data(), want))) {
    m_Buffer.clear();
    return false;
  }
  return true;
}

bool LogCursor::Take(size_t n, std::span<const std::byte>& out) {
  out = {};
  if (n > kMaxRead || !Fill(n)) return false;
  out = std::span<const std::byte>(m_Buffer).subspan(m_Position - m_BufferStart, n);
  m_Position += n;
  return true;
}

bool LogCursor::U8(uint8_t& v) {
  std::span<const std::byte> b;
  if (!Take(1, b)) return false;
  v = bo::Load8(b, 0);
  return true;
}

bool LogCursor::Le16(uint16_t& v) {
  std::span<const std::byte> b;
  if (!Take(2, b)) return false;
  v = bo::LoadLe16(b, 0);
  return true;
}

bool LogCursor::Le32(uint32_t& v) {
  std::span<const std::byte> b;
  if (!Take(4, b)) return false;
  v = bo::LoadLe32(b, 0);
  return true;
}

bool LogCursor::Le64(uint64_t& v) {
  std::span<const std::byte> b;
  if (!Take(8, b)) return false;
  v = bo::LoadLe64(b, 0);
  return true;
}

bool LogCursor::Units(size_t n, std::u16string& out) {
  out.clear();
  if (n > Remaining() / 2) return false;
  out.reserve(n);
  while (n > 0) {
    const size_t chunk = std::min(n, kMaxRead / 2);
    std::span<const std::byte> b;
    if (!Take(chunk * 2, b)) return false;
    for (size_t i = 0; i < chunk; ++i) out.push_back(static_cast<char16_t>(bo::LoadLe16(b, 2 * i)));
    n -= chunk;
  }
  return true;
}

bool LogCursor::Chars(size_t n, std::string& out) {
  out.clear();
  if (n == 0) return true;
  std::span<const std::byte> b;
  if (!Take(n, b)) return false;
  out.assign(reinterpret_cast<const char*>(b.data()), b.size());
  return true;
}

bool LogCursor::ShortWide(std::u16string& out) {
  uint8_t n = 0;
  return U8(n) && Units(n, out);
}

bool LogCursor::ShortAnsi(std::string& out) {
  uint8_t n = 0;
  return U8(n) && Chars(n, out);
}
