#pragma once

// Lines of a stream, one at a time, numbered from 1, with their line ends
// (LF or CR LF) removed; one line can be given back to be read again.

#include <istream>
#include <string>

struct LineReader {
  std::istream& in;
  long lineNumber = 0;  // of the line read last
  std::string pending;
  bool hasPending = false;
};

// False at the end of input.
bool readLine(LineReader& reader, std::string& line);

// Gives back the line read last, so that the next readLine returns it again.
void unreadLine(LineReader& reader, std::string line);

// The text without spaces and tabs at either end.
std::string trimmed(const std::string& text);

// True for a line of nothing but spaces and tabs.
bool isBlank(const std::string& line);
