#include "reporting/order_table.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace antorder {

namespace {

// A CSV field, quoted when it holds a comma, a quote or a line end. A field
// a spreadsheet would take for a formula (one that starts with = + - @, a
// tab or a CR) starts with a ' instead, as spreadsheets' own exports write it.
void printField(std::FILE* out, const std::string& text) {
  const bool formula = !text.empty() && std::string("=+-@\t\r").find(text[0]) != std::string::npos;
  const std::string field = formula ? "'" + text : text;
  if (field.find_first_of(",\"\r\n") == std::string::npos) {
    std::fwrite(field.data(), 1, field.size(), out);
    return;
  }
  std::fputc('"', out);
  for (const char c : field) {
    if (c == '"') std::fputc('"', out);
    std::fputc(c, out);
  }
  std::fputc('"', out);
}

// By position, how many of the faults the order has revealed by then, each
// by its weight.
std::vector<std::int64_t> revealedByPosition(const SparseSuite& suite,
                                             const std::vector<int>& order) {
  std::vector<std::int64_t> revealed(order.size() + 1, 0);
  const std::vector<int> first = firstRevealingPositions(suite, order.data());
  for (std::size_t fault = 0; fault < first.size(); ++fault) {
    revealed[static_cast<std::size_t>(first[fault])] += faultWeight(suite, fault);
  }
  for (std::size_t position = 1; position < revealed.size(); ++position) {
    revealed[position] += revealed[position - 1];
  }
  return revealed;
}

}  // namespace

void printOrderTable(std::FILE* out, const SparseSuite& suite, const RunResults& results) {
  // With nothing revealed there is only the given order and the cheapest first.
  const bool nothing = faultCount(suite) == 0;
  std::vector<const char*> names = {"given order"};
  std::vector<const std::vector<int>*> orders = {&results.orders.given.order};
  if (!nothing) {
    names.insert(names.end(), {"additional greedy", "ant colony"});
    orders.insert(orders.end(), {&results.orders.greedy.order, &results.orders.colony.order});
  }
  names.push_back(nothing ? "cheapest first" : "best order");
  orders.push_back(&results.orders.best.order);
  // The model's order is of the window's tests unless others are listed.
  if (results.plan.predicted && !results.plan.listed) {
    names.push_back("failure model");
    orders.push_back(&results.plan.prediction.order);
  }
  // With --evaluate, how many of the other matrix's faults each order has
  // revealed by each position.
  std::vector<std::vector<std::int64_t>> revealed;
  std::fputs("position", out);
  for (const char* name : names) std::fprintf(out, ",%s", name);
  if (results.evaluated) {
    for (std::size_t at = 0; at < orders.size(); ++at) {
      std::fputc(',', out);
      printField(out, results.evaluation.itemNoun + " revealed by " + names[at]);
      revealed.push_back(revealedByPosition(results.evaluation, *orders[at]));
    }
  }
  std::fputc('\n', out);
  for (std::size_t position = 0; position < suite.testNames.size(); ++position) {
    std::fprintf(out, "%zu", position + 1);
    for (const std::vector<int>* order : orders) {
      std::fputc(',', out);
      printField(out, suite.testNames[static_cast<std::size_t>((*order)[position])]);
    }
    for (const std::vector<std::int64_t>& counts : revealed) {
      std::fprintf(out, ",%lld", static_cast<long long>(counts[position + 1]));
    }
    std::fputc('\n', out);
  }
}

}  // namespace antorder
