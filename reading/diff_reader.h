#pragma once

// A change as `git diff` writes it, a unified diff: the files it names and,
// of each, the lines each edit replaces on the old side and puts on the new,
// the hunks' context lines left out (what git diff -U0 would have written). Read are
// git's headers (renames, copies, new and deleted files, binary and
// mode-only entries), paths git quotes with octal escapes
// ("a/caf\303\251.py"), the a/ and b/ prefixes, "\ No newline at end of
// file", CR LF line ends, every patch of a git format-patch mailbox, and a
// plain diff -u without git's headers, one file or many as diff -ru, svn
// diff and hg diff write them (their Index:, diff -r and Only in lines
// passed over). A combined diff of a merge (diff --cc) is refused with the
// way to get a plain one.

#include <istream>
#include <string>
#include <vector>

#include "suite/suite_builder.h"

namespace antorder {

// The lines an edit replaces (from oldStart, oldCount of them) and those it
// puts in their place (from newStart, newCount). A count of 0 starts after
// its start line: an insertion after old line oldStart, a deletion before
// new line newStart + 1.
struct DiffHunk {
  long oldStart = 0;
  long oldCount = 0;
  long newStart = 0;
  long newCount = 0;
};

struct ChangedFile {
  std::string oldPath;          // without a/; empty for a new file
  std::string newPath;          // without b/; empty for a deleted file
  bool binary = false;          // git says only that it differs
  std::vector<DiffHunk> hunks;  // its edits, in line order
  bool copy = false;            // newPath is a copy of oldPath, which stays as it was
  int patch = 0;                // of a mailbox's patches, the one it is in, from 0
};

// A mailbox of patches is one change of every patch in turn: a later
// patch's lines are numbered as the patches before it left the file.
struct Change {
  std::vector<ChangedFile> files;  // in the diff's order, so by patch
};

// False, with the line and the reason, where the text is not a diff read here.
bool readDiff(std::istream& in, Change& change, ReadError& error);

// The same from a file named in UTF-8, or standard input for "-".
bool readDiffFile(const std::string& path, Change& change, ReadError& error);

}  // namespace antorder
