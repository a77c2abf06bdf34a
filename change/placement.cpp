#include "change/placement.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <unordered_set>
#include <utility>

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

// How many components the two paths end in alike.
std::size_t commonEnding(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::size_t count = 0;
  while (count < a.size() && count < b.size() &&
         a[a.size() - 1 - count] == b[b.size() - 1 - count]) {
    ++count;
  }
  return count;
}

// The coverage file the diff's path names: -1 for none; false where two
// match it alike.
bool coveredFileOf(const ChangePlacer& placer, const std::string& path, int& file,
                   ReadError& error) {
  file = -1;
  const std::vector<std::string> parts = componentsOf(path);
  if (placer.coverage == nullptr || parts.empty()) return true;
  const auto candidates = placer.filesOfBaseName.find(parts.back());
  if (candidates == placer.filesOfBaseName.end()) return true;
  std::size_t best = 0;
  for (const int candidate : candidates->second) {
    const std::string& known = placer.coverage->files[static_cast<Index>(candidate)].path;
    const std::size_t common = commonEnding(parts, componentsOf(known));
    if (common > best) {
      best = common;
      file = candidate;
    } else if (common == best && file >= 0) {
      std::string reason = "the changed file " + path;
      reason += " matches two files of the coverage alike: ";
      reason += placer.coverage->files[static_cast<Index>(file)].path;
      reason += " and ";
      reason += known;
      error = {0, reason};
      return false;
    }
  }
  return true;
}

// A test name's part without what marks it a test: test_cart, cart_test,
// CartTest, CartTests and TestCart give cart or Cart; empty for a part that
// has no such mark.
std::string testedStem(const std::string& part) {
  const auto strip = [&](const std::string& affix, bool front) -> std::string {
    if (part.size() <= affix.size()) return {};
    if (front ? part.compare(0, affix.size(), affix) == 0
              : part.compare(part.size() - affix.size(), affix.size(), affix) == 0) {
      return front ? part.substr(affix.size()) : part.substr(0, part.size() - affix.size());
    }
    return {};
  };
  for (const auto& [affix, front] : {std::pair<const char*, bool>{"test_", true},
                                     {"_tests", false},
                                     {"_test", false},
                                     {"Tests", false},
                                     {"Test", false},
                                     {"Test", true}}) {
    std::string stem = strip(affix, front);
    if (!stem.empty()) return stem;
  }
  return {};
}

// What the placing of one change gathers, by key.
struct Gathered {
  std::map<int, ChangeSignals> signals;
  std::vector<char> filePlaced;  // by changed file
};

