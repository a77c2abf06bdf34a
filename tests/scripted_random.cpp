#include "tests/scripted_random.h"

#include <cstddef>

namespace {

std::vector<int> script;
std::size_t nextDraw = 0;

}  // namespace

void scriptDraws(const std::vector<int>& values) {
  script = values;
  nextDraw = 0;
}

int drawsTaken() {
  return static_cast<int>(nextDraw);
}

// Seeding leaves a script as it is.
void seedRandom(unsigned int /*seed*/) {}

int drawRandom() {
  const std::size_t draw = nextDraw++;
  if (draw < script.size()) return script[draw];
  return static_cast<int>(draw % static_cast<std::size_t>(RANDOM_MAX + 1));
}
