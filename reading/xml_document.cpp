#include "reading/xml_document.h"

#include <algorithm>

#include "suite/field_values.h"

namespace antorder {

namespace {

// Whether XML allows the character: tab, the line ends, and the rest of
// Unicode but the controls, the surrogates, U+FFFE and U+FFFF.
bool xmlAllows(unsigned long value) {
  return value == 0x9 || value == 0xA || value == 0xD || (value >= 0x20 && value <= 0xD7FF) ||
         (value >= 0xE000 && value <= 0xFFFD) || (value >= 0x10000 && value <= 0x10FFFF);
}

// The digit's value in the base (10 or 16), or -1.
int digitValue(char c, int base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the character reference at `at` ("&#65;", "&#x41;"); false where
// there is none.
bool referenceAt(const std::string& text, std::size_t at, unsigned long& value) {
  const bool hex = at + 2 < text.size() && (text[at + 2] == 'x' || text[at + 2] == 'X');
  const int base = hex ? 16 : 10;
  std::size_t digit = at + (hex ? 3 : 2);
  const std::size_t first = digit;
  value = 0;
  for (; digit < text.size() && digitValue(text[digit], base) >= 0; ++digit) {
    // Past the largest character the value need not grow.
    if (value <= 0x10FFFF) {
      value = value * static_cast<unsigned long>(base) +
              static_cast<unsigned long>(digitValue(text[digit], base));
    }
  }
  return digit > first && digit < text.size() && text[digit] == ';';
}

// The offset of the first character reference to a character XML forbids
// (&#0;, &#x1b;), or npos. pugixml takes them, and &#0; would end a name early.
std::size_t forbiddenReference(const std::string& text) {
  for (std::size_t at = text.find("&#"); at != std::string::npos; at = text.find("&#", at + 2)) {
    unsigned long value = 0;
    if (referenceAt(text, at, value) && !xmlAllows(value)) return at;
  }
  return std::string::npos;
}

}  // namespace

long lineAt(const XmlReport& report, std::ptrdiff_t offset) {
  const auto after = std::upper_bound(report.lineStarts.begin(), report.lineStarts.end(), offset);
  return static_cast<long>(after - report.lineStarts.begin());
}

bool loadXmlReport(std::istream& in, const std::vector<std::string>& roots, const char* kind,
                   XmlReport& report, ReadError& error) {
  report.text.clear();
  std::vector<char> block(std::size_t{1} << 16);
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    report.text.append(block.data(), static_cast<std::size_t>(in.gcount()));
    if (report.text.size() > MAX_REPORT_BYTES) {
      error = {0, "the report is larger than " + std::to_string(MAX_REPORT_BYTES >> 20) +
                      " MiB, the most that is read"};
      return false;
    }
  }
  if (in.bad()) {
    error = {0, "the file could not be read to its end"};
    return false;
  }
  report.lineStarts = {0};
  for (std::size_t at = 0; at < report.text.size(); ++at) {
    if (report.text[at] == '\n') report.lineStarts.push_back(static_cast<std::ptrdiff_t>(at) + 1);
  }
  if (const std::size_t at = forbiddenReference(report.text); at != std::string::npos) {
    error = {lineAt(report, static_cast<std::ptrdiff_t>(at)),
             "not well-formed XML: a reference to a character XML forbids, " +
                 quotedText(report.text.substr(at, report.text.find(';', at) - at + 1))};
    return false;
  }
  const pugi::xml_parse_result parsed =
      report.document.load_buffer(report.text.data(), report.text.size());
  if (!parsed) {
    error = {lineAt(report, parsed.offset),
             std::string("not well-formed XML: ") + parsed.description()};
    return false;
  }
  const pugi::xml_node root = report.document.document_element();
  if (std::find(roots.begin(), roots.end(), root.name()) != roots.end()) return true;
  std::string expected;
  for (const std::string& name : roots) {
    expected += (expected.empty() ? "<" : " or <") + name + ">";
  }
  error = {
      lineAt(report, root.offset_debug()),
      std::string("not ") + kind + ": its root element is <" + root.name() + ">, not " + expected};
  return false;
}

}  // namespace antorder