// The tests that cover the changed file's edited lines, and the lines
// beside each insertion.
void placeOnCoverage(const ChangePlacer& placer, const CoveredFile& covered,
                     const ChangedFile& changed, std::size_t fileAt, Gathered& gathered) {
  long lastLine = -1;
  const auto placeLine = [&](long line) {
    if (line <= lastLine) return;
    lastLine = line;
    const LineTests tests = testsOfLine(covered, line);
    const auto count = static_cast<double>(tests.end - tests.begin);
    for (const int* test = tests.begin; test != tests.end; ++test) {
      const int key = placer.keyOfCoverageTest[static_cast<Index>(*test)];
      if (key < 0) continue;
      ChangeSignals& signals = gathered.signals[key];
      signals.touched = true;
      ++signals.coveredLines;
      signals.specificity += 1.0 / count;
      gathered.filePlaced[fileAt] = 1;
    }
  };
  for (const DiffHunk& edit : changed.hunks) {
    if (edit.oldCount == 0) {
      placeLine(edit.oldStart);
      placeLine(edit.oldStart + 1);
      continue;
    }
    const long end = edit.oldStart + edit.oldCount;
    auto line = std::lower_bound(covered.lines.begin(), covered.lines.end(), edit.oldStart);
    for (; line != covered.lines.end() && *line < end; ++line) placeLine(*line);
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

ChangedNames changedNamesOf(const Change& change) {
  ChangedNames changed;
  for (Index at = 0; at < change.files.size(); ++at) {
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

// Marks the test's signal for the files; a file the coverage does not know
// is placed by it, and touches the test.
void markFiles(const std::vector<int>& files, const std::vector<char>& coverageKnows,
               bool ChangeSignals::*flag, ChangeSignals& signals, Gathered& gathered) {
  signals.*flag = true;
  for (const int file : files) {
    if (coverageKnows[static_cast<Index>(file)] != 0) continue;
    gathered.filePlaced[static_cast<Index>(file)] = 1;
    signals.touched = true;
  }
}

// Own files and names: each test whose name begins with a changed file's
// dotted path, or has a part that names a changed file's stem.
void placeOnNames(const ChangePlacer& placer, const Change& change,
                  const std::vector<char>& coverageKnows, Gathered& gathered) {
  const ChangedNames changed = changedNamesOf(change);
  const std::vector<std::string>& names = *placer.names;
  for (Index key = 0; key < names.size(); ++key) {
    const std::string& name = names[key];
    std::size_t start = 0;
    while (start <= name.size()) {
      std::size_t end = name.find('.', start);
      if (end == std::string::npos) end = name.size();
      const auto own = changed.filesOfEnding.find(name.substr(0, end));
      if (own != changed.filesOfEnding.end()) {
        markFiles(own->second, coverageKnows, &ChangeSignals::ownFile,
                  gathered.signals[static_cast<int>(key)], gathered);
      }
      const std::string stem = testedStem(name.substr(start, end - start));
      const auto named = stem.empty() ? changed.filesOfStem.end() : changed.filesOfStem.find(stem);
      if (named != changed.filesOfStem.end()) {
        markFiles(named->second, coverageKnows, &ChangeSignals::nameMatch,
                  gathered.signals[static_cast<int>(key)], gathered);
      }
      start = end + 1;
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

// The coverage as it was before a change began to be carried, to go back
// to where a later patch of it cannot be placed.
struct CarriedBefore {
  std::vector<std::pair<int, CoveredFile>> files;  // in the order carried
  std::vector<std::string> baseNames;              // indexed since, in order
};

void indexBaseName(ChangePlacer& placer, int file, CarriedBefore* before = nullptr) {
  const std::vector<std::string> parts =
      componentsOf(placer.coverage->files[static_cast<Index>(file)].path);
  if (parts.empty()) return;
  placer.filesOfBaseName[parts.back()].push_back(file);
  if (before != nullptr) before->baseNames.push_back(parts.back());
}

void restoreCoverage(ChangePlacer& placer, CarriedBefore& before) {
  for (auto name = before.baseNames.rbegin(); name != before.baseNames.rend(); ++name) {
    placer.filesOfBaseName[*name].pop_back();
  }
  for (auto file = before.files.rbegin(); file != before.files.rend(); ++file) {
    placer.coverage->files[static_cast<Index>(file->first)] = std::move(file->second);
  }
}

// The share of each touched test's lines that the change covers.
void addCoveredShares(const ChangePlacer& placer, RunChange& placed) {
  if (placer.coverage == nullptr) return;
  std::vector<long> linesOfKey(placer.names->size(), 0);
  for (Index test = 0; test < placer.keyOfCoverageTest.size(); ++test) {
    const int key = placer.keyOfCoverageTest[test];
    if (key >= 0) linesOfKey[static_cast<Index>(key)] += placer.coverage->linesOfTest[test];
  }
  for (Index at = 0; at < placed.keys.size(); ++at) {
    const long lines = linesOfKey[static_cast<Index>(placed.keys[at])];
    if (lines == 0) continue;
    ChangeSignals& signals = placed.signals[at];
    signals.coveredShare = signals.coveredLines / static_cast<double>(lines);
  }
}

// Carries the coverage of the changed files from `begin` to `end` to the
// change's new side, keeping what it was in `before` where given. A copy
// carries nothing: its original keeps its coverage, and the copy has none.
void carryCoverage(ChangePlacer& placer, const Change& change, const std::vector<int>& coveredFile,
                   Index begin, Index end, CarriedBefore* before) {
  if (placer.coverage == nullptr) return;
  for (Index at = begin; at < end; ++at) {
    const ChangedFile& file = change.files[at];
    if (coveredFile[at] < 0 || file.copy) continue;
    CoveredFile& covered = placer.coverage->files[static_cast<Index>(coveredFile[at])];
    if (before != nullptr) before->files.emplace_back(coveredFile[at], covered);
    const bool renamed = !file.newPath.empty() && file.newPath != file.oldPath;
    carryLines(covered, file);
    if (renamed) indexBaseName(placer, coveredFile[at], before);
  }
}

}  // namespace

ChangePlacer startPlacing(const std::vector<std::string>& names, CoverageMap* coverage) {
  ChangePlacer placer;
  placer.names = &names;
  placer.coverage = coverage;
  if (coverage == nullptr) return placer;
  // A name is found whole, or by its ending after a dot: coverage.py names
  // a test by its module as imported (test_cart.test_total) where the report
  // gives its path (tests.test_cart.test_total). An ending two names share
  // finds neither.
  constexpr int SHARED = -2;
  std::unordered_map<std::string, int> keyOfName;
  std::unordered_map<std::string, int> keyOfEnding;
  for (Index key = 0; key < names.size(); ++key) {
    keyOfName.emplace(names[key], static_cast<int>(key));
    for (std::size_t dot = names[key].find('.'); dot != std::string::npos;
         dot = names[key].find('.', dot + 1)) {
      const auto [entry, added] =
          keyOfEnding.emplace(names[key].substr(dot + 1), static_cast<int>(key));
      if (!added && entry->second != static_cast<int>(key)) entry->second = SHARED;
    }
  }
  const auto keyOf = [&](const std::string& name) {
    for (const std::string& form : {name, junitKeyOf(name)}) {
      const auto whole = keyOfName.find(form);
      if (whole != keyOfName.end()) return whole->second;
      const auto ending = keyOfEnding.find(form);
      if (ending != keyOfEnding.end() && ending->second != SHARED) return ending->second;
    }
    return -1;
  };
  for (const std::string& name : coverage->testNames)
    placer.keyOfCoverageTest.push_back(keyOf(name));
  for (Index file = 0; file < coverage->files.size(); ++file) {
    indexBaseName(placer, static_cast<int>(file));
  }
  return placer;
}

bool placeChange(ChangePlacer& placer, const Change& change, RunChange& placed, ReadError& error) {
  placed = RunChange{};
  placed.carried = true;
  Gathered gathered;
  gathered.filePlaced.assign(change.files.size(), 0);
  std::vector<int> coveredFile(change.files.size(), -1);
  std::vector<char> coverageKnows(change.files.size(), 0);
  // A mailbox's patches are placed in turn, each on the coverage as the
  // ones before it carried it; the last is carried once all is placed.
  CarriedBefore before;
  Index patchBegin = 0;
  for (Index at = 0; at < change.files.size(); ++at) {
    const ChangedFile& file = change.files[at];
    if (file.patch != change.files[patchBegin].patch) {
      carryCoverage(placer, change, coveredFile, patchBegin, at, &before);
      patchBegin = at;
    }
    for (const DiffHunk& edit : file.hunks) placed.changedLines += edit.oldCount + edit.newCount;
    // A copy is a new file: the coverage knows nothing of it.
    if (file.copy) continue;
    const std::string& path = file.oldPath.empty() ? file.newPath : file.oldPath;
    if (!coveredFileOf(placer, path, coveredFile[at], error)) {
      restoreCoverage(placer, before);
      return false;
    }
    if (coveredFile[at] < 0 || placer.coverage == nullptr) continue;
    coverageKnows[at] = 1;
    placeOnCoverage(placer, placer.coverage->files[static_cast<Index>(coveredFile[at])], file, at,
                    gathered);
  }
  placeOnNames(placer, change, coverageKnows, gathered);
  for (const auto& [key, signals] : gathered.signals) {
    placed.keys.push_back(key);
    placed.signals.push_back(signals);
  }
  addCoveredShares(placer, placed);
  std::unordered_set<std::string> named;
  for (Index at = 0; at < change.files.size(); ++at) {
    const ChangedFile& file = change.files[at];
    const std::string& path = file.newPath.empty() ? file.oldPath : file.newPath;
    // A file two patches change is named once.
    if (gathered.filePlaced[at] == 0 && named.insert(path).second) {
      placed.unplacedFiles.push_back(path);
    }
  }
  carryCoverage(placer, change, coveredFile, patchBegin, change.files.size(), nullptr);
  return true;
}

void placeHistoryChanges(const History& history, ChangePlacer& placer,
                         std::vector<RunChange>& changes, std::vector<LeftOutRun>& leftOut) {
  changes.assign(history.runs.size(), RunChange{});
  for (Index run = 0; run < history.runs.size(); ++run) {
    const std::string& file = history.runs[run].changeFile;
    if (file.empty()) continue;
    Change change;
    ReadError error;
    if (!readDiffFile(file, change, error) || !placeChange(placer, change, changes[run], error)) {
      leftOut.push_back({file, error.line, error.reason});
      changes[run] = RunChange{};
    }
  }
}

}  // namespace antorder
