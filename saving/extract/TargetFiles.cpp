#include "saving/extract/TargetFiles.h"

#include <dirent.h>
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

// True for U+0080 to U+009F, the C1 controls: 0xC2 followed by 0x80 to 0x9F in UTF-8.
bool IsC1Control(std::string_view s, size_t i) {
  return static_cast<unsigned char>(s[i]) == 0xC2 && i + 1 < s.size() &&
         static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
         static_cast<unsigned char>(s[i + 1]) <= 0x9F;
}

}  // namespace

void SetTargetWriteFunction(TargetWriteFunction fn) {
  g_TargetWrite.store(fn, std::memory_order_release);
}

void SetTargetCloseFunction(TargetCloseFunction fn) {
  g_TargetClose.store(fn, std::memory_order_release);
}

std::string SafeFileName(std::string_view utf8) {
  // Control characters (a newline, an escape sequence) in a name would reach terminals, file
  // managers and scripts: each becomes "_" like the other characters a name cannot hold.
  std::string name;
  name.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (IsC1Control(utf8, i)) {
      name.push_back('_');
      ++i;
    } else {
      name.push_back(c == '/' || c < 0x20 || c == 0x7F ? '_' : static_cast<char>(c));
    }
  }
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
    m_Position += static_cast<uint64_t>(n);
  }
  m_HoleAtEnd = false;
  return true;
}

bool TargetFile::WriteHole(uint64_t bytes) {
  if (bytes == 0) return true;
  if (bytes > static_cast<uint64_t>(std::numeric_limits<off_t>::max()) - m_Position ||
      ::lseek(m_Fd.Get(), static_cast<off_t>(bytes), SEEK_CUR) < 0)
    return false;
  m_Position += bytes;
  m_HoleAtEnd = true;
  return true;
}

bool TargetFile::SettleLength() {
  // A hole at the end has no byte written after it: the length must be set for it to count.
  if (!m_HoleAtEnd || !m_Fd.IsOpen()) return true;
  m_HoleAtEnd = false;
  return ::ftruncate(m_Fd.Get(), static_cast<off_t>(m_Position)) == 0;
}

bool TargetFile::Close() {
  const bool ok = SettleLength();
  const TargetCloseFunction hook = g_TargetClose.load(std::memory_order_acquire);
  if (hook && m_Fd.IsOpen()) return hook(m_Fd.Release()) == 0 && ok;
  return m_Fd.Close() && ok;
}

bool TargetFile::SetModifiedTime(const timespec& when, bool accessTimeToo) {
  // Setting the length later would move the time again.
  const bool ok = SettleLength();
  const timespec times[2] = {accessTimeToo ? when : timespec{0, UTIME_OMIT}, when};
  return ::futimens(m_Fd.Get(), times) == 0 && ok;
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

std::string NumberedName(const std::string& safeName, uint32_t n) {
  const std::string digits = std::to_string(n);
  const size_t dot = safeName.rfind('.');
  std::string extension;
  // An "extension" too long to leave room for the number is part of the name.
  if (dot != std::string::npos && safeName.size() - dot + digits.size() <= kMaxNameBytes)
    extension = safeName.substr(dot);
  const std::string_view base =
      std::string_view(safeName).substr(0, safeName.size() - extension.size());
  const size_t room = kMaxNameBytes - extension.size() - digits.size();
  return std::string(base.substr(0, Utf8Cut(base, room))) + digits + extension;
}

TargetFile TargetFolder::CreateFile(std::string& safeName, ExistingName whenTaken) const {
  if (!IsOpen()) return TargetFile();
  // O_EXCL: an entry of the name, whatever it is (a file, a symbolic or a hard link to a file
  // outside the target), is never opened; only a new file is written.
  auto create = [&](const std::string& name) {
    return UniqueFd(::openat(m_Fd.Get(), name.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  };
  UniqueFd fd = create(safeName);
  if (fd.IsOpen() || errno != EEXIST) return TargetFile(std::move(fd));
  switch (whenTaken) {
    case ExistingName::Skip: {
      TargetFile skipped;
      skipped.m_Skipped = true;
      return skipped;
    }
    case ExistingName::Overwrite:
      // The old entry goes (a folder stays: unlinkat refuses it) and a new file takes its name.
      if (::unlinkat(m_Fd.Get(), safeName.c_str(), 0) != 0 && errno != ENOENT) return TargetFile();
      return TargetFile(create(safeName));
    case ExistingName::Rename:
      for (uint32_t n = 0; n < kNumberedNames; ++n) {
        std::string numbered = NumberedName(safeName, n);
        fd = create(numbered);
        if (fd.IsOpen()) {
          safeName = std::move(numbered);
          return TargetFile(std::move(fd));
        }
        if (errno != EEXIST) break;
      }
      return TargetFile();
  }
  return TargetFile();
}

TargetFolder TargetFolder::Duplicate() const {
  TargetFolder f;
  if (IsOpen()) f.m_Fd = UniqueFd(::fcntl(m_Fd.Get(), F_DUPFD_CLOEXEC, 0));
  return f;
}

bool TargetFolder::Remove(const std::string& safeName) const {
  return IsOpen() && (::unlinkat(m_Fd.Get(), safeName.c_str(), 0) == 0 || errno == ENOENT);
}

bool TargetFolder::Exists(const std::string& safeName) const {
  struct stat st {};
  return IsOpen() && ::fstatat(m_Fd.Get(), safeName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

std::unordered_set<std::string> TargetFolder::Names() const {
  std::unordered_set<std::string> names;
  if (!IsOpen()) return names;
  // The directory stream owns (and closes) a descriptor of its own, read from the start.
  const int fd = ::openat(m_Fd.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return names;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return names;
  }
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name != "." && name != "..") names.emplace(name);
  }
  ::closedir(dir);
  return names;
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
