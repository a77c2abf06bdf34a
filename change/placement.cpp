#include "change/placement.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <map>
#include <unordered_set>
#include <utility>

#include "runners/runners.h"
#include "suite/test_names.h"

namespace antorder {

namespace {

using Index = std::size_t;

// A path's components, split at / and at \.
std::vector<std::string> componentsOf(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : path) {
    if (c == '/' || c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// Whether the path's last components are all of the ending's.
bool endsIn(const std::vector<std::string>& path, const std::vector<std::string>& ending) {
  return !ending.empty() && ending.size() <= path.size() &&
         std::equal(ending.rbegin(), ending.rend(), path.rbegin());
}

bool placedOn(const ChangePlacer& placer, int key) {
  return key >= 0 && (placer.present.empty() || placer.present[static_cast<Index>(key)] != 0);
}

// Whether the coverage test stands for a test we place on.
bool runsOurs(const ChangePlacer& placer, int test) {
  const std::vector<int>& keys = placer.keysOfCoverageTest[static_cast<Index>(test)];
  return std::any_of(keys.begin(), keys.end(), [&](int key) { return placedOn(placer, key); });
}

// Whether the coverage holds a line of the file that a test we place on runs.
bool holdsOurTests(const ChangePlacer& placer, const CoveredFile& file) {
  return std::any_of(file.tests.begin(), file.tests.end(),
                     [&](int test) { return runsOurs(placer, test); });
}

// The coverage files the diff's path names: those whose paths end in all
// its components, or the one equal to it where there is one.
std::vector<int> coveredFilesOf(const ChangePlacer& placer, const std::vector<std::string>& parts) {
  std::vector<int> files;
  if (placer.coverage == nullptr || parts.empty()) return files;
  const auto candidates = placer.filesOfBaseName.find(parts.back());
  if (candidates == placer.filesOfBaseName.end()) return files;
  for (const int candidate : candidates->second) {
    const CoveredFile& known = placer.coverage->files[static_cast<Index>(candidate)];
    const std::vector<std::string> knownParts = componentsOf(known.path);
    if (!endsIn(knownParts, parts) || !holdsOurTests(placer, known)) continue;
    if (knownParts.size() == parts.size()) return {candidate};
    files.push_back(candidate);
  }
  return files;
}

// A CamelCase name in snake_case: TerminalInputParser gives
// terminal_input_parser, HTTPServer http_server; empty for a name without
// a capital, which has no other form.
std::string snakeCaseOf(const std::string& name) {
  const auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
  const auto lower = [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); };
  std::string snake;
  bool capital = false;
  for (std::size_t at = 0; at < name.size(); ++at) {
    const char c = name[at];
    if (!upper(c)) {
      snake += c;
      continue;
    }
    capital = true;
    const bool afterLower = at > 0 && lower(name[at - 1]);
    const bool endsAcronym =
        at > 0 && upper(name[at - 1]) && at + 1 < name.size() && lower(name[at + 1]);
    if (afterLower || endsAcronym) snake += '_';
    snake += static_cast<char>(c - 'A' + 'a');
  }
  return capital ? snake : std::string();
}

// What the placing of one change gathers, by key.
struct Gathered {
  std::map<int, ChangeSignals> signals;
  std::vector<char> filePlaced;  // by changed file
  std::vector<char> byNames;     // by changed file: an edit no test of ours covers
  std::vector<char> known;       // by changed file: the coverage knows it
};

// The tests that cover the changed file's edited lines, and the lines
// beside each insertion; `hunkCovered` says of each edit whether a test of
// ours covers it.
void placeOnCoverage(const ChangePlacer& placer, const CoveredFile& covered,
                     const ChangedFile& changed, std::size_t fileAt, Gathered& gathered,
                     std::vector<char>& hunkCovered) {
  long lastLine = -1;
  // Whether a test of ours covers the line; each placed once.
  const auto placeLine = [&](long line) {
    const LineTests tests = testsOfLine(covered, line);
    const bool ours =
        std::any_of(tests.begin, tests.end, [&](int test) { return runsOurs(placer, test); });
    if (line <= lastLine) return ours;
    lastLine = line;
    const auto count = static_cast<double>(tests.end - tests.begin);
    for (const int* test = tests.begin; test != tests.end; ++test) {
      for (const int key : placer.keysOfCoverageTest[static_cast<Index>(*test)]) {
        if (!placedOn(placer, key)) continue;
        ChangeSignals& signals = gathered.signals[key];
        signals.touched = true;
        ++signals.coveredLines;
        signals.specificity += 1.0 / count;
        gathered.filePlaced[fileAt] = 1;
      }
    }
    return ours;
  };
  for (Index at = 0; at < changed.hunks.size(); ++at) {
    const DiffHunk& edit = changed.hunks[at];
    bool reached = false;
    if (edit.oldCount == 0) {
      reached = placeLine(edit.oldStart);
      reached = placeLine(edit.oldStart + 1) || reached;
    } else {
      const long end = edit.oldStart + edit.oldCount;
      auto line = std::lower_bound(covered.lines.begin(), covered.lines.end(), edit.oldStart);
      for (; line != covered.lines.end() && *line < end; ++line)
        reached = placeLine(*line) || reached;
    }
    if (reached) hunkCovered[at] = 1;
  }
}

// The dotted forms of a path's endings without its extension:
// tests/test_cart.py gives test_cart and tests.test_cart.
std::vector<std::string> dottedEndings(const std::string& path) {
  std::vector<std::string> parts = componentsOf(path);
  std::vector<std::string> endings;
  if (parts.empty()) return endings;
  std::string& last = parts.back();
  const std::size_t dot = last.rfind('.');
  if (dot != std::string::npos && dot > 0) last.resize(dot);
  std::string ending;
  for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
    if (!ending.empty()) ending.insert(0, 1, '.');
    ending.insert(0, *part);
    endings.push_back(ending);
  }
  return endings;
}

// The changed files by their paths' dotted endings, and by their stems.
struct ChangedNames {
  std::unordered_map<std::string, std::vector<int>> filesOfEnding;
  std::unordered_map<std::string, std::vector<int>> filesOfStem;
};

ChangedNames changedNamesOf(const Change& change, const std::vector<char>& ignored) {
  ChangedNames changed;
  for (Index at = 0; at < change.files.size(); ++at) {
    if (ignored[at] != 0) continue;
    const ChangedFile& file = change.files[at];
    for (const std::string* path : {&file.oldPath, &file.newPath}) {
      if (path->empty() || (path == &file.newPath && file.newPath == file.oldPath)) continue;
      // A copy leaves its original as it was.
      if (file.copy && path == &file.oldPath) continue;
      const std::vector<std::string> endings = dottedEndings(*path);
      for (const std::string& ending : endings) {
        changed.filesOfEnding[ending].push_back(static_cast<int>(at));
      }
      if (!endings.empty()) changed.filesOfStem[endings.front()].push_back(static_cast<int>(at));
    }
  }
  return changed;
}

// Marks the test's signal for the files; a file with an edit no test of
// ours covers is placed by it, and touches the test.
void markFiles(const std::vector<int>& files, bool ChangeSignals::*flag, ChangeSignals& signals,
               Gathered& gathered) {
  signals.*flag = true;
  for (const int file : files) {
    if (gathered.byNames[static_cast<Index>(file)] == 0) continue;
    gathered.filePlaced[static_cast<Index>(file)] = 1;
    // A name says less than a file: of a file the coverage knows, its
    // uncovered edits (a comment, a docstring) touch its own tests alone,
    // and the tests its name matches know it without being touched, so
    // that one edit does not put a whole test module first.
    if (flag == &ChangeSignals::nameMatch && gathered.known[static_cast<Index>(file)] != 0)
      continue;
    signals.touched = true;
  }
}

// Whether one of the paths ends in all the other's components: a source
// file the runner names in full, and the diff's path from the root.
bool samePath(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  return a.size() >= b.size() ? endsIn(a, b) : endsIn(b, a);
}

// The tests the runner lists in a changed file are its own.
void placeOnSources(const ChangePlacer& placer, const Change& change,
                    const std::vector<char>& ignored, Gathered& gathered) {
  if (placer.sources.empty()) return;
  for (Index at = 0; at < change.files.size(); ++at) {
    if (ignored[at] != 0) continue;
    const ChangedFile& file = change.files[at];
    const std::vector<std::string> parts =
        componentsOf(file.oldPath.empty() ? file.newPath : file.oldPath);
    for (const auto& [key, source] : placer.sources) {
      if (!placedOn(placer, key) || !samePath(componentsOf(source), parts)) continue;
      markFiles({static_cast<int>(at)}, &ChangeSignals::ownFile, gathered.signals[key], gathered);
    }
  }
}

// Own files and names: each test whose name begins with a changed file's
// dotted path, or has a part that names a changed file's stem (a CamelCase
// part also in snake_case: ScreenTest has the own file screen_test.cpp and
// names screen.cpp).
void placeOnNames(const ChangePlacer& placer, const Change& change,
                  const std::vector<char>& ignored, Gathered& gathered) {
  const ChangedNames changed = changedNamesOf(change, ignored);
  const std::vector<std::string>& names = *placer.names;
  const auto mark = [&](const auto& found, const auto& end, bool ChangeSignals::*flag, Index key) {
    if (found != end) {
      markFiles(found->second, flag, gathered.signals[static_cast<int>(key)], gathered);
    }
  };
  for (Index key = 0; key < names.size(); ++key) {
    if (!placedOn(placer, static_cast<int>(key))) continue;
    const std::string& name = names[key];
    std::size_t start = 0;
    while (start <= name.size()) {
      std::size_t end = name.find('.', start);
      if (end == std::string::npos) end = name.size();
      mark(changed.filesOfEnding.find(name.substr(0, end)), changed.filesOfEnding.end(),
           &ChangeSignals::ownFile, key);
      const std::string part = name.substr(start, end - start);
      const std::string stem = testedStem(part);
      if (!stem.empty()) {
        const auto none = changed.filesOfStem.end();
        mark(changed.filesOfStem.find(stem), none, &ChangeSignals::nameMatch, key);
        const std::string snakeStem = snakeCaseOf(stem);
        if (!snakeStem.empty() && snakeStem != stem) {
          mark(changed.filesOfStem.find(snakeStem), none, &ChangeSignals::nameMatch, key);
          mark(changed.filesOfStem.find(snakeCaseOf(part)), none, &ChangeSignals::ownFile, key);
        }
      }
      start = end + 1;
    }
  }
  // A test file's name may name the file it tests (Jest's cart.test.js and
  // cart.js), by the first runner's rule that finds one.
  for (const auto& [key, source] : placer.sources) {
    if (!placedOn(placer, key)) continue;
    const std::size_t slash = source.find_last_of("/\\");
    const std::string stem =
        testedStemOfFile(slash == std::string::npos ? source : source.substr(slash + 1));
    if (!stem.empty()) {
      mark(changed.filesOfStem.find(stem), changed.filesOfStem.end(), &ChangeSignals::nameMatch,
           static_cast<Index>(key));
    }
  }
}

// Moves each covered line of the file to its place on the change's new
// side: an edit's lines replaced one for one keep their coverage, the
// lines it removes beyond those have none left.
void carryLines(CoveredFile& covered, const ChangedFile& changed) {
  CoveredFile carried{changed.newPath.empty() ? covered.path : changed.newPath, {}, {}, {}};
  if (changed.newPath.empty()) {
    covered = carried;
    covered.first.push_back(0);
    return;
  }
  long shift = 0;
  auto edit = changed.hunks.begin();
  for (Index at = 0; at < covered.lines.size(); ++at) {
    const long line = covered.lines[at];
    // Edits that end before the line move it by their lines' difference.
    while (
        edit != changed.hunks.end() &&
        (edit->oldCount == 0 ? edit->oldStart < line : edit->oldStart + edit->oldCount <= line)) {
      shift += edit->newCount - edit->oldCount;
      ++edit;
    }
    long placedAt = line + shift;
    if (edit != changed.hunks.end() && edit->oldCount > 0 && edit->oldStart <= line &&
        line < edit->oldStart + edit->oldCount) {
      // A line replaced keeps its coverage on the line that took its place;
      // one removed has none left.
      if (line - edit->oldStart >= edit->newCount) continue;
      placedAt = edit->newStart + (line - edit->oldStart);
    }
    carried.lines.push_back(placedAt);
    carried.first.push_back(carried.tests.size());
    carried.tests.insert(carried.tests.end(),
                         covered.tests.begin() + static_cast<long>(covered.first[at]),
                         covered.tests.begin() + static_cast<long>(covered.first[at + 1]));
  }
  carried.first.push_back(carried.tests.size());
  covered = std::move(carried);
}

// Indexes the coverage file by its base name, once.
void indexBaseName(ChangePlacer& placer, int file) {
  const std::vector<std::string> parts =
      componentsOf(placer.coverage->files[static_cast<Index>(file)].path);
  if (parts.empty()) return;
  std::vector<int>& files = placer.filesOfBaseName[parts.back()];
  if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
}

void unindexBaseName(ChangePlacer& placer, int file) {
  const std::vector<std::string> parts =
      componentsOf(placer.coverage->files[static_cast<Index>(file)].path);
  if (parts.empty()) return;
  std::vector<int>& files = placer.filesOfBaseName[parts.back()];
  files.erase(std::remove(files.begin(), files.end(), file), files.end());
}

// The path with its last `count` components put in place of `ending`:
// /src/a/b.py renamed a/b.py -> a/c.py is /src/a/c.py.
std::string withEnding(const std::string& path, std::size_t count, const std::string& ending) {
  std::size_t end = path.size();
  for (std::size_t seen = 0; seen < count && end > 0;) {
    while (end > 0 && (path[end - 1] == '/' || path[end - 1] == '\\')) --end;
    while (end > 0 && path[end - 1] != '/' && path[end - 1] != '\\') --end;
    ++seen;
  }
  return path.substr(0, end) + ending;
}

// The share of each touched test's lines that the change covers.
void addCoveredShares(const ChangePlacer& placer, RunChange& placed) {
  if (placer.coverage == nullptr) return;
  std::vector<long> linesOfKey(placer.names->size(), 0);
  for (Index test = 0; test < placer.keysOfCoverageTest.size(); ++test) {
    for (const int key : placer.keysOfCoverageTest[test]) {
      linesOfKey[static_cast<Index>(key)] += placer.coverage->linesOfTest[test];
    }
  }
  for (Index at = 0; at < placed.keys.size(); ++at) {
    const long lines = linesOfKey[static_cast<Index>(placed.keys[at])];
    if (lines == 0) continue;
    ChangeSignals& signals = placed.signals[at];
    signals.coveredShare = signals.coveredLines / static_cast<double>(lines);
  }
}

// Carries each changed file's coverage to the change's new side.
void carryCoverage(ChangePlacer& placer, const Change& change,
                   const std::vector<std::vector<int>>& coveredFiles) {
  if (placer.coverage == nullptr) return;
  for (Index at = 0; at < change.files.size(); ++at) {
    const ChangedFile& file = change.files[at];
    if (file.copy) continue;
    const bool renamed = !file.newPath.empty() && file.newPath != file.oldPath;
    for (const int coveredAt : coveredFiles[at]) {
      CoveredFile& covered = placer.coverage->files[static_cast<Index>(coveredAt)];
      const std::string path = covered.path;
      if (renamed) unindexBaseName(placer, coveredAt);
      carryLines(covered, file);
      // The coverage's root stays: the file is the same copy of it.
      covered.path =
          renamed ? withEnding(path, componentsOf(file.oldPath).size(), file.newPath) : path;
      if (renamed) indexBaseName(placer, coveredAt);
    }
  }
}

// Whether a test has the path for its own file: its name begins with the
// path or its dotted form (README.md::README.md under pytest's
// --doctest-glob), or the runner lists it in that file.
bool ownFileOfATest(const ChangePlacer& placer, const std::string& path) {
  std::string dotted = path;
  std::replace(dotted.begin(), dotted.end(), '/', '.');
  const auto begins = [](const std::string& name, const std::string& start) {
    return name.compare(0, start.size(), start) == 0 &&
           (name.size() == start.size() || name[start.size()] == '.' || name[start.size()] == ':' ||
            name[start.size()] == '/');
  };
  for (const std::string& name : *placer.names) {
    if (begins(name, path) || begins(name, dotted)) return true;
  }
  const std::vector<std::string> parts = componentsOf(path);
  return std::any_of(placer.sources.begin(), placer.sources.end(), [&](const auto& source) {
    return samePath(componentsOf(source.second), parts);
  });
}

// Whether the ignore patterns name every path of the file, and no test
// has it for its own file.
bool ignoredFile(const ChangePlacer& placer, const ChangedFile& file) {
  if (placer.ignorePatterns.empty()) return false;
  const std::array<const std::string*, 2> paths = {&file.oldPath, &file.newPath};
  return std::all_of(paths.begin(), paths.end(), [&](const std::string* path) {
    return path->empty() ||
           (ignoredPath(placer.ignorePatterns, *path) && !ownFileOfATest(placer, *path));
  });
}

bool globMatches(const char* glob, const char* text);

// After "**/": any run of whole folders, none too ("a/**/b" also a/b).
bool foldersMatch(const char* rest, const char* text) {
  for (const char* at = text;; ++at) {
    if ((at == text || at[-1] == '/') && globMatches(rest, at)) return true;
    if (*at == '\0') return false;
  }
}

// After "*": any run of characters within a folder's name; after "**",
// across folders too.
bool runMatches(const char* rest, const char* text, bool acrossFolders) {
  for (const char* at = text;; ++at) {
    if (globMatches(rest, at)) return true;
    if (*at == '\0' || (!acrossFolders && *at == '/')) return false;
  }
}

// Whether the glob matches the whole text: * and ? within a folder's name,
// ** across folders.
bool globMatches(const char* glob, const char* text) {
  for (; *glob != '\0'; ++glob, ++text) {
    if (*glob == '*') {
      const bool across = glob[1] == '*';
      while (*glob == '*') ++glob;
      if (across && *glob == '/') return foldersMatch(glob + 1, text);
      return runMatches(glob, text, across);
    }
    if (*text == '\0' || (*glob == '?' ? *text == '/' : *glob != *text)) return false;
  }
  return *text == '\0';
}

// Whether the path is a system's or an installed package's.
bool outsideTheProject(const std::string& path) {
  const std::vector<std::string> parts = componentsOf(path);
  if (std::any_of(parts.begin(), parts.end(), [](const std::string& part) {
        return part == "site-packages" || part == "dist-packages";
      })) {
    return true;
  }
  if (!path.empty() && path[0] == '/') {
    for (const char* system :
         {"/usr/include/", "/usr/lib/", "/usr/local/include/", "/usr/local/lib/", "/usr/share/"}) {
      if (path.rfind(system, 0) == 0) return true;
    }
  }
  // C:\Program Files\..., C:\Windows\...
  const bool drive = path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  return drive && parts.size() > 2 &&
         (parts[1] == "Program Files" || parts[1] == "Program Files (x86)" ||
          parts[1] == "Windows");
}

}  // namespace

ChangePlacer startPlacing(const std::vector<std::string>& names, CoverageMap* coverage) {
  ChangePlacer placer;
  placer.names = &names;
  placer.coverage = coverage;
  // Some runners' keys begin with their file's path, which the own-file rule
  // does not read as a dotted path (Jest's src/cart.test.js).
  for (Index key = 0; key < names.size(); ++key) {
    std::string file = fileOfKey(names[key]);
    if (!file.empty()) placer.sources.emplace_back(static_cast<int>(key), std::move(file));
  }
  if (coverage == nullptr) return placer;
  CoverageNameMatch match = matchCoverageNames(names, coverage->testNames);
  placer.keysOfCoverageTest = std::move(match.keysOfTest);
  placer.lcovTies = std::move(match.lcovTies);
  for (Index file = 0; file < coverage->files.size(); ++file) {
    indexBaseName(placer, static_cast<int>(file));
  }
  return placer;
}

void addTestSources(ChangePlacer& placer, const std::vector<TestSource>& sources) {
  std::unordered_map<std::string, int> keyOfName;
  for (Index key = 0; key < placer.names->size(); ++key) {
    keyOfName.emplace((*placer.names)[key], static_cast<int>(key));
  }
  for (const TestSource& source : sources) {
    const auto key = keyOfName.find(source.test);
    if (key != keyOfName.end() && !source.file.empty()) {
      placer.sources.emplace_back(key->second, source.file);
    }
  }
}

bool ignoredPath(const std::vector<std::string>& patterns, const std::string& path) {
  std::string slashed = path;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  const std::vector<std::string> parts = componentsOf(slashed);
  for (std::string pattern : patterns) {
    const bool folder = !pattern.empty() && pattern.back() == '/';
    while (!pattern.empty() && pattern.back() == '/') pattern.pop_back();
    const bool anchored = pattern.find('/') != std::string::npos;
    if (!pattern.empty() && pattern[0] == '/') pattern.erase(0, 1);
    if (pattern.empty()) continue;
    // The path's folders, then (for a pattern not of folders) the path
    // itself: a folder named is all under it.
    std::string prefix;
    for (Index at = 0; at < parts.size(); ++at) {
      if (folder && at + 1 == parts.size()) break;
      prefix += (at == 0 ? "" : "/") + parts[at];
      const std::string& tried = anchored ? prefix : parts[at];
      if (globMatches(pattern.c_str(), tried.c_str())) return true;
    }
  }
  return false;
}

OutsideCode leaveOutOutsideCode(CoverageMap& coverage) {
  OutsideCode left;
  std::vector<CoveredFile> kept;
  for (CoveredFile& file : coverage.files) {
    if (!outsideTheProject(file.path)) {
      kept.push_back(std::move(file));
      continue;
    }
    ++left.files;
    left.lines += static_cast<long>(file.lines.size());
    for (Index at = 0; at < file.lines.size(); ++at) {
      for (Index one = file.first[at]; one < file.first[at + 1]; ++one) {
        --coverage.linesOfTest[static_cast<Index>(file.tests[one])];
      }
    }
  }
  coverage.files = std::move(kept);
  return left;
}

namespace {

// The coverage files each changed path names; a coverage file two changed
// paths name is the longer one's: a/b.py's, not b.py's.
std::vector<std::vector<int>> coveredFilesOf(const ChangePlacer& placer, const Change& change) {
  const Index count = change.files.size();
  std::vector<std::vector<std::string>> parts(count);
  std::vector<std::vector<int>> coveredFiles(count);
  std::unordered_map<int, std::size_t> longestOf;
  for (Index at = 0; at < count; ++at) {
    const ChangedFile& file = change.files[at];
    // A copy is a new file: the coverage knows nothing of it.
    if (file.copy) continue;
    parts[at] = componentsOf(file.oldPath.empty() ? file.newPath : file.oldPath);
    coveredFiles[at] = coveredFilesOf(placer, parts[at]);
    for (const int covered : coveredFiles[at]) {
      std::size_t& longest = longestOf[covered];
      longest = std::max(longest, parts[at].size());
    }
  }
  for (Index at = 0; at < count; ++at) {
    std::vector<int>& files = coveredFiles[at];
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](int file) { return longestOf[file] > parts[at].size(); }),
                files.end());
  }
  return coveredFiles;
}

