// The reader of changes against diffs written by hand, for each rule and
// each refusal, and against what a real git diff writes.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "reading/diff_reader.h"

using namespace antorder;

namespace {

// A file of a change as one line: OLD -> NEW, binary, copy, the patch of a
// mailbox after the first, then each hunk's -start,count +start,count.
std::string describe(const ChangedFile& file) {
  std::string text = file.oldPath + " -> " + file.newPath + (file.binary ? " binary" : "") +
                     (file.copy ? " copy" : "") +
                     (file.patch > 0 ? " patch " + std::to_string(file.patch) : "");
  for (const DiffHunk& hunk : file.hunks) {
    text += " -" + std::to_string(hunk.oldStart) + "," + std::to_string(hunk.oldCount) + " +" +
            std::to_string(hunk.newStart) + "," + std::to_string(hunk.newCount);
  }
  return text;
}

std::vector<std::string> describe(const Change& change) {
  std::vector<std::string> files;
  for (const ChangedFile& file : change.files) files.push_back(describe(file));
  return files;
}

// One patch of git format-patch's mailbox, of the file x.
std::string mailPatch(const std::string& number, const std::string& hunks) {
  return "From " + std::string(40, number[0]) + " Mon Sep 17 00:00:00 2001\nFrom: A <a@b.c>\n" +
         "Subject: [PATCH " + number + "] change\n\n---\n x | 2 +-\n\ndiff --git a/x b/x\n" +
         "index 1..2 100644\n--- a/x\n+++ b/x\n" + hunks;
}

TEST(DiffReading, ReadsEachShapeAndRefusesWhatItCannot) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> files;  // none and a refusal: refused
    std::string refusal;
  };
  const std::string gitHeader = "diff --git a/src/cart.py b/src/cart.py\nindex 1..2 100644\n";
  const Case cases[] = {
      {"a modified file, a count left out",
       gitHeader + "--- a/src/cart.py\n+++ b/src/cart.py\n@@ -3 +3,2 @@ def total():\n-a\n+b\n+c\n"
                   "@@ -10,2 +11,0 @@\n-x\n-y\n",
       {"src/cart.py -> src/cart.py -3,1 +3,2 -10,2 +11,0"},
       ""},
      {"context lines left out: an edit's lines alone",
       gitHeader + "--- a/src/cart.py\n+++ b/src/cart.py\n@@ -4,8 +4,7 @@\n a\n-b\n+B\n c\n d\n"
                   "+new\n e\n-f\n-g\n h\n",
       {"src/cart.py -> src/cart.py -5,1 +5,1 -7,0 +8,1 -9,2 +9,0"},
       ""},
      {"hunk lines that look like headers, and no newline at the end",
       gitHeader + "--- a/src/cart.py\n+++ b/src/cart.py\n@@ -1 +1 @@\n--- a\n+++ b\n"
                   "\\ No newline at end of file\n",
       {"src/cart.py -> src/cart.py -1,1 +1,1"},
       ""},
      {"CR LF line ends",
       "--- a/x.txt\r\n+++ b/x.txt\r\n@@ -1 +1 @@\r\n-a\r\n+b\r\n",
       {"x.txt -> x.txt -1,1 +1,1"},
       ""},
      {"a new file and a deleted one",
       "diff --git a/new.py b/new.py\nnew file mode 100644\n--- /dev/null\n+++ b/new.py\n"
       "@@ -0,0 +1 @@\n+x\ndiff --git a/gone.py b/gone.py\ndeleted file mode 100644\n"
       "--- a/gone.py\n+++ /dev/null\n@@ -1 +0,0 @@\n-x\n",
       {" -> new.py -0,0 +1,1", "gone.py ->  -1,1 +0,0"},
       ""},
      {"a rename, a binary file, a mode alone",
       "diff --git a/old name.py b/new name.py\nsimilarity index 100%\nrename from old name.py\n"
       "rename to new name.py\ndiff --git a/logo.png b/logo.png\nBinary files a/logo.png and "
       "b/logo.png differ\ndiff --git a/run.sh b/run.sh\nold mode 100644\nnew mode 100755\n",
       {"old name.py -> new name.py", "logo.png -> logo.png binary", "run.sh -> run.sh"},
       ""},
      {"a quoted path with octal bytes",
       "diff --git \"a/caf\\303\\251.py\" \"b/caf\\303\\251.py\"\n--- \"a/caf\\303\\251.py\"\n"
       "+++ \"b/caf\\303\\251.py\"\n@@ -1 +1 @@\n-a\n+b\n",
       {"caf\xc3\xa9.py -> caf\xc3\xa9.py -1,1 +1,1"},
       ""},
      {"diff -u with dates, after a message",
       "A message before the change.\n--- cart.py\t2026-12-08 10:00:00\n+++ cart.py\t2026-12-09 "
       "10:00:00\n@@ -2 +2 @@\n-a\n+b\n",
       {"cart.py -> cart.py -2,1 +2,1"},
       ""},
      {"git format-patch's signature",
       "--- a/x\n+++ b/x\n@@ -1 +1 @@\n-a\n+b\n-- \n2.39.5\n\n",
       {"x -> x -1,1 +1,1"},
       ""},
      {"every patch of a mailbox, with a signature or without",
       mailPatch("1", "@@ -1 +1 @@\n-a\n+b\n-- \n2.39.5\n\n") +
           mailPatch("2", "@@ -3 +3,2 @@\n-c\n+d\n+e\n") + mailPatch("3", "@@ -1 +0,0 @@\n-b\n"),
       {"x -> x -1,1 +1,1", "x -> x patch 1 -3,1 +3,2", "x -> x patch 2 -1,1 +0,0"},
       ""},
      {"a copy, its original left as it was",
       "diff --git a/src/app.py b/src/app_copy.py\nsimilarity index 90%\ncopy from src/app.py\n"
       "copy to src/app_copy.py\n--- a/src/app.py\n+++ b/src/app_copy.py\n@@ -2 +2 @@\n-a\n+b\n",
       {"src/app.py -> src/app_copy.py copy -2,1 +2,1"},
       ""},
      {"svn diff of two files",
       "Index: src/a.py\n===================================================================\n"
       "--- src/a.py\t(revision 12)\n+++ src/a.py\t(working copy)\n@@ -1 +1 @@\n-a\n+b\n"
       "Index: src/b.py\n===================================================================\n"
       "--- src/b.py\t(revision 12)\n+++ src/b.py\t(working copy)\n@@ -2 +2 @@\n-a\n+b\n",
       {"src/a.py -> src/a.py -1,1 +1,1", "src/b.py -> src/b.py -2,1 +2,1"},
       ""},
      {"hg diff of two files and a binary one",
       "diff -r 9117c6561b0b src/a.py\n--- a/src/a.py\tThu Jan 01 00:00:00 1970 +0000\n"
       "+++ b/src/a.py\tThu Jan 01 00:00:00 1970 +0000\n@@ -1 +1 @@\n-a\n+b\n"
       "diff -r 9117c6561b0b src/logo.png\nBinary file src/logo.png has changed\n"
       "diff -r 9117c6561b0b src/b.py\n--- /dev/null\tThu Jan 01 00:00:00 1970 +0000\n"
       "+++ b/src/b.py\tThu Jan 01 00:00:00 1970 +0000\n@@ -0,0 +1 @@\n+x\n",
       {"src/a.py -> src/a.py -1,1 +1,1", "src/logo.png -> src/logo.png binary",
        " -> src/b.py -0,0 +1,1"},
       ""},
      {"no change at all", "", {}, ""},
      {"a merge's combined diff",
       "diff --cc cart.py\nindex 1,2..3\n",
       {},
       "1: a combined diff of a merge is not read: write the merge's own change with git diff "
       "MERGE^1 MERGE"},
      {"a bad hunk header",
       "--- a/x\n+++ b/x\n@@ -1,x +1 @@\n",
       {},
       "3: not a hunk header \"@@ -OLD,COUNT +NEW,COUNT @@\": \"@@ -1,x +1 @@\""},
      {"a line number past any file's",
       "--- a/x\n+++ b/x\n@@ -0,0 +11068937977120715198 @@\n",
       {},
       "3: not a hunk header \"@@ -OLD,COUNT +NEW,COUNT @@\": \"@@ -0,0 +11068937977120715198 "
       "@@\""},
      {"more lines than counted",
       "--- a/x\n+++ b/x\n@@ -1 +1 @@\n-a\n+b\n+c\n",
       {},
       "6: a line after a hunk that is neither a hunk nor a file: \"+c\""},
      {"hunks out of order",
       "--- a/x\n+++ b/x\n@@ -5 +5 @@\n-a\n+b\n@@ -2 +2 @@\n-a\n+b\n",
       {},
       "6: a hunk before the end of the one above it: \"@@ -2 +2 @@\""},
      {"a line of no kind",
       "--- a/x\n+++ b/x\n@@ -1,2 +1,2 @@\n-a\n*b\n",
       {},
       "5: a hunk's line must start with a space, - or +, found \"*b\""},
      {"cut short",
       "--- a/x\n+++ b/x\n@@ -1,3 +1,3 @@\n a\n",
       {},
       "4: the diff ends inside a hunk: it is cut short"},
      {"an unclosed quote", "--- \"a/x\n", {}, "1: a quoted path is not closed"},
      {"a NUL byte in a quoted path",
       "--- \"a/x\\000.py\"\n",
       {},
       "1: a quoted path's \\ escape is no byte of a name"},
      {"an octal escape past a byte",
       "--- \"a/x\\400.py\"\n",
       {},
       "1: a quoted path's \\ escape is no byte of a name"},
      {"an escape git does not write",
       "--- \"a/x\\q.py\"\n",
       {},
       "1: a quoted path's \\ escape is no byte of a name"},
      {"text after the closing quote",
       "--- \"a/x\\\\\"y.py\"\n",
       {},
       "1: text after a quoted path"},
      {"an old path of nothing but its prefix",
       "--- a/\n+++ b/x\n",
       {},
       "1: a file's path is empty"},
      {"git's paths of nothing but their prefixes",
       "diff --git a/ b/\nindex 1..2 100644\n",
       {},
       "1: a file's path is empty: \"diff --git a/ b/\""},
      {"a rename to nothing",
       "diff --git a/x b/y\nrename from x\nrename to \n",
       {},
       "3: a file's path is empty"},
      {"a binary file of no name",
       "Binary files a/ and b/x differ\n",
       {},
       "1: a file's path is empty: \"Binary files a/ and b/x differ\""},
      {"prose, not a diff",
       "Some words.\nMore words.\n",
       {},
       "0: not a diff: no file is named (diff --git, or --- and +++ lines)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::istringstream in(c.text);
    Change change;
    ReadError error;
    const bool read = readDiff(in, change, error);
    EXPECT_EQ(read, c.refusal.empty());
    if (read) {
      EXPECT_EQ(describe(change), c.files);
    } else {
      EXPECT_EQ(std::to_string(error.line) + ": " + error.reason, c.refusal);
    }
  }
}

