#include "suite/field_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "suite/sparse_suite.h"

namespace antorder {

bool allDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string nameRefusal(const std::string& name) {
  if (name.find_first_of("\r\n") != std::string::npos) {
    return "a test's name must be one line, found " + quotedText(name);
  }
  const bool control = std::any_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
  return control ? "a test's name must hold no control character, found " + quotedText(name) : "";
}

bool parseCost(const std::string& text, float& cost) {
  // from_chars reads no sign, no spaces, no hexadecimal and no locale.
  const char* end = text.data() + text.size();
  float value = 0.0f;
  const auto [stop, status] = std::from_chars(text.data(), end, value);
  if (status != std::errc() || stop != end || !std::isfinite(value)) return false;
  if (!(value >= MIN_COST && value <= MAX_COST)) return false;
  cost = value;
  return true;
}

bool parseSeverity(const std::string& text, int& severity) {
  std::uint64_t value = 0;
  if (!parseWholeNumber(text, value) || value < 1 || value > MAX_SEVERITY) return false;
  severity = static_cast<int>(value);
  return true;
}

bool parseWholeNumber(const std::string& text, std::uint64_t& number) {
  if (!allDigits(text)) return false;
  const char* end = text.data() + text.size();
  const auto [stop, status] = std::from_chars(text.data(), end, number);
  return status == std::errc() && stop == end;
}

}  // namespace antorder
