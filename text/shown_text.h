#pragma once

// Text shown to a person that came from an input (a test's name, a path, a
// field): written so that no byte of it can drive a terminal, and cut or
// counted where a message must stay one short line.

#include <cstddef>
#include <string>
#include <vector>

namespace antorder {

// The text as a terminal shows it harmlessly: control characters (a
// terminal's escapes among them) written \xNN; UTF-8 kept.
std::string printable(const std::string& text);

// The file as messages and the summary name it: "(standard input)" for "-".
std::string displayName(const std::string& file);

// The file's name without its folders, as the summary and the picture name it.
std::string baseName(const std::string& file);

// The text as a message quotes it: in quotes, every byte that is not
// printable ASCII written \xNN, at most QUOTED_BYTES of it shown, then "...".
constexpr std::size_t QUOTED_BYTES = 60;
std::string quotedText(const std::string& text);

// A count and its noun, singular for 1: "1 fault", "2 faults", "1 mutant
// killed" (the last word of the noun's that ends in s loses it).
std::string counted(long long count, const std::string& pluralNoun);

// The first five of the names, ", " between them, then " and N more".
std::string someNames(const std::vector<std::string>& names);

}  // namespace antorder
