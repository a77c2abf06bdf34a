#pragma once

// The values a suite file holds, parsed strictly: the whole text must be the
// value, with no sign, spaces or other characters around it.

#include <cstdint>
#include <string>

#include "text/shown_text.h"

namespace antorder {

// A cost: a decimal number from MIN_COST to MAX_COST, so that the colony's
// squared costs and trail levels stay finite and above zero.
constexpr float MIN_COST = 1e-18f;
constexpr float MAX_COST = 1e18f;
bool parseCost(const std::string& text, float& cost);

// A severity: a whole number from 1 to MAX_SEVERITY.
bool parseSeverity(const std::string& text, int& severity);

// A whole number of at least 0 that fits in 64 bits: digits only.
bool parseWholeNumber(const std::string& text, std::uint64_t& number);

// Whether the character is a decimal digit, in any locale.
inline bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whether the text is one or more digits and nothing else.
bool allDigits(const std::string& text);

// Why a test's name cannot be written a test a line and read back as one
// name; empty when it can. A line end, or any other control character (a
// NUL, a terminal's escape), would make two names of one, or end one early.
std::string nameRefusal(const std::string& name);

}  // namespace antorder
