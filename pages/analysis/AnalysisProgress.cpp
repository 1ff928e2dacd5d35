#include "pages/analysis/AnalysisProgress.h"

#include <algorithm>
#include <cstdio>

#include "pages/SizeText.h"

namespace {

char16_t Folded(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return Folded(x) == Folded(y); });
}

// Sets slot to text when value differs from what was shown last.
void WhenChanged(std::optional<uint32_t>& last, uint32_t value, std::optional<std::string>& slot) {
  if (last == value) return;
  last = value;
  slot = std::to_string(value);
}

}  // namespace

AnalysisFieldTexts AnalysisProgressView::Update(const ScanProgress& p, uint32_t indxCount,
                                                int64_t endSector, int32_t bytesPerSector) {
  AnalysisFieldTexts t;
  if (p.mode == 'e') {
    // While imaging the sector travels in the folder count and the size in the size field.
    const uint64_t sector = m_ImageMode ? p.folders : p.sizeOrSector;
    const std::string sectors = std::to_string(static_cast<uint32_t>(sector)) + "/" +
                                std::to_string(static_cast<uint32_t>(endSector));
    if (m_ImageMode) {
      t.sizeOrSector = sectors;
      const uint64_t bps = bytesPerSector > 0 ? static_cast<uint64_t>(bytesPerSector) : 0;
      t.folders = p.sizeOrSector == 0 ? std::string("0") : SizeTextOneDecimal(p.sizeOrSector * bps);
    } else {
      if (m_FileSystem == FileSystemKind::Ntfs) {
        std::optional<std::string> indx;
        WhenChanged(m_Indx, indxCount, indx);
        t.sizeOrSector = indx;
        t.detail = " Analysing  Sectors :     " + sectors;
      } else {
        t.sizeOrSector = sectors;
      }
      WhenChanged(m_Folders, p.folders, t.folders);
    }
    WhenChanged(m_Files, p.files, t.files);
    if (!SameIgnoringCase(p.name, m_LastName)) {
      m_LastName = p.name;
      t.name = p.name;
    }
    return t;
  }
  t.sizeOrSector = SizeTextMbGbTb(p.sizeOrSector);
  t.folders = std::to_string(p.folders);
  t.files = std::to_string(p.files);
  t.name = p.name;
  m_Folders = p.folders;
  m_Files = p.files;
  m_LastName = p.name;
  return t;
}

void ElapsedClock::Start(uint64_t nowMs) {
  m_Start = nowMs;
  m_PausedTotal = 0;
  m_PausedAt.reset();
}

void ElapsedClock::Pause(uint64_t nowMs) {
  if (!m_PausedAt) m_PausedAt = nowMs;
}

void ElapsedClock::Resume(uint64_t nowMs) {
  if (!m_PausedAt) return;
  m_PausedTotal += nowMs > *m_PausedAt ? nowMs - *m_PausedAt : 0;
  m_PausedAt.reset();
}

uint64_t ElapsedClock::ElapsedMs(uint64_t nowMs) const {
  const uint64_t until = m_PausedAt ? *m_PausedAt : nowMs;
  const uint64_t run = until > m_Start ? until - m_Start : 0;
  return run > m_PausedTotal ? run - m_PausedTotal : 0;
}

std::string ElapsedClock::Text(uint64_t elapsedMs) {
  const uint64_t seconds = elapsedMs / 1000;
  char text[64];
  std::snprintf(text, sizeof text, "%d : %d : %d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}
