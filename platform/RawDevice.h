// An open disk, partition or image file addressed by byte offset. The sector path above reads
// and writes through this interface only, so a Windows implementation or a test fake can stand in
// for the Linux file descriptor without the storage layer noticing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

enum class DeviceAccess {
  Read,            // shared read access: the source of a scan, an image piece
  WriteExclusive,  // the target of a disk-to-disk image: refused while mounted or held
};

class RawDevice {
 public:
  virtual ~RawDevice() = default;

  // Reads up to buffer.size() bytes at offset. Returns the number of bytes read (fewer only at
  // the end of the device), or -1 when the read failed (a media error).
  virtual int64_t ReadAt(uint64_t offset, std::span<std::byte> buffer) = 0;

  // Writes all of data at offset. Returns the number of bytes written, or -1 on failure.
  virtual int64_t WriteAt(uint64_t offset, std::span<const std::byte> data) = 0;

  // Size in bytes, when it can be found.
  virtual std::optional<uint64_t> SizeBytes() = 0;

  // Logical sector size the kernel reports for a block device; 0 for a plain file.
  virtual uint32_t LogicalSectorSize() = 0;

  // Flushes written data to the medium. Returns false when that failed.
  virtual bool Sync() = 0;

  // Closes the handle, reporting a failed close (a deferred write error). Idempotent.
  virtual bool Close() = 0;
};

// Opens an ordinary file or a device node by its operating-system path. Returns nullptr on
// failure, with the errno value in *error when error is given.
std::unique_ptr<RawDevice> OpenFileDevice(const std::string& path, DeviceAccess access,
                                          int* error = nullptr);
