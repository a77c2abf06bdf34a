#include "runners/runners.h"

namespace antorder {

namespace {

// Whether the byte may stand in a Java name: ASCII letters, digits, '_' and
// '$' (which Surefire's nested classes hold, Outer$Inner), and every byte of
// a UTF-8 sequence.
bool inJavaName(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9') || byte == '_' || byte == '$' || byte >= 0x80;
}

// Surefire's report names the class, as the key does: the file is not needed.
std::string classOf(const std::string& key, const std::string& /*file*/) {
  return junit5ClassOf(key);
}

}  // namespace

const std::vector<NameAffix>& junit5NameAffixes() {
  static const std::vector<NameAffix> affixes = {{"Tests", false}, {"Test", false}, {"Test", true}};
  return affixes;
}

std::string junit5ClassOf(const std::string& key) {
  // The package and class are Java names joined by dots; the method's name
  // is the last of them, and what follows it (a parameterised test's
  // "(int, int)[1]", a display name's words) may hold dots of its own.
  std::size_t lastDot = std::string::npos;
  std::size_t start = 0;
  for (std::size_t at = 0; at < key.size(); ++at) {
    const char c = key[at];
    if (c == '.' && at > start) {
      lastDot = at;
      start = at + 1;
      continue;
    }
    const bool digitFirst = at == start && c >= '0' && c <= '9';
    if (!inJavaName(c) || digitFirst) break;
  }
  return lastDot == std::string::npos ? key : key.substr(0, lastDot);
}

const Runner& junit5Runner() {
  static const Runner row{"junit5", "class", junit5NameAffixes, classOf, nullptr, nullptr};
  return row;
}

}  // namespace antorder
