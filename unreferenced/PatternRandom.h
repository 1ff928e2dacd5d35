// The random numbers of the pattern fills: 15 bits (0 to 32767) from the linear congruential
// generator the C standard gives as its example, seeded like srand, so a seeded pattern comes
// out the same on every platform.
#pragma once

#include <cstdint>

class PatternRandom {
 public:
  static constexpr int kMax = 32767;

  explicit PatternRandom(std::uint32_t seed = 1) : m_State(seed) {}
  void Seed(std::uint32_t seed) { m_State = seed; }
  int Next() {
    m_State = m_State * 1103515245u + 12345u;
    return static_cast<int>((m_State / 65536u) % 32768u);
  }

 private:
  std::uint32_t m_State;
};