// The changed file placed on each coverage file its path names; a tie kept
// for the warning.
void placeOnCoveredFiles(ChangePlacer& placer, const ChangedFile& file, Index at,
                         const std::vector<int>& coveredFiles, Gathered& gathered) {
  if (coveredFiles.size() > 1) {
    std::string tie = (file.oldPath.empty() ? file.newPath : file.oldPath) + ": ";
    for (Index one = 0; one < coveredFiles.size(); ++one) {
      if (one > 0) tie += one + 1 == coveredFiles.size() ? " and " : ", ";
      tie += placer.coverage->files[static_cast<Index>(coveredFiles[one])].path;
    }
    placer.tiedPaths.push_back(tie);
  }
  std::vector<char> hunkCovered(file.hunks.size(), 0);
  for (const int coveredAt : coveredFiles) {
    placeOnCoverage(placer, placer.coverage->files[static_cast<Index>(coveredAt)], file, at,
                    gathered, hunkCovered);
  }
  gathered.known[at] = coveredFiles.empty() ? 0 : 1;
  // Placed by their coverage alone where every edit has a test of ours.
  if (!coveredFiles.empty() && !file.hunks.empty() &&
      std::find(hunkCovered.begin(), hunkCovered.end(), 0) == hunkCovered.end()) {
    gathered.byNames[at] = 0;
  }
}

