#include "reading/line_reader.h"

#include <streambuf>
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
  // The stream's buffer is read directly, so that a line is cut off at the
  // bound instead of growing with whatever the file holds.
  line.clear();
  std::streambuf* buffer = reader.in.rdbuf();
  if (buffer == nullptr || reader.tooLong) return false;
  int c = buffer->sbumpc();
  if (c == std::char_traits<char>::eof()) return false;
  while (c != std::char_traits<char>::eof() && c != '\n') {
    if (line.size() == MAX_LINE_BYTES) {
      reader.tooLong = true;
      line.clear();
      return false;
    }
    line.push_back(static_cast<char>(c));
    c = buffer->sbumpc();
  }
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
