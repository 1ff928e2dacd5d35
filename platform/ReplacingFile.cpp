// ReplacingFile over POSIX: O_CREAT | O_EXCL temporary names beside the target, write with EINTR
// and short-count handling, fsync, close, rename, then fsync of the folder so the rename lasts.
#include "platform/ReplacingFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string_view>

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

class PosixReplacingFile final : public FileSink {
 public:
  PosixReplacingFile(int fd, std::string tempPath, std::string targetPath)
      : m_Fd(fd), m_TempPath(std::move(tempPath)), m_TargetPath(std::move(targetPath)) {}
  ~PosixReplacingFile() override { Abandon(); }
  PosixReplacingFile(const PosixReplacingFile&) = delete;
  PosixReplacingFile& operator=(const PosixReplacingFile&) = delete;

  bool Write(std::span<const std::byte> data) override {
    if (m_Fd < 0 || m_Failed) return false;
    size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = ::write(m_Fd, data.data() + done, data.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        m_Failed = true;
        return false;
      }
      done += static_cast<size_t>(n);
    }
    return true;
  }

  bool Commit() override {
    if (m_Fd < 0 || m_Failed) {
      Abandon();
      return false;
    }
    bool ok = ::fsync(m_Fd) == 0;
    const int fd = m_Fd;
    m_Fd = -1;
    // Linux releases the descriptor even when close reports EINTR, so it is never retried; a
    // deferred write error shows here.
    ok = (::close(fd) == 0 || errno == EINTR) && ok;
    if (ok) ok = ::rename(m_TempPath.c_str(), m_TargetPath.c_str()) == 0;
    if (!ok) {
      ::unlink(m_TempPath.c_str());
      m_TempPath.clear();
      return false;
    }
    m_TempPath.clear();
    const int dir = ::open(FolderOf(m_TargetPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return true;
  }

 private:
  void Abandon() {
    if (m_Fd >= 0) {
      ::close(m_Fd);
      m_Fd = -1;
    }
    if (!m_TempPath.empty()) {
      ::unlink(m_TempPath.c_str());
      m_TempPath.clear();
    }
  }

  int m_Fd;
  bool m_Failed = false;
  std::string m_TempPath;
  std::string m_TargetPath;
};

}  // namespace

std::unique_ptr<FileSink> CreateReplacingFile(const std::string& path, int* error) {
  static std::atomic<unsigned> counter{0};
  if (error) *error = 0;
  if (path.empty() || path.back() == '/') {
    if (error) *error = EISDIR;
    return nullptr;
  }
  const std::string folder = FolderOf(path);
  const size_t slash = path.rfind('/');
  // The temporary name stays within the 255-byte limit of a file name whatever the target's.
  const std::string name =
      (slash == std::string::npos ? path : path.substr(slash + 1)).substr(0, 200);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp", static_cast<long>(::getpid()),
                  counter.fetch_add(1));
    // A hidden name keeps a half-written file out of the user's way should the program die.
    std::string temp = (folder == "/" ? "/" : folder + "/") + "." + name + suffix;
    int fd;
    do {
      // Mode 0666 lets the umask decide, as for any file the user creates.
      fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) return std::make_unique<PosixReplacingFile>(fd, std::move(temp), path);
    if (errno != EEXIST) {
      if (error) *error = errno;
      return nullptr;
    }
  }
  if (error) *error = EEXIST;
  return nullptr;
}
