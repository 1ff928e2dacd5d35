#include "saving/extract/TargetFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <limits>

#include "platform/TextCodec.h"

namespace {

// Bytes of a UTF-8 prefix of s of at most n bytes that ends on a character boundary.
size_t Utf8Cut(std::string_view s, size_t n) {
  if (n >= s.size()) return s.size();
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

std::atomic<TargetWriteFunction> g_TargetWrite{nullptr};
std::atomic<TargetCloseFunction> g_TargetClose{nullptr};

}  // namespace

void SetTargetWriteFunction(TargetWriteFunction fn) {
  g_TargetWrite.store(fn, std::memory_order_release);
}

void SetTargetCloseFunction(TargetCloseFunction fn) {
  g_TargetClose.store(fn, std::memory_order_release);
}

bool TargetFile::Close() {
  const TargetCloseFunction hook = g_TargetClose.load(std::memory_order_acquire);
  if (!hook || !m_Fd.IsOpen()) return m_Fd.Close();
  return hook(m_Fd.Release()) == 0;
}

std::string SafeFileName(std::string_view utf8) {
  std::string name(utf8);
  for (char& c : name)
    if (c == '/' || c == '\0') c = '_';
  if (name.empty() || name == ".") return "_";
  if (name == "..") return "__";
  if (name.size() <= kMaxNameBytes) return name;
  // Keep the extension when it leaves room for some of the name before it.
  const size_t dot = name.rfind('.');
  std::string extension;
  if (dot != std::string::npos && dot > 0 && name.size() - dot <= 32) extension = name.substr(dot);
  const std::string_view base = std::string_view(name).substr(0, name.size() - extension.size());
  return std::string(base.substr(0, Utf8Cut(base, kMaxNameBytes - extension.size()))) + extension;
}

std::string SafeFileName(std::u16string_view name) {
  return SafeFileName(std::string_view(Utf16ToUtf8(name)));
}

UniqueFd& UniqueFd::operator=(UniqueFd&& o) noexcept {
  if (this != &o) {
    Close();
    m_Fd = o.Release();
  }
  return *this;
}

UniqueFd::~UniqueFd() {
  Close();
}

bool UniqueFd::Close() {
  if (m_Fd < 0) return true;
  const int fd = Release();
  // close must not be retried on EINTR on Linux: the descriptor is gone either way.
  return ::close(fd) == 0 || errno == EINTR;
}

bool TargetFile::Write(std::span<const std::byte> data) {
  const TargetWriteFunction hook = g_TargetWrite.load(std::memory_order_acquire);
  while (!data.empty()) {
    const ssize_t n = hook ? hook(m_Fd.Get(), data.data(), data.size())
                           : ::write(m_Fd.Get(), data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data = data.subspan(static_cast<size_t>(n));
  }
  return true;
}

bool TargetFile::SetModifiedTime(const timespec& when) {
  const timespec times[2] = {when, when};
  return ::futimens(m_Fd.Get(), times) == 0;
}

TargetFolder TargetFolder::Open(const std::string& path) {
  TargetFolder f;
  f.m_Fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return f;
}

TargetFolder TargetFolder::Subfolder(const std::string& safeName) const {
  TargetFolder f;
  if (!IsOpen()) return f;
  if (::mkdirat(m_Fd.Get(), safeName.c_str(), 0755) != 0 && errno != EEXIST) return f;
  f.m_Fd = UniqueFd(
      ::openat(m_Fd.Get(), safeName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  return f;
}

TargetFile TargetFolder::CreateFile(const std::string& safeName) const {
  if (!IsOpen()) return TargetFile();
  return TargetFile(UniqueFd(::openat(
      m_Fd.Get(), safeName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644)));
}

TargetFolder TargetFolder::Duplicate() const {
  TargetFolder f;
  if (IsOpen()) f.m_Fd = UniqueFd(::fcntl(m_Fd.Get(), F_DUPFD_CLOEXEC, 0));
  return f;
}

bool TargetFolder::Exists(const std::string& safeName) const {
  struct stat st {};
  return IsOpen() && ::fstatat(m_Fd.Get(), safeName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

std::optional<timespec> DosTimeToTimespec(uint16_t dosDate, uint16_t dosTime) {
  std::tm tm{};
  tm.tm_year = 80 + (dosDate >> 9);
  int month = (dosDate >> 5) & 0x0F;
  if (month < 1 || month > 12) month = 12;
  tm.tm_mon = month - 1;
  tm.tm_mday = dosDate & 0x1F;
  tm.tm_hour = dosTime >> 11;
  tm.tm_min = (dosTime >> 5) & 0x3F;
  tm.tm_sec = (dosTime & 0x1F) * 2;
  if (tm.tm_mday == 0 || tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59) return std::nullopt;
  tm.tm_isdst = -1;  // local time: let the time-zone rules decide
  const time_t t = std::mktime(&tm);
  if (t == static_cast<time_t>(-1)) return std::nullopt;
  return timespec{t, 0};
}

std::optional<timespec> FileTimeToTimespec(uint64_t fileTime) {
  if (fileTime == 0) return std::nullopt;
  constexpr uint64_t kTicksPerSecond = 10'000'000;
  constexpr int64_t kSeconds1601To1970 = 11'644'473'600;
  const int64_t seconds = static_cast<int64_t>(fileTime / kTicksPerSecond) - kSeconds1601To1970;
  if (seconds < std::numeric_limits<time_t>::min() || seconds > std::numeric_limits<time_t>::max())
    return std::nullopt;
  return timespec{static_cast<time_t>(seconds),
                  static_cast<long>((fileTime % kTicksPerSecond) * 100)};
}
