#include "reading/diff_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "reading/line_reader.h"
#include "suite/field_values.h"

namespace antorder {

namespace {

bool startsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool isOctal(char c) {
  return c >= '0' && c <= '7';
}

// Up to three octal digits from `at`, which moves to the last: one byte of
// a name, from 1 to 255 (0 or above 255 is none).
int octalByte(const std::string& text, std::size_t& at) {
  int value = 0;
  std::size_t end = at;
  while (end < text.size() && end < at + 3 && isOctal(text[end])) {
    value = value * 8 + (text[end] - '0');
    ++end;
  }
  at = end - 1;
  return value;
}

// A path as git writes it: in quotes with C escapes (octal bytes among
// them) where it holds unusual characters, else as it is, up to a tab
// (after which diff -u writes a date). The reason it cannot be read, or
// empty: quotes not closed, an escape that is no byte of a name, text
// after the closing quote.
std::string unquotedPath(const std::string& text, std::string& path) {
  path.clear();
  if (text.empty() || text[0] != '"') {
    path = text.substr(0, text.find('\t'));
    return {};
  }
  for (std::size_t at = 1; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '"') {
      // Only diff -u's tab and date may follow the path.
      if (at + 1 < text.size() && text[at + 1] != '\t') return "text after a quoted path";
      return {};
    }
    if (c != '\\') {
      path += c;
      continue;
    }
    if (++at == text.size()) return "a quoted path is not closed";
    const char escaped = text[at];
    if (isOctal(escaped)) {
      const int value = octalByte(text, at);
      if (value == 0 || value > 255) return "a quoted path's \\ escape is no byte of a name";
      path += static_cast<char>(value);
      continue;
    }
    const char* const from = "abtnvfr\"\\";
    const char* const to = "\a\b\t\n\v\f\r\"\\";
    const char* const found = std::strchr(from, escaped);
    if (found == nullptr || escaped == '\0')
      return "a quoted path's \\ escape is no byte of a name";
    path += to[found - from];
  }
  return "a quoted path is not closed";
}

// The path without git's prefix (a/ on the old side, b/ on the new), or
// empty for /dev/null.
std::string withoutPrefix(const std::string& path, const char* prefix) {
  if (path == "/dev/null") return "";
  return startsWith(path, prefix) ? path.substr(2) : path;
}

// No file has more lines than this; a larger number is no line number.
constexpr std::uint64_t MOST_LINES = 0x7FFFFFFF;

// A line number or count of a hunk header.
bool parseLineNumber(const std::string& text, std::uint64_t& value) {
  return parseWholeNumber(text, value) && value <= MOST_LINES;
}

// "@@ -12,3 +12,4 @@ ...": a count left out is 1.
bool parseHunkHeader(const std::string& line, DiffHunk& hunk) {
  const auto range = [&](std::size_t& at, char sign, long& start, long& count) {
    if (at >= line.size() || line[at] != sign) return false;
    const std::size_t end = line.find_first_of(", ", ++at);
    std::uint64_t value = 0;
    if (end == std::string::npos || !parseLineNumber(line.substr(at, end - at), value)) {
      return false;
    }
    start = static_cast<long>(value);
    count = 1;
    at = end;
    if (line[at] == ',') {
      const std::size_t countEnd = line.find(' ', ++at);
      if (countEnd == std::string::npos ||
          !parseLineNumber(line.substr(at, countEnd - at), value)) {
        return false;
      }
      count = static_cast<long>(value);
      at = countEnd;
    }
    ++at;  // the space
    return true;
  };
  std::size_t at = 3;
  return startsWith(line, "@@ ") && range(at, '-', hunk.oldStart, hunk.oldCount) &&
         range(at, '+', hunk.newStart, hunk.newCount) && line.compare(at, 2, "@@") == 0;
}

// "diff --git a/P b/P": the paths, where they can be told apart (quoted, or
// the same path on both sides); renames say theirs on lines of their own.
// False where a path is no more than its prefix.
bool pathsOfGitLine(const std::string& line, ChangedFile& file) {
  const std::string rest = line.substr(std::strlen("diff --git "));
  std::string oldPath;
  std::string newPath;
  if (!rest.empty() && rest[0] == '"') {
    const std::size_t close = rest.find("\" ");
    if (close == std::string::npos || !unquotedPath(rest.substr(0, close + 1), oldPath).empty() ||
        !unquotedPath(rest.substr(close + 2), newPath).empty()) {
      return true;
    }
  } else if (rest.size() % 2 == 1) {
    const std::size_t half = (rest.size() - 1) / 2;
    oldPath = rest.substr(0, half);
    newPath = rest.substr(half + 1);
  }
  file.oldPath = withoutPrefix(oldPath, "a/");
  file.newPath = withoutPrefix(newPath, "b/");
  return (oldPath.empty() || !file.oldPath.empty()) && (newPath.empty() || !file.newPath.empty());
}

// "From <commit> Mon Sep 17 00:00:00 2001", with which git format-patch
// begins each patch of a mailbox.
bool startsPatch(const std::string& line) {
  constexpr std::size_t HASH = 40;
  if (!startsWith(line, "From ") || line.size() < 5 + HASH + 1 || line[5 + HASH] != ' ') {
    return false;
  }
  return std::all_of(line.begin() + 5, line.begin() + 5 + HASH,
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// Lines that diff -r, svn diff and hg diff write between files: the file
// before them has ended, and the next begins at its --- line.
bool separatesFiles(const std::string& line) {
  return startsWith(line, "Index: ") || startsWith(line, "diff -") || startsWith(line, "Only in ");
}

// "Binary files OLD and NEW differ" (diff -r, as git's) or "Binary file P
// has changed" (hg): the paths as written, or false where the line is
// neither or they cannot be told apart.
bool binaryPaths(const std::string& line, std::string& oldPath, std::string& newPath) {
  const std::string differ = " differ";
  const std::string changed = " has changed";
  if (startsWith(line, "Binary file ") && line.size() > 12 + changed.size() &&
      line.compare(line.size() - changed.size(), changed.size(), changed) == 0) {
    oldPath = newPath = line.substr(12, line.size() - 12 - changed.size());
    return true;
  }
  if (!startsWith(line, "Binary files ") || line.size() < 13 + differ.size() ||
      line.compare(line.size() - differ.size(), differ.size(), differ) != 0) {
    return false;
  }
  const std::string paths = line.substr(13, line.size() - 13 - differ.size());
  const std::size_t middle = paths.find(" and ");
  if (middle == std::string::npos || middle != paths.rfind(" and ")) return false;
  oldPath = paths.substr(0, middle);
  newPath = paths.substr(middle + 5);
  return true;
}

struct DiffState {
  Change& change;
  ReadError& error;
  long line = 0;
  bool signed_ = false;     // past format-patch's "-- " signature line
  bool inFile = false;      // within a file's headers and hunks
  bool binaryData = false;  // within a GIT binary patch's data
  long oldLeft = 0;         // lines of the open hunk still to come
  long newLeft = 0;
  long nextOld = 0;  // the numbers of the hunk's next old and new lines
  long nextNew = 0;
  bool editOpen = false;  // the last hunk of the file is an edit still read
  bool sawHunk = false;   // of the file being read
  bool gitFile = false;   // the file being read began with diff --git
  int patch = 0;          // of a mailbox of several, the one being read
};

// An edit's counts are final: one that took no old lines (or no new ones)
// starts after its start line, as git -U0 writes it.
void closeEdit(DiffState& state) {
  if (!state.editOpen) return;
  state.editOpen = false;
  DiffHunk& edit = state.change.files.back().hunks.back();
  if (edit.oldCount == 0) --edit.oldStart;
  if (edit.newCount == 0) --edit.newStart;
}

bool fail(DiffState& state, const std::string& reason) {
  state.error = {state.line, reason};
  return false;
}

// A line of an open hunk's body.
bool readHunkLine(DiffState& state, const std::string& text) {
  const char kind = text.empty() ? ' ' : text[0];
  if (kind == '\\') return true;  // "\ No newline at end of file"
  if ((kind == ' ' || kind == '-') && state.oldLeft == 0) {
    return fail(state, "the hunk has more old lines than its header counts");
  }
  if ((kind == ' ' || kind == '+') && state.newLeft == 0) {
    return fail(state, "the hunk has more new lines than its header counts");
  }
  if (kind != ' ' && kind != '-' && kind != '+') {
    return fail(state, "a hunk's line must start with a space, - or +, found " + quotedText(text));
  }
  state.oldLeft -= kind != '+' ? 1 : 0;
  state.newLeft -= kind != '-' ? 1 : 0;
  if (kind == ' ') {
    closeEdit(state);
    ++state.nextOld;
    ++state.nextNew;
  } else {
    if (!state.editOpen) {
      state.change.files.back().hunks.push_back({state.nextOld, 0, state.nextNew, 0});
      state.editOpen = true;
    }
    DiffHunk& edit = state.change.files.back().hunks.back();
    if (kind == '-') {
      ++edit.oldCount;
      ++state.nextOld;
    } else {
      ++edit.newCount;
      ++state.nextNew;
    }
  }
  if (state.oldLeft == 0 && state.newLeft == 0) closeEdit(state);
  return true;
}

// "--- a/P" or "+++ b/P": the old or the new path, empty for /dev/null.
bool readSidePath(DiffState& state, const std::string& text) {
  ChangedFile& file = state.change.files.back();
  std::string path;
  if (const std::string refusal = unquotedPath(text.substr(4), path); !refusal.empty()) {
    return fail(state, refusal);
  }
  std::string& side = text[0] == '-' ? file.oldPath : file.newPath;
  side = withoutPrefix(path, text[0] == '-' ? "a/" : "b/");
  if (side.empty() && path != "/dev/null") return fail(state, "a file's path is empty");
  return true;
}

// A header line of the file being read; false where it is none.
bool readFileHeader(DiffState& state, const std::string& text) {
  ChangedFile& file = state.change.files.back();
  std::string path;
  if (startsWith(text, "--- ") || startsWith(text, "+++ ")) return readSidePath(state, text);
  const bool from = startsWith(text, "rename from ") || startsWith(text, "copy from ");
  if (from || startsWith(text, "rename to ") || startsWith(text, "copy to ")) {
    const std::size_t start = from ? text.find(" from ") + 6 : text.find(" to ") + 4;
    if (const std::string refusal = unquotedPath(text.substr(start), path); !refusal.empty()) {
      return fail(state, refusal);
    }
    if (path.empty()) return fail(state, "a file's path is empty");
    (from ? file.oldPath : file.newPath) = path;
    file.copy = startsWith(text, "copy ");
    return true;
  }
  if (startsWith(text, "new file mode")) {
    file.oldPath.clear();
  } else if (startsWith(text, "deleted file mode")) {
    file.newPath.clear();
  } else if (startsWith(text, "Binary files ") || startsWith(text, "GIT binary patch")) {
    file.binary = true;
    state.binaryData = startsWith(text, "GIT binary patch");
  }
  // index, old mode, new mode, similarity index: nothing to take.
  return true;
}

// A hunk's header: its ranges, which follow the file's hunks before it.
bool readHunkHeader(DiffState& state, const std::string& text) {
  DiffHunk hunk;
  if (!parseHunkHeader(text, hunk)) {
    return fail(state, "not a hunk header \"@@ -OLD,COUNT +NEW,COUNT @@\": " + quotedText(text));
  }
  const long nextOld = hunk.oldCount == 0 ? hunk.oldStart + 1 : hunk.oldStart;
  const long nextNew = hunk.newCount == 0 ? hunk.newStart + 1 : hunk.newStart;
  // A file's hunks follow each other down the file, as git writes them.
  if (state.sawHunk && (nextOld < state.nextOld || nextNew < state.nextNew)) {
    return fail(state, "a hunk before the end of the one above it: " + quotedText(text));
  }
  state.oldLeft = hunk.oldCount;
  state.newLeft = hunk.newCount;
  state.nextOld = nextOld;
  state.nextNew = nextNew;
  state.sawHunk = true;
  return true;
}

// Begins the next file of the change.
ChangedFile& startFile(DiffState& state, bool git) {
  state.change.files.emplace_back();
  state.change.files.back().patch = state.patch;
  state.inFile = true;
  state.gitFile = git;
  state.sawHunk = false;
  state.binaryData = false;
  return state.change.files.back();
}

// A line between files: diff -r's, svn's and hg's headers, and a binary
// file told in one line outside git's own headers. False where `text` is
// none; `read` false where it is refused.
bool readBetweenFiles(DiffState& state, const std::string& text, bool& read) {
  read = true;
  if (separatesFiles(text)) {
    state.inFile = false;
    return true;
  }
  std::string oldPath;
  std::string newPath;
  if ((state.inFile && state.gitFile && !state.sawHunk) || !binaryPaths(text, oldPath, newPath)) {
    return false;
  }
  ChangedFile& file = startFile(state, false);
  file.oldPath = withoutPrefix(oldPath, "a/");
  file.newPath = withoutPrefix(newPath, "b/");
  file.binary = true;
  state.inFile = false;
  if ((file.oldPath.empty() && oldPath != "/dev/null") ||
      (file.newPath.empty() && newPath != "/dev/null")) {
    read = fail(state, "a file's path is empty: " + quotedText(text));
  }
  return true;
}

bool readDiffLine(DiffState& state, const std::string& text) {
  if (state.oldLeft > 0 || state.newLeft > 0) return readHunkLine(state, text);
  // A mailbox's next patch: its lines follow from the file as the patches
  // before it left it.
  if (startsPatch(text)) {
    if (!state.change.files.empty()) state.patch = state.change.files.back().patch + 1;
    state.signed_ = false;
    state.inFile = false;
    return true;
  }
  if (state.signed_) return true;
  if (startsWith(text, "diff --cc ") || startsWith(text, "diff --combined ")) {
    return fail(state,
                "a combined diff of a merge is not read: write the merge's own change with "
                "git diff MERGE^1 MERGE");
  }
  if (startsWith(text, "diff --git ")) {
    if (!pathsOfGitLine(text, startFile(state, true))) {
      return fail(state, "a file's path is empty: " + quotedText(text));
    }
    return true;
  }
  if (bool read = true; readBetweenFiles(state, text, read)) return read;
  // A plain diff -u names its file with --- and +++ alone.
  if (startsWith(text, "--- ") && (!state.inFile || state.sawHunk)) startFile(state, false);
  if (!state.inFile || state.binaryData) return true;  // before the first file: a message
  if (startsWith(text, "@@ ")) return readHunkHeader(state, text);
  if (state.sawHunk) {
    // "\ No newline at end of file" follows the hunk's last line; a blank
    // line, the end of a patch of format-patch --no-signature.
    if (text.empty() || text[0] == '\\') return true;
    // git format-patch ends with its signature.
    if (text == "-- ") {
      state.signed_ = true;
      return true;
    }
    return fail(state,
                "a line after a hunk that is neither a hunk nor a file: " + quotedText(text));
  }
  return readFileHeader(state, text);
}

}  // namespace

bool readDiff(std::istream& in, Change& change, ReadError& error) {
  change = Change{};
  LineReader reader{in, 0, {}, false};
  DiffState state{change, error};
  bool sawText = false;  // a line that is not blank
  for (std::string text; readLine(reader, text);) {
    state.line = reader.lineNumber;
    sawText = sawText || text.find_first_not_of(" \t") != std::string::npos;
    if (!readDiffLine(state, text)) return false;
  }
  if (!readToTheEnd(reader, error)) return false;
  if (state.oldLeft > 0 || state.newLeft > 0) {
    error = {reader.lineNumber, "the diff ends inside a hunk: it is cut short"};
    return false;
  }
  // An empty diff is no change; text that names no file is no diff.
  if (sawText && change.files.empty()) {
    error = {0, "not a diff: no file is named (diff --git, or --- and +++ lines)"};
    return false;
  }
  return true;
}

bool readDiffFile(const std::string& path, Change& change, ReadError& error) {
  if (path == "-") return readDiff(standardInput(), change, error);
  std::ifstream in;
  return openInput(path, in, error) && readDiff(in, change, error);
}

}  // namespace antorder
