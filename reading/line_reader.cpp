#include "reading/line_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ios>
#include <iostream>
#include <iterator>
#include <streambuf>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

namespace antorder {

namespace {

constexpr const char* SPACES = " \t";

}  // namespace

namespace {

// Blocks start small, for the many small files, and double up to a
// mebibyte, for the few large ones.
constexpr std::size_t FIRST_CHUNK_BYTES = std::size_t{1} << 16;
constexpr std::size_t CHUNK_BYTES = std::size_t{1} << 20;

// The next block of the stream; false at its end.
bool readChunk(LineReader& reader) {
  std::streambuf* buffer = reader.in.rdbuf();
  if (buffer == nullptr) return false;
  reader.chunk.resize(reader.chunk.empty() ? FIRST_CHUNK_BYTES
                                           : std::min(CHUNK_BYTES, 2 * reader.chunk.size()));
  reader.chunkAt = 0;
  std::streamsize got = 0;
  try {
    got = buffer->sgetn(reader.chunk.data(), static_cast<std::streamsize>(reader.chunk.size()));
  } catch (const std::ios_base::failure&) {
    // A read the system refused (EIO, a folder opened as a file): the
    // reading ends there, and readToTheEnd says the file was not read.
    reader.in.setstate(std::ios::badbit);
  }
  reader.chunkEnd = static_cast<std::size_t>(std::max<std::streamsize>(0, got));
  return reader.chunkEnd > 0;
}

}  // namespace

bool readLine(LineReader& reader, std::string& line) {
  if (reader.hasPending) {
    reader.hasPending = false;
    line = std::move(reader.pending);
    ++reader.lineNumber;
    return true;
  }
  // A line is cut off at the bound instead of growing with whatever the file holds.
  line.clear();
  if (reader.tooLong) return false;
  bool found = false;
  for (;;) {
    if (reader.chunkAt == reader.chunkEnd && !readChunk(reader)) break;
    found = true;
    const char* const start = reader.chunk.data() + reader.chunkAt;
    const std::size_t available = reader.chunkEnd - reader.chunkAt;
    const auto* const end = static_cast<const char*>(std::memchr(start, '\n', available));
    const std::size_t length = end == nullptr ? available : static_cast<std::size_t>(end - start);
    if (length > MAX_LINE_BYTES - line.size()) {
      reader.tooLong = true;
      line.clear();
      return false;
    }
    line.append(start, length);
    reader.chunkAt += length;
    if (end != nullptr) {
      ++reader.chunkAt;
      break;
    }
  }
  if (!found) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  ++reader.lineNumber;
  return true;
}

void readRest(LineReader& reader, std::string& text) {
  text.append(reader.chunk.data() + reader.chunkAt, reader.chunkEnd - reader.chunkAt);
  reader.chunkAt = reader.chunkEnd;
  text.append(std::istreambuf_iterator<char>(reader.in), std::istreambuf_iterator<char>());
}

void unreadLine(LineReader& reader, std::string line) {
  reader.pending = std::move(line);
  reader.hasPending = true;
  --reader.lineNumber;
}

std::istream& standardInput() {
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
#endif
  return std::cin;
}

bool openInput(const std::string& path, std::ifstream& in, ReadError& error) {
  std::error_code status;
  if (std::filesystem::is_directory(std::filesystem::u8path(path), status)) {
    error = {0, "is a folder, not a file"};
    return false;
  }
  errno = 0;
  in.open(std::filesystem::u8path(path), std::ios::binary);
  if (in) return true;
  error = {0, errno != 0 ? std::strerror(errno) : "cannot be opened"};
  return false;
}

bool readToTheEnd(const LineReader& reader, ReadError& error) {
  if (reader.tooLong) {
    error = {reader.lineNumber + 1,
             "the line is longer than " + std::to_string(MAX_LINE_BYTES >> 20) + " MiB"};
    return false;
  }
  if (reader.in.bad()) {
    error = {reader.lineNumber, "the file could not be read to its end"};
    return false;
  }
  return true;
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(SPACES);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(SPACES) - first + 1);
}

bool isBlank(const std::string& line) {
  return line.find_first_not_of(SPACES) == std::string::npos;
}

}  // namespace antorder
