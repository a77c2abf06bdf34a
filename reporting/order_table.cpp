#include "reporting/order_table.h"

#include <cstddef>
#include <string>

namespace {

// A CSV field, quoted when it holds a comma, a quote or a line end.
void printField(std::FILE* out, const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    std::fputs(text.c_str(), out);
    return;
  }
  std::fputc('"', out);
  for (const char c : text) {
    if (c == '"') std::fputc('"', out);
    std::fputc(c, out);
  }
  std::fputc('"', out);
}

}  // namespace

void printOrderTable(std::FILE* out, const SparseSuite& suite, const RunResults& results) {
  std::fputs("position,given order,additional greedy,ant colony,best order\n", out);
  const std::vector<int>* orders[] = {&results.given.order, &results.greedy.order,
                                      &results.colony.order, &results.best.order};
  for (std::size_t position = 0; position < suite.testNames.size(); ++position) {
    std::fprintf(out, "%zu", position + 1);
    for (const std::vector<int>* order : orders) {
      std::fputc(',', out);
      printField(out, suite.testNames[static_cast<std::size_t>((*order)[position])]);
    }
    std::fputc('\n', out);
  }
}
