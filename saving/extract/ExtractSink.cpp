#include "saving/extract/ExtractSink.h"

#include <algorithm>

#include "prompts/CopyErrorPrompt.h"
#include "prompts/CopyGlobals.h"
#include "saving/extract/CopyCounters.h"
#include "saving/extract/CopyInterrupt.h"

ExtractSink::ExtractSink(const ExtractTarget& target, CopyObserver& observer)
    : m_Target(target), m_Observer(observer) {}

void ExtractSink::ReportError() const {
  if (m_Target.saving && g_CopySkipAll.load() == 0) AskCopyError();
}

std::optional<ExtractEnd> ExtractSink::Create() {
  if (!m_Target.folder) return ExtractEnd::CreateFailed;
  m_SafeName = SafeFileName(m_Target.name);
  m_File = m_Target.folder->CreateFile(m_SafeName, m_Target.whenTaken);
  if (m_File.IsOpen()) return std::nullopt;
  if (m_File.Skipped()) return ExtractEnd::Refused;
  ReportError();
  return ExtractEnd::CreateFailed;
}

std::optional<ExtractEnd> ExtractSink::Interrupted() {
  const CopyInterrupt stop = CheckCopyInterrupt(m_Target.control);
  if (stop == CopyInterrupt::None) return std::nullopt;
  const ExtractEnd end = End(stop == CopyInterrupt::Abort ? ExtractEnd::Aborted : ExtractEnd::Skipped);
  g_CopySkipOnce = 0;
  return end;
}

std::optional<ExtractEnd> ExtractSink::Write(std::span<std::byte> data) {
  const uint64_t take = std::min<uint64_t>(data.size(), Remaining());
  const uint64_t valid = m_Target.validBytes;
  // Bytes at or past the valid length are zeros on the source's file system whatever its clusters
  // hold: it never wrote them.
  if (m_Written + take > valid) {
    const uint64_t from = valid > m_Written ? valid - m_Written : 0;
    std::fill(data.begin() + static_cast<std::ptrdiff_t>(from),
              data.begin() + static_cast<std::ptrdiff_t>(take), std::byte{0});
  }
  return Wrote(m_File.Write(data.first(static_cast<size_t>(take))), take);
}

std::optional<ExtractEnd> ExtractSink::WriteHole(uint64_t bytes) {
  const uint64_t take = std::min(bytes, Remaining());
  return Wrote(m_File.WriteHole(take), take);
}

std::optional<ExtractEnd> ExtractSink::Wrote(bool ok, uint64_t take) {
  if (!ok) {
    m_File.Close();
    if (m_Written == 0) m_Target.folder->Remove(m_SafeName);  // no byte reached it
    ReportError();
    return ExtractEnd::WriteFailed;
  }
  m_Written += take;
  const uint64_t size = m_Target.size;
  if (m_Target.saving) {
    g_CopiedBytes.fetch_add(take);
    m_Counted += take;
    m_Observer.OnFileProgress(m_Target.name, m_Written, size);
    return std::nullopt;
  }
  m_Observer.OnPreviewProgress(
      size ? static_cast<int>(std::min<uint64_t>(100, m_Written * 100 / size)) : 100);
  return PreviewStopped();
}

std::optional<ExtractEnd> ExtractSink::PreviewStopped() {
  if (m_Target.saving || !m_Observer.PreviewStopRequested()) return std::nullopt;
  return End(ExtractEnd::PreviewStopped);
}

ExtractEnd ExtractSink::Finish() {
  return End(m_Written >= m_Target.size ? ExtractEnd::Written : ExtractEnd::Short);
}

ExtractEnd ExtractSink::End(ExtractEnd how) {
  // The time is set before the close, on the open file: nothing can have replaced it by then.
  bool ok = how != ExtractEnd::Written || !m_Target.modified ||
            m_File.SetModifiedTime(*m_Target.modified, m_Target.accessTimeToo);
  ok = m_File.Close() && ok;
  if (ok) return how;
  // Such a file is not copied (on a failed close its bytes may not even have reached the disk).
  if (m_Counted) g_CopiedBytes.fetch_sub(m_Counted);
  if (how == ExtractEnd::PreviewStopped) return how;
  ReportError();
  return ExtractEnd::WriteFailed;
}
