#include "reading/xml_document.h"

#include <algorithm>

namespace antorder {

long lineAt(const XmlReport& report, std::ptrdiff_t offset) {
  const auto after = std::upper_bound(report.lineStarts.begin(), report.lineStarts.end(), offset);
  return static_cast<long>(after - report.lineStarts.begin());
}

bool loadXmlReport(std::istream& in, const std::vector<std::string>& roots, const char* kind,
                   XmlReport& report, ReadError& error) {
  report.text.clear();
  std::vector<char> block(std::size_t{1} << 20);
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
