#include "platform/random.h"

#include <cstdint>

namespace {

// The classic linear congruential generator of the Windows C runtime:
// state = state * 214013 + 2531011 (mod 2^32), yielding bits 16 to 30.
constexpr std::uint32_t MULTIPLIER = 214013u;
constexpr std::uint32_t INCREMENT = 2531011u;
constexpr unsigned int OUTPUT_SHIFT = 16u;

// One sequence per thread, so that runs replayed at once each draw their own.
thread_local std::uint32_t randomState = 1u;

}  // namespace

void seedRandom(unsigned int seed) {
  randomState = seed;
}

int drawRandom() {
  // Unsigned arithmetic wraps, which is exactly the reduction mod 2^32.
  randomState = randomState * MULTIPLIER + INCREMENT;
  return static_cast<int>((randomState >> OUTPUT_SHIFT) & static_cast<std::uint32_t>(RANDOM_MAX));
}
