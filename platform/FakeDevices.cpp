#include "platform/FakeDevices.h"

#include <algorithm>
#include <cstring>

int64_t MemoryDevice::ReadAt(uint64_t offset, std::span<std::byte> buffer) {
  std::lock_guard lock(m_Disk->mutex);
  const uint64_t size = m_Disk->bytes.size();
  if (offset >= size) return 0;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - offset));
  if (n) std::memcpy(buffer.data(), m_Disk->bytes.data() + offset, n);
  return static_cast<int64_t>(n);
}

int64_t MemoryDevice::WriteAt(uint64_t offset, std::span<const std::byte> data) {
  std::lock_guard lock(m_Disk->mutex);
  if (m_Disk->readOnly) return -1;
  const uint64_t size = m_Disk->bytes.size();
  // A memory disk has a fixed size like a real one: writing past its end fails.
  if (offset > size || data.size() > size - offset) return -1;
  if (!data.empty()) std::memcpy(m_Disk->bytes.data() + offset, data.data(), data.size());
  return static_cast<int64_t>(data.size());
}

std::optional<uint64_t> MemoryDevice::SizeBytes() {
  std::lock_guard lock(m_Disk->mutex);
  return m_Disk->bytes.size();
}

uint32_t MemoryDevice::LogicalSectorSize() {
  std::lock_guard lock(m_Disk->mutex);
  return m_Disk->sectorSize;
}

FaultyDevice::FaultyDevice(std::unique_ptr<RawDevice> inner, std::shared_ptr<FaultPlan> plan)
    : m_Inner(std::move(inner)), m_Plan(std::move(plan)) {
  std::lock_guard lock(m_Plan->mutex);
  ++m_Plan->opens;
}

FaultyDevice::~FaultyDevice() {
  Close();
}

bool FaultyDevice::Fails(uint64_t offset, uint64_t length) {
  const uint64_t ss = m_Plan->sectorSize ? m_Plan->sectorSize : 512;
  if (length == 0) return false;
  const uint64_t first = offset / ss, last = (offset + length - 1) / ss;
  bool fail = false;
  auto bad = m_Plan->badSectors.lower_bound(first);
  if (bad != m_Plan->badSectors.end() && *bad <= last) fail = true;
  for (auto it = m_Plan->failFirstTimes.lower_bound(first);
       it != m_Plan->failFirstTimes.end() && it->first <= last; ++it) {
    if (it->second > 0) {
      --it->second;
      fail = true;
    }
  }
  return fail;
}

int64_t FaultyDevice::ReadAt(uint64_t offset, std::span<std::byte> buffer) {
  {
    std::lock_guard lock(m_Plan->mutex);
    const bool fail = Fails(offset, buffer.size());
    m_Plan->calls.push_back({false, offset, buffer.size(), fail});
    if (fail) {
      // A failed read leaves garbage behind, as a real driver may: callers must not use it.
      std::fill(buffer.begin(), buffer.end(), std::byte{0xEE});
      return -1;
    }
  }
  return m_Inner->ReadAt(offset, buffer);
}

int64_t FaultyDevice::WriteAt(uint64_t offset, std::span<const std::byte> data) {
  {
    std::lock_guard lock(m_Plan->mutex);
    const bool fail = Fails(offset, data.size());
    m_Plan->calls.push_back({true, offset, data.size(), fail});
    if (fail) return -1;
  }
  return m_Inner->WriteAt(offset, data);
}

bool FaultyDevice::Sync() {
  {
    std::lock_guard lock(m_Plan->mutex);
    if (m_Plan->failSync) return false;
  }
  return m_Inner->Sync();
}

bool FaultyDevice::Close() {
  if (m_Closed) return true;
  m_Closed = true;
  {
    std::lock_guard lock(m_Plan->mutex);
    ++m_Plan->closes;
  }
  return m_Inner->Close();
}