// Places one patch's change, then carries the coverage through it.
void placePatch(ChangePlacer& placer, const Change& change, RunChange& placed) {
  placed = RunChange{};
  placed.carried = true;
  const Index count = change.files.size();
  Gathered gathered;
  gathered.filePlaced.assign(count, 0);
  gathered.byNames.assign(count, 1);
  gathered.known.assign(count, 0);
  std::vector<char> ignored(count, 0);
  const std::vector<std::vector<int>> coveredFiles = coveredFilesOf(placer, change);
  for (Index at = 0; at < count; ++at) {
    const ChangedFile& file = change.files[at];
    if (ignoredFile(placer, file)) {
      ignored[at] = 1;
      placed.ignoredFiles.push_back(file.newPath.empty() ? file.oldPath : file.newPath);
      continue;
    }
    for (const DiffHunk& edit : file.hunks) placed.changedLines += edit.oldCount + edit.newCount;
    placeOnCoveredFiles(placer, file, at, coveredFiles[at], gathered);
  }
  placeOnNames(placer, change, ignored, gathered);
  placeOnSources(placer, change, ignored, gathered);
  for (const auto& [key, signals] : gathered.signals) {
    placed.keys.push_back(key);
    placed.signals.push_back(signals);
  }
  addCoveredShares(placer, placed);
  for (Index at = 0; at < count; ++at) {
    const ChangedFile& file = change.files[at];
    if (gathered.filePlaced[at] == 0 && ignored[at] == 0) {
      placed.unplacedFiles.push_back(file.newPath.empty() ? file.oldPath : file.newPath);
    }
  }
  carryCoverage(placer, change, coveredFiles);
}

