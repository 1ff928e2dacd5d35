#include "storage/BadSectorPolicy.h"

#include <algorithm>
#include <atomic>

#include "prompts/UserPrompts.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

namespace {
std::atomic<uint64_t> g_ZeroFilled{0};
}

int BadSectorChoiceAfterFailure() {
  int choice = g_BadSectorChoice.load();
  if (choice == 2 || choice == 3) return choice;
  const int answer = Prompts().AskBadSector();
  if (answer >= 0 && answer <= 3) {
    g_BadSectorChoice = answer;
    return answer;
  }
  return choice;
}

void ZeroFillSectors(std::span<std::byte> bytes, uint64_t sectors) {
  std::fill(bytes.begin(), bytes.end(), std::byte{0});
  g_ZeroFilled.fetch_add(sectors, std::memory_order_relaxed);
}

uint64_t ZeroFilledSectorCount() {
  return g_ZeroFilled.load(std::memory_order_relaxed);
}
void ResetZeroFilledSectorCount() {
  g_ZeroFilled = 0;
}