// The example change, as the fuzzer's seed holds it, read from its file.
TEST(DiffReading, ReadsAChangeFromItsFile) {
  Change change;
  ReadError error;
  ASSERT_TRUE(readDiffFile(SOURCE_DIR "/tests/suites/change.diff", change, error)) << error.reason;
  EXPECT_EQ(describe(change), (std::vector<std::string>{"src/cart.py -> src/cart.py -12,1 +12,2",
                                                        "old name.py -> new name.py",
                                                        " -> caf\xc3\xa9.py -0,0 +1,1"}));
  EXPECT_FALSE(readDiffFile(SOURCE_DIR "/tests/suites/no-such.diff", change, error));
  EXPECT_EQ(error.line, 0);
}

// What git itself writes: a modified file with an insertion and a deletion,
// a rename with a change, a new file under a name git quotes, a deleted
// file, a binary file, a mode change, CR LF content and a file without a
// newline at its end.
TEST(DiffReading, ReadsWhatGitDiffWrites) {
  if (std::system("git --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no git";
  const std::string repo = testing::TempDir() + "antorder-git-diff/";
  std::filesystem::remove_all(repo);
  std::filesystem::create_directories(repo);
  const auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(repo + name, std::ios::binary) << text;
  };
  const auto git = [&](const std::string& arguments) {
    const std::string command = "cd '" + repo + "' && git -c user.name=t -c user.email=t@t " +
                                "-c core.autocrlf=false " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str());
  };
  ASSERT_EQ(git("init -q ."), 0);
  std::string lines;
  for (int line = 1; line <= 20; ++line) lines += "line " + std::to_string(line) + "\n";
  write("cart.py", lines);
  write("old.py", lines);
  write("gone.py", "x\n");
  write("logo.bin", std::string("\0\1\2\3", 4));
  write("run.sh", "echo\n");
  write("crlf.txt", "a\r\nb\r\n");
  write("tail.txt", "a\nb");
  ASSERT_EQ(git("add -A && git -c user.name=t -c user.email=t@t commit -qm first"), 0);

  std::string cart = lines;
  cart.replace(cart.find("line 3\n"), 7, "line 3\ninserted\n");
  cart.erase(cart.find("line 15\n"), 8);
  write("cart.py", cart);
  std::filesystem::rename(repo + "old.py", repo + "new.py");
  write("new.py", lines + "one more\n");
  write("caf\xc3\xa9.py", "new\n");
  std::filesystem::remove(repo + "gone.py");
  write("logo.bin", std::string("\0\1\2\4", 4));
  std::filesystem::permissions(repo + "run.sh", std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  write("crlf.txt", "a\r\nc\r\n");
  write("tail.txt", "a\nc");
  ASSERT_EQ(git("add -A"), 0);
  // With context lines or without, the same edits.
  for (const char* context : {"-U0", "-U3"}) {
    SCOPED_TRACE(context);
    const std::string diff =
        "cd '" + repo + "' && git diff --cached -M " + context + " > ../antorder-git.diff";
    ASSERT_EQ(std::system(diff.c_str()), 0);

    Change change;
    ReadError error;
    ASSERT_TRUE(readDiffFile(testing::TempDir() + "antorder-git.diff", change, error))
        << error.line << ": " << error.reason;
    std::vector<std::string> files = describe(change);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{
                         " -> caf\xc3\xa9.py -0,0 +1,1",
                         "cart.py -> cart.py -3,0 +4,1 -15,1 +15,0",
                         "crlf.txt -> crlf.txt -2,1 +2,1",
                         "gone.py ->  -1,1 +0,0",
                         "logo.bin -> logo.bin binary",
                         "old.py -> new.py -20,0 +21,1",
                         "run.sh -> run.sh",
                         "tail.txt -> tail.txt -2,1 +2,1",
                     }));
  }
}