// Adds what one patch's placing says to the whole change's: a test's lines
// and specificity add up, its marks hold if any patch sets them.
void addPatch(const RunChange& patch, std::map<int, ChangeSignals>& signals, RunChange& placed) {
  placed.changedLines += patch.changedLines;
  for (Index at = 0; at < patch.keys.size(); ++at) {
    ChangeSignals& into = signals[patch.keys[at]];
    const ChangeSignals& from = patch.signals[at];
    into.touched = into.touched || from.touched;
    into.coveredLines += from.coveredLines;
    into.specificity += from.specificity;
    into.ownFile = into.ownFile || from.ownFile;
    into.nameMatch = into.nameMatch || from.nameMatch;
  }
}

// The paths of a mailbox's files: a file is unplaced where no patch that
// changes it placed it, and named once.
struct PatchedPaths {
  std::vector<std::string> inOrder;  // as first changed
  std::unordered_set<std::string> placed;
  std::unordered_set<std::string> ignored;
};

void notePatchPaths(const Change& patch, const RunChange& one, PatchedPaths& paths,
                    RunChange& placed) {
  const std::unordered_set<std::string> unplaced(one.unplacedFiles.begin(),
                                                 one.unplacedFiles.end());
  for (const ChangedFile& file : patch.files) {
    const std::string& path = file.newPath.empty() ? file.oldPath : file.newPath;
    if (std::find(paths.inOrder.begin(), paths.inOrder.end(), path) == paths.inOrder.end()) {
      paths.inOrder.push_back(path);
    }
    if (unplaced.count(path) == 0) paths.placed.insert(path);
  }
  for (const std::string& path : one.ignoredFiles) {
    if (paths.ignored.insert(path).second) placed.ignoredFiles.push_back(path);
  }
}

}  // namespace

