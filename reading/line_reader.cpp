#include "reading/line_reader.h"

#include <utility>

namespace {

constexpr const char* SPACES = " \t";

}  // namespace

bool readLine(LineReader& reader, std::string& line) {
  if (reader.hasPending) {
    reader.hasPending = false;
    line = std::move(reader.pending);
    ++reader.lineNumber;
    return true;
  }
  if (!std::getline(reader.in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  ++reader.lineNumber;
  return true;
}

void unreadLine(LineReader& reader, std::string line) {
  reader.pending = std::move(line);
  reader.hasPending = true;
  --reader.lineNumber;
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(SPACES);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(SPACES) - first + 1);
}

bool isBlank(const std::string& line) {
  return line.find_first_not_of(SPACES) == std::string::npos;
}
