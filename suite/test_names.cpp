#include "suite/test_names.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>

namespace antorder {

namespace {

constexpr int NONE = -1;
constexpr int SHARED = -2;  // a name two keys share: it finds neither

using Index = std::size_t;
using UniqueIndex = std::unordered_map<std::string, int>;

void indexUnique(UniqueIndex& index, const std::string& name, int value) {
  const auto [entry, added] = index.emplace(name, value);
  if (!added && entry->second != value) entry->second = SHARED;
}

// Indexes the name's endings after each of its dots.
void indexEndings(UniqueIndex& index, const std::string& name, int value) {
  for (std::size_t dot = name.find('.'); dot != std::string::npos; dot = name.find('.', dot + 1)) {
    indexUnique(index, name.substr(dot + 1), value);
  }
}

int foundIn(const UniqueIndex& index, const std::string& name) {
  const auto found = index.find(name);
  return found == index.end() ? NONE : found->second;
}

// A parametrised key's name without its parameters: F of "F[...]"; empty
// for a key without.
std::string parametrisedHead(const std::string& key) {
  const std::size_t open = key.find('[');
  if (open == std::string::npos || open == 0 || key.back() != ']') return {};
  return key.substr(0, open);
}

// A name of a method of a class: module.Class.method.
struct MethodShape {
  std::string module;
  std::string method;
};

bool methodShapeOf(const std::string& name, MethodShape& shape) {
  const std::size_t last = name.rfind('.');
  if (last == std::string::npos || last == 0 || last + 1 == name.size()) return false;
  const std::size_t before = name.rfind('.', last - 1);
  if (before == std::string::npos || before == 0 || before + 1 == last) return false;
  const char initial = name[before + 1];
  if (initial < 'A' || initial > 'Z') return false;
  shape.module = name.substr(0, before);
  shape.method = name.substr(last + 1);
  return true;
}

// Whether one dotted module name is the other's ending after a dot, or the
// same: coverage.py names a module as imported (test_cart), a report by
// its path (tests.test_cart).
bool sameModule(const std::string& a, const std::string& b) {
  const std::string& shorter = a.size() <= b.size() ? a : b;
  const std::string& longer = a.size() <= b.size() ? b : a;
  if (longer.size() == shorter.size()) return longer == shorter;
  const std::size_t start = longer.size() - shorter.size();
  return longer[start - 1] == '.' && longer.compare(start, shorter.size(), shorter) == 0;
}

bool isLcovName(const std::string& name) {
  return !name.empty() && lcovTestName(name) == name;
}

// The keys indexed by every form a coverage name may find them by.
struct KeyIndex {
  UniqueIndex keyOfName;
  UniqueIndex keyOfEnding;
  std::unordered_map<std::string, std::vector<int>> keysOfLcovName;
  UniqueIndex headOfName;
  UniqueIndex headOfEnding;
  std::vector<std::vector<int>> keysOfHead;
  std::unordered_map<std::string, std::vector<int>> keysOfMethod;
  std::vector<std::string> moduleOfKey;  // of the keys in keysOfMethod
};

KeyIndex indexOf(const std::vector<std::string>& keys) {
  KeyIndex index;
  index.moduleOfKey.resize(keys.size());
  for (Index at = 0; at < keys.size(); ++at) {
    const std::string& key = keys[at];
    const int value = static_cast<int>(at);
    index.keyOfName.emplace(key, value);
    indexEndings(index.keyOfEnding, key, value);
    std::vector<int>& alike = index.keysOfLcovName[lcovTestName(key)];
    if (alike.size() < 2) alike.push_back(value);  // two tell a tie
    const std::string head = parametrisedHead(key);
    if (!head.empty()) {
      const auto [entry, added] =
          index.headOfName.emplace(head, static_cast<int>(index.keysOfHead.size()));
      if (added) {
        index.keysOfHead.emplace_back();
        indexEndings(index.headOfEnding, head, entry->second);
      }
      index.keysOfHead[static_cast<Index>(entry->second)].push_back(value);
    }
    MethodShape shape;
    if (methodShapeOf(head.empty() ? key : head, shape)) {
      index.keysOfMethod[shape.method].push_back(value);
      index.moduleOfKey[at] = shape.module;
    }
  }
  return index;
}

// Rules 1 to 4 for one coverage name; `tied` where two keys rewrite to it alike.
std::vector<int> directKeys(const KeyIndex& index, const std::string& name, bool& tied) {
  const std::string asKey = junitKeyOf(name);
  std::vector<std::string> forms = {name};
  if (asKey != name) forms.push_back(asKey);
  for (const std::string& form : forms) {
    for (const UniqueIndex* by : {&index.keyOfName, &index.keyOfEnding}) {
      const int key = foundIn(*by, form);
      if (key >= 0) return {key};
    }
  }
  tied = false;
  if (isLcovName(name)) {
    const auto alike = index.keysOfLcovName.find(name);
    if (alike != index.keysOfLcovName.end() && alike->second.size() == 1) return alike->second;
    tied = alike != index.keysOfLcovName.end();
  }
  for (const std::string& form : forms) {
    for (const UniqueIndex* by : {&index.headOfName, &index.headOfEnding}) {
      const int head = foundIn(*by, form);
      if (head >= 0) return index.keysOfHead[static_cast<Index>(head)];
    }
  }
  return {};
}

}  // namespace

std::string junitKey(const std::string& classname, const std::string& name) {
  return classname.empty() || classname == name ? name : classname + "." + name;
}

std::string junitKeyOf(const std::string& name) {
  const std::size_t parts = name.find("::");
  if (parts == std::string::npos) return name;
  std::string classname = name.substr(0, parts);
  if (classname.size() > 3 && classname.compare(classname.size() - 3, 3, ".py") == 0) {
    classname.resize(classname.size() - 3);
  }
  std::replace(classname.begin(), classname.end(), '/', '.');
  std::replace(classname.begin(), classname.end(), '\\', '.');
  // The name is the last part; parameters, from the first "[", stay as they
  // are, as pytest writes them.
  const std::size_t parameters = std::min(name.find('['), name.size());
  std::size_t last = parts;
  for (std::size_t at = name.find("::", parts + 2); at < parameters; at = name.find("::", at + 2)) {
    classname += "." + name.substr(last + 2, at - last - 2);
    last = at;
  }
  return junitKey(classname, name.substr(last + 2));
}

std::string lcovTestName(const std::string& name) {
  std::string rewritten = name;
  for (char& c : rewritten) {
    const bool kept =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (!kept) c = '_';
  }
  return rewritten;
}

CoverageNameMatch matchCoverageNames(const std::vector<std::string>& keys,
                                     const std::vector<std::string>& names) {
  const KeyIndex index = indexOf(keys);
  CoverageNameMatch match;
  match.keysOfTest.resize(names.size());
  std::vector<char> namedDirectly(keys.size(), 0);
  std::vector<Index> unmatched;
  for (Index test = 0; test < names.size(); ++test) {
    bool tied = false;
    std::vector<int>& found = match.keysOfTest[test];
    found = directKeys(index, names[test], tied);
    for (const int key : found) namedDirectly[static_cast<Index>(key)] = 1;
    if (!found.empty()) continue;
    if (!tied) {
      unmatched.push_back(test);
    } else {
      const std::vector<int>& alike = index.keysOfLcovName.at(names[test]);
      match.lcovTies.push_back({static_cast<int>(test), alike[0], alike[1]});
    }
  }
  // Inherited methods, once every name found directly is known.
  for (const Index test : unmatched) {
    const std::string name = junitKeyOf(names[test]);
    MethodShape shape;
    if (name.find('[') != std::string::npos || !methodShapeOf(name, shape)) continue;
    const auto candidates = index.keysOfMethod.find(shape.method);
    if (candidates == index.keysOfMethod.end()) continue;
    std::vector<int> anywhere;
    std::vector<int> sameModuleKeys;
    for (const int key : candidates->second) {
      if (namedDirectly[static_cast<Index>(key)] != 0) continue;
      anywhere.push_back(key);
      if (sameModule(index.moduleOfKey[static_cast<Index>(key)], shape.module)) {
        sameModuleKeys.push_back(key);
      }
    }
    match.keysOfTest[test] = sameModuleKeys.empty() ? anywhere : sameModuleKeys;
  }
  return match;
}

}  // namespace antorder