bool placeChange(ChangePlacer& placer, const Change& change, RunChange& placed,
                 ReadError& /*error*/) {
  const bool onePatch = std::all_of(
      change.files.begin(), change.files.end(),
      [&](const ChangedFile& file) { return file.patch == change.files.front().patch; });
  if (onePatch) {
    placePatch(placer, change, placed);
    return true;
  }
  // A mailbox's patches are placed in turn, each on the coverage as the
  // ones before it carried it.
  placed = RunChange{};
  placed.carried = true;
  std::map<int, ChangeSignals> signals;
  PatchedPaths paths;
  for (Index begin = 0; begin < change.files.size();) {
    Index end = begin;
    while (end < change.files.size() && change.files[end].patch == change.files[begin].patch) {
      ++end;
    }
    Change patch;
    patch.files.assign(change.files.begin() + static_cast<long>(begin),
                       change.files.begin() + static_cast<long>(end));
    RunChange one;
    placePatch(placer, patch, one);
    addPatch(one, signals, placed);
    notePatchPaths(patch, one, paths, placed);
    begin = end;
  }
  for (const auto& [key, signal] : signals) {
    placed.keys.push_back(key);
    placed.signals.push_back(signal);
  }
  addCoveredShares(placer, placed);
  for (const std::string& path : paths.inOrder) {
    if (paths.placed.count(path) == 0 && paths.ignored.count(path) == 0) {
      placed.unplacedFiles.push_back(path);
    }
  }
  return true;
}

}  // namespace antorder
