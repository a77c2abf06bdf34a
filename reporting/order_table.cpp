#include "reporting/order_table.h"

#include <cstddef>
#include <string>
#include <vector>

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
  // With nothing revealed there is only the given order and the cheapest first.
  const bool nothing = faultCount(suite) == 0;
  std::fputs(nothing ? "position,given order,cheapest first\n"
                     : "position,given order,additional greedy,ant colony,best order\n",
             out);
  std::vector<const std::vector<int>*> orders = {&results.given.order};
  if (!nothing) orders.insert(orders.end(), {&results.greedy.order, &results.colony.order});
  orders.push_back(&results.best.order);
  for (std::size_t position = 0; position < suite.testNames.size(); ++position) {
    std::fprintf(out, "%zu", position + 1);
    for (const std::vector<int>* order : orders) {
      std::fputc(',', out);
      printField(out, suite.testNames[static_cast<std::size_t>((*order)[position])]);
    }
    std::fputc('\n', out);
  }
}
