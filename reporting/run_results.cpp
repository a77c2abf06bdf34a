#include "reporting/run_results.h"

namespace antorder {

std::string bestMethodText(const RunResults& results) {
  const BestOrder& found = results.orders.bestFound;
  const char* objective = results.objective == Objective::APFD ? "APFD" : "APFDc";
  std::string text;
  if (found.exact) {
    text = "exact search: no order scores higher";
    if (results.orders.costsDiffer) text += std::string(" by ") + objective;
    return text;
  }
  text = found.start == OrderStart::ANT_COLONY          ? "ant colony"
         : found.start == OrderStart::ADDITIONAL_GREEDY ? "additional greedy"
                                                        : "look-ahead";
  text += found.improved ? " + local search" : ", not improved by the local search";
  if (results.orders.costsDiffer) text += std::string(", by ") + objective;
  if (found.effortSpent) text += ", stopped at its effort bound";
  return text;
}

std::string displayName(const std::string& file) {
  return file == "-" ? "(standard input)" : printable(file);
}

std::string printable(const std::string& text) {
  static const char HEX[] = "0123456789abcdef";
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
    } else {
      shown += "\\x";
      shown += HEX[byte >> 4];
      shown += HEX[byte & 0xF];
    }
  }
  return shown;
}

std::string baseName(const std::string& file) {
  const std::string name = displayName(file);
  return name.substr(name.find_last_of("/\\") + 1);
}

std::string counted(long long count, const std::string& pluralNoun) {
  std::string noun = pluralNoun;
  if (count == 1) {
    for (std::size_t end = noun.size(); end > 0;) {
      const std::size_t start = noun.rfind(' ', end - 1);
      const std::size_t first = start == std::string::npos ? 0 : start + 1;
      if (end - first > 1 && noun[end - 1] == 's') {
        noun.erase(end - 1, 1);
        break;
      }
      if (start == std::string::npos) break;
      end = start;
    }
  }
  return std::to_string(count) + " " + noun;
}

std::size_t unitsAt(const NextRunPlan& plan, const std::vector<int>& positions) {
  std::vector<char> seen(static_cast<std::size_t>(plan.unitCount), 0);
  std::size_t count = 0;
  for (const int at : positions) {
    char& unit = seen[static_cast<std::size_t>(plan.unitOf[static_cast<std::size_t>(at)])];
    count += unit == 0 ? 1 : 0;
    unit = 1;
  }
  return count;
}

}  // namespace antorder
