// RawDevice over a POSIX file descriptor: pread/pwrite with EINTR and short-count handling, sizes
// from BLKGETSIZE64 for block devices and st_size for files.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/RawDevice.h"

namespace {

DeviceIdentity IdentityOf(const struct stat& st, uint64_t sizeBytes) {
  DeviceIdentity identity;
  if (S_ISBLK(st.st_mode)) {
    identity.deviceNumber = static_cast<uint64_t>(st.st_rdev);
  } else {
    identity.deviceNumber = static_cast<uint64_t>(st.st_dev);
    identity.fileNumber = static_cast<uint64_t>(st.st_ino);
  }
  identity.sizeBytes = sizeBytes;
  return identity;
}

class PosixFileDevice final : public RawDevice {
 public:
  explicit PosixFileDevice(int fd) : m_Fd(fd) {}
  ~PosixFileDevice() override { Close(); }
  PosixFileDevice(const PosixFileDevice&) = delete;
  PosixFileDevice& operator=(const PosixFileDevice&) = delete;

  int64_t ReadAt(uint64_t offset, std::span<std::byte> buffer) override {
    if (m_Fd < 0) return -1;
    size_t done = 0;
    while (done < buffer.size()) {
      const uint64_t at = offset + done;
      if (at > static_cast<uint64_t>(INT64_MAX)) return -1;
      ssize_t n = ::pread(m_Fd, buffer.data() + done, buffer.size() - done, static_cast<off_t>(at));
      if (n < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (n == 0) break;  // end of file or device
      done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
  }

  int64_t WriteAt(uint64_t offset, std::span<const std::byte> data) override {
    if (m_Fd < 0) return -1;
    size_t done = 0;
    while (done < data.size()) {
      const uint64_t at = offset + done;
      if (at > static_cast<uint64_t>(INT64_MAX)) return -1;
      ssize_t n = ::pwrite(m_Fd, data.data() + done, data.size() - done, static_cast<off_t>(at));
      if (n < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (n == 0) return -1;  // no progress: the device is full or gone
      done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
  }

  std::optional<uint64_t> SizeBytes() override {
    struct stat st {};
    if (m_Fd < 0 || ::fstat(m_Fd, &st) != 0) return std::nullopt;
    if (S_ISBLK(st.st_mode)) {
      uint64_t bytes = 0;
      if (::ioctl(m_Fd, BLKGETSIZE64, &bytes) != 0) return std::nullopt;
      return bytes;
    }
    if (st.st_size < 0) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
  }

  uint32_t LogicalSectorSize() override {
    struct stat st {};
    if (m_Fd < 0 || ::fstat(m_Fd, &st) != 0 || !S_ISBLK(st.st_mode)) return 0;
    int size = 0;
    if (::ioctl(m_Fd, BLKSSZGET, &size) != 0 || size <= 0) return 0;
    return static_cast<uint32_t>(size);
  }

  bool Sync() override { return m_Fd >= 0 && ::fsync(m_Fd) == 0; }

  std::optional<DeviceIdentity> Identity() override {
    struct stat st {};
    if (m_Fd < 0 || ::fstat(m_Fd, &st) != 0) return std::nullopt;
    return IdentityOf(st, SizeBytes().value_or(0));
  }

  bool Close() override {
    if (m_Fd < 0) return true;
    const int fd = m_Fd;
    m_Fd = -1;
    // Linux releases the descriptor even when close reports EINTR, so it is never retried.
    return ::close(fd) == 0 || errno == EINTR;
  }

 private:
  int m_Fd;
};

}  // namespace

std::unique_ptr<RawDevice> OpenFileDevice(const std::string& path, DeviceAccess access,
                                          int* error) {
  int flags = O_CLOEXEC;
  // O_EXCL on a block device makes the kernel refuse a disk that is mounted or held by another
  // exclusive opener, which is exactly the target a disk image must not overwrite.
  // O_EXCL without write access asks the same of the kernel without opening the disk for
  // writing, whose close would make the system rescan it.
  switch (access) {
    case DeviceAccess::Read:
      flags |= O_RDONLY;
      break;
    case DeviceAccess::WriteExclusive:
      flags |= O_WRONLY | O_EXCL;
      break;
    case DeviceAccess::ReadExclusive:
      flags |= O_RDONLY | O_EXCL;
      break;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (error) *error = errno;
    return nullptr;
  }
  if (error) *error = 0;
  return std::make_unique<PosixFileDevice>(fd);
}

std::optional<DeviceIdentity> IdentifyFile(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  uint64_t size = 0;
  if (S_ISBLK(st.st_mode)) {
    // The size of a block device needs an open; a device the user may not open keeps size 0,
    // and its identity is then compared by number alone.
    int fd;
    do {
      fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
      if (::ioctl(fd, BLKGETSIZE64, &size) != 0) size = 0;
      ::close(fd);
    }
  } else if (st.st_size > 0) {
    size = static_cast<uint64_t>(st.st_size);
  }
  return IdentityOf(st, size);
}
