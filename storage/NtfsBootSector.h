// The boot sector of an NTFS volume ($Boot), read field by field from the first 512 bytes of its
// first sector (or of its backup, the volume's last sector). This is the one reader of it: the
// volume detection, the whole-volume test of the partition walk and the signature scan's boot
// candidates all take its fields from here, and each keeps only its own rule of which values to
// accept.
#pragma once

#include <cstdint>

#include "platform/ByteOrder.h"
#include "storage/BootSector.h"

struct NtfsBootSector {
  uint8_t sectorsPerCluster = 0;   // 13
  uint64_t totalSectors = 0;       // 40, leaves out the backup boot sector after the volume
  uint64_t mftCluster = 0;         // 48
  uint64_t mftMirrorCluster = 0;   // 56
  // The clusters-per-record fields, as the 32-bit values at 64 (FILE record) and 68 (INDX
  // record). The size is the low byte; the volume detection takes a byte form (0x80 to 0xFF) only
  // when the three bytes after it are 0.
  uint32_t fileRecordField = 0;
  uint32_t indexRecordField = 0;

  uint8_t FileRecordByte() const { return static_cast<uint8_t>(fileRecordField); }
  uint8_t IndexRecordByte() const { return static_cast<uint8_t>(indexRecordField); }
};

// True when the OEM id at 3 starts with "NTFS". Nothing else is checked.
bool HasNtfsOemId(bo::Bytes sector);

// The fields of an NTFS boot sector. Nothing is checked here (HasBootSignature and HasNtfsOemId
// are the caller's): a field that does not lie inside the span reads as 0.
NtfsBootSector ReadNtfsBootSector(bo::Bytes sector);

// Sectors of one NTFS FILE or INDX record from the boot sector's clusters-per-record byte (offset
// 64 or 68): a positive value counts clusters; a negative value -n means records of 2^n bytes,
// whatever the cluster and sector sizes (4 KiB records on a disk of 4 KiB sectors and larger
// clusters are 0xF4). 0 when such a record is not a whole number of sectors or is larger than
// 64 KiB.
uint32_t NtfsBootRecordSectors(uint8_t value, uint32_t sectorsPerCluster, uint32_t bytesPerSector);
