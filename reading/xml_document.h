#pragma once

// An XML report read whole with pugixml, and the line of any of its nodes,
// for the readers of JUnit and PIT reports.

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "suite/suite_builder.h"

namespace antorder {

// The largest report read. A report takes about five times its size in
// memory once parsed: a larger one is refused rather than let exhaust it
// (a 32-bit program has less to give).
constexpr std::size_t MAX_REPORT_BYTES =
    sizeof(void*) < 8 ? std::size_t{128} << 20 : std::size_t{512} << 20;

struct XmlReport {
  std::string text;
  std::vector<std::ptrdiff_t> lineStarts;  // the offset at which each line starts
  pugi::xml_document document;
};

// Reads the stream into the report; false, with the line and the reason, when
// it is larger than MAX_REPORT_BYTES, not well-formed XML, or its root
// element is not one of `roots`
// (`kind` names the report in that reason: "a JUnit report").
bool loadXmlReport(std::istream& in, const std::vector<std::string>& roots, const char* kind,
                   XmlReport& report, ReadError& error);

// The line, from 1, of a byte offset in the report, as pugixml's offset_debug gives it.
long lineAt(const XmlReport& report, std::ptrdiff_t offset);

}  // namespace antorder
