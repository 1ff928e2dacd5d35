#include "storage/BadSectorPolicy.h"

#include <algorithm>
#include <atomic>

#include "prompts/UserPrompts.h"
#include "storage/SectorIo.h"
#include "storage/SourceGlobals.h"

namespace {
std::atomic<uint64_t> g_ZeroFilled{0};

// The answer a hold keeps on this thread: -1 none yet; absent while no hold lives.
thread_local bool t_Holding = false;
thread_local int t_HeldAnswer = -1;
}  // namespace

BadSectorAnswerHold::BadSectorAnswerHold() : m_Outermost(!t_Holding) {
  if (m_Outermost) {
    t_Holding = true;
    t_HeldAnswer = -1;
  }
}

BadSectorAnswerHold::~BadSectorAnswerHold() {
  if (m_Outermost) {
    t_Holding = false;
    t_HeldAnswer = -1;
  }
}

int BadSectorChoiceAfterFailure() {
  int choice = g_BadSectorChoice.load();
  if (choice == 2 || choice == 3) return choice;
  if (t_Holding && t_HeldAnswer >= 0) return t_HeldAnswer;
  const int answer = Prompts().AskBadSector();
  if (answer >= 0 && answer <= 3) {
    g_BadSectorChoice = answer;
    choice = answer;
  }
  if (t_Holding) t_HeldAnswer = choice;
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
