#pragma once

#include <cstdio>
#include <string>

// A score as the report prints it.
inline std::string sixDecimals(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
  return text;
}

// A tour as its 0-based digits, "230412" for 2 3 0 4 1 2, and back.
inline std::string tourText(const int* tour, int length) {
  std::string text;
  for (int entry = 0; entry < length; ++entry) text += static_cast<char>('0' + tour[entry]);
  return text;
}

inline void parseTour(const std::string& text, int* tour) {
  for (std::size_t entry = 0; entry < text.size(); ++entry) tour[entry] = text[entry] - '0';
}
