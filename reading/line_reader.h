#pragma once

// Lines of a stream, one at a time, numbered from 1, with their line ends
// (LF or CR LF) removed; one line can be given back to be read again. A line
// is at most MAX_LINE_BYTES long, so that memory never follows the file's size.

#include <cstddef>
#include <iosfwd>
#include <istream>
#include <string>
#include <vector>

#include "suite/suite_builder.h"

namespace antorder {

constexpr std::size_t MAX_LINE_BYTES = std::size_t{1} << 24;

struct LineReader {
  std::istream& in;
  long lineNumber = 0;  // of the line read last
  std::string pending;
  bool hasPending = false;
  bool tooLong = false;  // reading stopped at a line longer than MAX_LINE_BYTES
  // The stream is read a large block at a time: chunk[chunkAt .. chunkEnd) is read but not yet
  // taken.
  std::vector<char> chunk{};
  std::size_t chunkAt = 0;
  std::size_t chunkEnd = 0;
};

// False at the end of input, and at a line that is too long.
bool readLine(LineReader& reader, std::string& line);

// Appends everything not yet read, from the end of the line read last.
void readRest(LineReader& reader, std::string& text);

// Gives back the line read last, so that the next readLine returns it again.
void unreadLine(LineReader& reader, std::string line);

// Opens the file named in UTF-8 to be read; false, with why, as an error of
// line 0.
bool openInput(const std::string& path, std::ifstream& in, ReadError& error);

// Standard input, read as bytes (no CR LF turned into LF on Windows).
std::istream& standardInput();

// False, with the line and the reason, where reading stopped short of the
// stream's end: at a line longer than MAX_LINE_BYTES, or at a read that failed.
bool readToTheEnd(const LineReader& reader, ReadError& error);

// The text without spaces and tabs at either end.
std::string trimmed(const std::string& text);

// True for a line of nothing but spaces and tabs.
bool isBlank(const std::string& line);

}  // namespace antorder
