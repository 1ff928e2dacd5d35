// The contract every virtual-disk reader (QCOW, QED, Parallels, VDI, VHD, VHDX, VMDK) fulfils,
// and the table through which the sector path finds the reader of the opened file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class VirtualDiskReader {
 public:
  virtual ~VirtualDiskReader() = default;

  // 0 not of this format, 1 opened, 2 of this format but damaged or unsupported, 3 the file
  // cannot be opened (in use or missing). Only the VMDK reader fills typeText (its disk type).
  virtual int Open(const std::string& path, std::string* typeText) = 0;

  // Fills destination from the guest disk; 1 success, 0 failure. position is a byte offset for
  // QCOW, QED, Parallels and VDI, and a 512-byte sector number for VHD, VHDX
  // and VMDK. The sector path calls it once per 512-byte sector,
  // except for VMDK, which gets a whole run in one call.
  virtual int Read(uint64_t position, std::span<std::byte> destination) = 0;

  // Closes the file and frees the tables; harmless when nothing is open.
  virtual void Close() = 0;

  // Size of the guest disk in bytes while a file is open, 0 otherwise.
  virtual uint64_t DiskSizeBytes() const = 0;
};

// The virtual-disk formats. Each has the letter the program has always known it by; the letter
// exists only where it is converted.
enum class VirtualDiskFormat : char {
  Qcow = 'C',
  Qed = 'Q',
  Parallels = 'E',
  Vdi = 'D',
  Vhd = 'H',
  Vhdx = 'X',
  Vmdk = 'N',
};

// The format of a letter; any letter that is not one of the others is VMDK.
VirtualDiskFormat VirtualDiskFormatFromLetter(char letter);

// How ReadSectors addresses the reader of a format.
enum class VirtualDiskAddressing { ByteOffsetPerSector, SectorPerSector, SectorWholeRun };
VirtualDiskAddressing AddressingOf(VirtualDiskFormat format);

// Registers the reader that serves a format. The caller keeps ownership; nullptr removes it.
void SetVirtualDiskReader(VirtualDiskFormat format, VirtualDiskReader* reader);
VirtualDiskReader* VirtualDiskReaderFor(VirtualDiskFormat format);
