// What the sector path does with sectors it could not deliver: ask the user once per failure
// unless an "all" answer is in force, and zero-fill what stays missing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Asks the bad-sector question unless g_BadSectorChoice is 2 (retry all) or 3 (skip all), stores
// a real answer (0..3) in g_BadSectorChoice, keeps the previous one when the user closed the
// question without choosing, and returns the choice now in force.
int BadSectorChoiceAfterFailure();

// While one lives on a thread, the bad-sector question is asked at most once there: the first
// answer stands for every later failure on that thread. A caller that reads a failed run again
// piece by piece holds one, so the user is not asked a second time about sectors already asked
// about. Holds nest; the outermost one keeps the answer.
class BadSectorAnswerHold {
 public:
  BadSectorAnswerHold();
  ~BadSectorAnswerHold();
  BadSectorAnswerHold(const BadSectorAnswerHold&) = delete;
  BadSectorAnswerHold& operator=(const BadSectorAnswerHold&) = delete;

 private:
  bool m_Outermost;
};

inline bool ChoiceRetries(int choice) {
  return choice == 0 || choice == 2;
}

// Zeroes bytes and adds sectors to the count of sectors the program could not read.
void ZeroFillSectors(std::span<std::byte> bytes, uint64_t sectors);