// What git writes of a file copied (git diff -C -C) and of two commits that
// change one file (git format-patch --stdout): the copy keeps its original,
// and the second patch's lines are those the first left.
TEST(DiffReading, ReadsGitCopiesAndEveryPatchOfAMailbox) {
  if (std::system("git --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no git";
  const std::string repo = testing::TempDir() + "antorder-git-patches/";
  std::filesystem::remove_all(repo);
  std::filesystem::create_directories(repo);
  const auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(repo + name, std::ios::binary) << text;
  };
  const auto git = [&](const std::string& arguments, const std::string& output = "/dev/null") {
    const std::string command = "cd '" + repo + "' && git -c user.name=t -c user.email=t@t " +
                                "-c core.autocrlf=false " + arguments + " >" + output + " 2>&1";
    return std::system(command.c_str());
  };
  const auto read = [&](const std::string& arguments) {
    if (git(arguments, "../antorder-git-patches.diff") != 0) return std::vector<std::string>{};
    Change change;
    ReadError error;
    EXPECT_TRUE(readDiffFile(testing::TempDir() + "antorder-git-patches.diff", change, error))
        << error.line << ": " << error.reason;
    return describe(change);
  };
  ASSERT_EQ(git("init -q ."), 0);
  std::string lines;
  for (int line = 1; line <= 20; ++line) lines += "line " + std::to_string(line) + "\n";
  write("app.py", lines);
  ASSERT_EQ(git("add -A && git -c user.name=t -c user.email=t@t commit -qm first"), 0);

  write("app_copy.py", lines);
  ASSERT_EQ(git("add -A"), 0);
  EXPECT_EQ(read("diff --cached -C -C"), (std::vector<std::string>{"app.py -> app_copy.py copy"}));
  ASSERT_EQ(git("reset -q && rm app_copy.py"), 0);

  std::string first = lines;
  first.replace(first.find("line 2\n"), 7, "line 2\nnew a\nnew b\n");
  write("app.py", first);
  ASSERT_EQ(git("commit -qam second"), 0);
  std::string second = first;
  second.replace(second.find("line 10\n"), 8, "line ten\n");
  write("app.py", second);
  ASSERT_EQ(git("commit -qam third"), 0);
  EXPECT_EQ(read("format-patch --stdout -U0 HEAD~2"),
            (std::vector<std::string>{"app.py -> app.py -2,0 +3,2",
                                      "app.py -> app.py patch 1 -12,1 +12,1"}));
  EXPECT_EQ(read("format-patch --stdout --no-signature HEAD~2"),
            (std::vector<std::string>{"app.py -> app.py -2,0 +3,2",
                                      "app.py -> app.py patch 1 -12,1 +12,1"}));
}

// What GNU diff -ru writes of two folders: a file changed in each of two
// folders, a binary one, and files on one side alone.
TEST(DiffReading, ReadsWhatDiffRecursiveWrites) {
  if (std::system("diff --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no diff";
  const std::string top = testing::TempDir() + "antorder-diff-r/";
  std::filesystem::remove_all(top);
  for (const char* side : {"a/src", "b/src", "a/lib", "b/lib"}) {
    std::filesystem::create_directories(top + side);
  }
  const auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(top + name, std::ios::binary) << text;
  };
  write("a/src/cart.py", "one\ntwo\nthree\n");
  write("b/src/cart.py", "one\n2\nthree\n");
  write("a/lib/util.py", "x\n");
  write("b/lib/util.py", "x\ny\n");
  write("a/src/logo.bin", std::string("\0\1", 2));
  write("b/src/logo.bin", std::string("\0\2", 2));
  write("a/src/gone.py", "x\n");
  write("b/src/new.py", "x\n");
  const std::string command =
      "cd '" + top + "' && LC_ALL=C diff -ru a b > ../antorder-diff-r.diff; test $? -eq 1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  Change change;
  ReadError error;
  ASSERT_TRUE(readDiffFile(testing::TempDir() + "antorder-diff-r.diff", change, error))
      << error.line << ": " << error.reason;
  std::vector<std::string> files = describe(change);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"lib/util.py -> lib/util.py -1,0 +2,1",
                                             "src/cart.py -> src/cart.py -2,1 +2,1",
                                             "src/logo.bin -> src/logo.bin binary"}));
}

}  // namespace
