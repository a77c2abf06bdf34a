#include "text/shown_text.h"

namespace antorder {

namespace {

// The byte as \xNN, in lower-case hexadecimal.
void appendEscaped(std::string& shown, unsigned char byte) {
  static const char HEX[] = "0123456789abcdef";
  shown += "\\x";
  shown += HEX[byte >> 4];
  shown += HEX[byte & 0xF];
}

}  // namespace

std::string printable(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
    } else {
      appendEscaped(shown, byte);
    }
  }
  return shown;
}

std::string displayName(const std::string& file) {
  return file == "-" ? "(standard input)" : printable(file);
}

std::string baseName(const std::string& file) {
  // Cut before escaping: the backslash of an escaped byte is no folder.
  if (file == "-") return displayName(file);
  return printable(file.substr(file.find_last_of("/\\") + 1));
}

std::string quotedText(const std::string& text) {
  std::string shown = "\"";
  for (std::size_t at = 0; at < text.size() && at < QUOTED_BYTES; ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += static_cast<char>(byte);
    } else {
      appendEscaped(shown, byte);
    }
  }
  if (text.size() > QUOTED_BYTES) shown += "...";
  return shown + "\"";
}

std::string counted(long long count, const std::string& pluralNoun) {
  std::string noun = pluralNoun;
  if (count == 1) {
    for (std::size_t end = noun.size(); end > 0;) {
      const std::size_t start = noun.rfind(' ', end - 1);
      const std::size_t first = start == std::string::npos ? 0 : start + 1;
      if (end - first > 1 && noun[end - 1] == 's') {
        noun.erase(end - 1, 1);
        break;
      }
      if (start == std::string::npos) break;
      end = start;
    }
  }
  return std::to_string(count) + " " + noun;
}

std::string someNames(const std::vector<std::string>& names) {
  constexpr std::size_t NAMED = 5;
  std::string text;
  for (std::size_t at = 0; at < names.size() && at < NAMED; ++at) {
    text += (at == 0 ? "" : ", ") + names[at];
  }
  if (names.size() > NAMED) text += " and " + std::to_string(names.size() - NAMED) + " more";
  return text;
}

}  // namespace antorder
