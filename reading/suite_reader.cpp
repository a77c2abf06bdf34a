#include "reading/suite_reader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "reading/format_readers.h"

namespace {

bool endsWithCsv(const std::string& name) {
  const std::string suffix = ".csv";
  if (name.size() < suffix.size()) return false;
  for (std::size_t at = 0; at < suffix.size(); ++at) {
    const char c = name[name.size() - suffix.size() + at];
    if (static_cast<char>(c | 0x20) != suffix[at]) return false;
  }
  return true;
}

}  // namespace

SuiteFormat detectFormat(const std::string& name, const std::string& firstLine) {
  if (isSirHeader(firstLine)) return SuiteFormat::SIR;
  if (endsWithCsv(name)) return SuiteFormat::CSV;
  return SuiteFormat::LISTS;
}

bool readSuite(std::istream& in, const std::string& name, SuiteFormat format, SparseSuite& suite,
               ReadError& error) {
  LineReader reader{in, 0, {}, false};
  std::string firstLine;
  if (!readLine(reader, firstLine)) {
    error = {0, "the file is empty"};
    return false;
  }
  unreadLine(reader, firstLine);
  if (format == SuiteFormat::DETECT) format = detectFormat(name, firstLine);

  SuiteBuilder builder;
  const bool read = format == SuiteFormat::CSV   ? readCsvSuite(reader, builder, error)
                    : format == SuiteFormat::SIR ? readSirSuite(reader, builder, error)
                                                 : readListsSuite(reader, builder, error);
  if (!read) return false;
  if (in.bad()) {
    error = {reader.lineNumber, "the file could not be read to its end"};
    return false;
  }
  return finishSuite(builder, suite, error);
}

bool readSuiteFile(const std::string& path, SuiteFormat format, SparseSuite& suite,
                   ReadError& error) {
  std::error_code status;
  if (std::filesystem::is_directory(path, status)) {
    error = {0, "is a directory, not a suite file"};
    return false;
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = {0, errno != 0 ? std::strerror(errno) : "cannot be opened"};
    return false;
  }
  return readSuite(in, path, format, suite, error);
}
