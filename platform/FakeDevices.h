// Devices held in memory, for tests and fuzz targets: a plain memory disk and a wrapper that
// fails chosen sectors (always, or only the first N times they are read), since real media
// errors cannot be made on demand.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/RawDevice.h"

// Bytes shared between the test and every device opened over them, so a test can look at what
// a write left behind after the handle is gone.
struct MemoryDisk {
  std::mutex mutex;
  std::vector<std::byte> bytes;
  uint32_t sectorSize = 0;  // what LogicalSectorSize reports (0 = like a plain file)
  bool readOnly = false;    // writes fail
};

class MemoryDevice : public RawDevice {
 public:
  explicit MemoryDevice(std::shared_ptr<MemoryDisk> disk) : m_Disk(std::move(disk)) {}
  int64_t ReadAt(uint64_t offset, std::span<std::byte> buffer) override;
  int64_t WriteAt(uint64_t offset, std::span<const std::byte> data) override;
  std::optional<uint64_t> SizeBytes() override;
  uint32_t LogicalSectorSize() override;
  bool Sync() override { return true; }
  bool Close() override { return true; }

 private:
  std::shared_ptr<MemoryDisk> m_Disk;
};

// Failure plan and a log of the calls, shared by every device opened over it.
struct FaultPlan {
  std::mutex mutex;
  uint32_t sectorSize = 512;
  std::set<uint64_t> badSectors;           // every read or write touching these fails
  std::map<uint64_t, int> failFirstTimes;  // sector -> failures left before it reads well
  struct Call {
    bool write;
    uint64_t offset;
    uint64_t length;
    bool failed;
  };
  std::vector<Call> calls;
  int opens = 0;
  int closes = 0;
  bool failSync = false;
};

class FaultyDevice final : public RawDevice {
 public:
  FaultyDevice(std::unique_ptr<RawDevice> inner, std::shared_ptr<FaultPlan> plan);
  ~FaultyDevice() override;
  int64_t ReadAt(uint64_t offset, std::span<std::byte> buffer) override;
  int64_t WriteAt(uint64_t offset, std::span<const std::byte> data) override;
  std::optional<uint64_t> SizeBytes() override { return m_Inner->SizeBytes(); }
  uint32_t LogicalSectorSize() override { return m_Inner->LogicalSectorSize(); }
  bool Sync() override;
  bool Close() override;

 private:
  bool Fails(uint64_t offset, uint64_t length);  // with the plan locked
  std::unique_ptr<RawDevice> m_Inner;
  std::shared_ptr<FaultPlan> m_Plan;
  bool m_Closed = false;
};
