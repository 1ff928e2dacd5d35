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

// What tells one disk from another under the same name: the device number of a block device (or
// the file system and inode of a file standing in for one), its size, and for a loop device the
// file behind it. A disk unplugged and another one plugged in gets another identity.
struct DeviceIdentity {
  uint64_t deviceNumber = 0;  // st_rdev of a block device, st_dev of a plain file
  uint64_t fileNumber = 0;    // st_ino of a plain file, 0 for a block device
  uint64_t sizeBytes = 0;
  std::string backingFile;  // a loop device's backing file, empty otherwise
  bool operator==(const DeviceIdentity&) const = default;
};

enum class DeviceAccess {
  Read,            // shared read access: the source of a scan, an image piece
  WriteExclusive,  // the target of a disk-to-disk image: refused while mounted or held
  ReadExclusive,   // only to learn whether a disk is mounted or held, without opening it for
                   // writing (which makes the system rescan the disk)
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

  // The device number and size of what is open (no backing file: the namespace adds it);
  // nothing when the device cannot tell, as a device held in memory cannot.
  virtual std::optional<DeviceIdentity> Identity() { return std::nullopt; }
};

// The identity of a node or file by its operating-system path, without opening it, so that a disk
// the user may not open can still be told apart from another; nothing when it does not exist.
std::optional<DeviceIdentity> IdentifyFile(const std::string& path);

// Opens an ordinary file or a device node by its operating-system path. Returns nullptr on
// failure, with the errno value in *error when error is given.
std::unique_ptr<RawDevice> OpenFileDevice(const std::string& path, DeviceAccess access,
                                          int* error = nullptr);
