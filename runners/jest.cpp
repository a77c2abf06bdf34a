#include "runners/runners.h"

#include <array>
#include <cstring>

namespace antorder {

namespace {

// The file name endings of the tests Jest finds by default.
constexpr std::array<const char*, 6> SCRIPT_EXTENSIONS = {".js",  ".jsx", ".ts",
                                                          ".tsx", ".mjs", ".cjs"};

bool endsWith(const std::string& text, std::size_t end, const char* ending) {
  const std::size_t size = std::strlen(ending);
  return end >= size && text.compare(end - size, size, ending) == 0;
}

// The extension the text ends in before `end`, or null.
const char* scriptExtensionBefore(const std::string& text, std::size_t end) {
  for (const char* extension : SCRIPT_EXTENSIONS) {
    if (endsWith(text, end, extension)) return extension;
  }
  return nullptr;
}

// The file the key begins with, where it does.
std::string fileAtStart(const std::string& key) {
  std::string file = jestFileOf(key);
  return file == key ? std::string() : file;
}

}  // namespace

std::string jestFileOf(const std::string& key, const std::string& file) {
  if (!file.empty()) return file;
  // jest-junit's classname is the file's path, then "." and the describe
  // chain and title, which may hold dots and extensions of their own: the
  // first dot after an extension ends the path.
  // A path is told from a Python module named js (tests.js.test_x) by a
  // folder or a test file's mark.
  for (std::size_t dot = key.find('.'); dot != std::string::npos; dot = key.find('.', dot + 1)) {
    if (dot == 0 || scriptExtensionBefore(key, dot) == nullptr || dot + 1 == key.size()) continue;
    std::string path = key.substr(0, dot);
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos || !jestTestedStem(path).empty()) return path;
  }
  return key;
}

std::string jestTestedStem(const std::string& fileName) {
  const char* extension = scriptExtensionBefore(fileName, fileName.size());
  if (extension == nullptr) return {};
  const std::size_t end = fileName.size() - std::strlen(extension);
  for (const char* mark : {".test", ".spec"}) {
    if (endsWith(fileName, end, mark) && end > std::strlen(mark)) {
      return fileName.substr(0, end - std::strlen(mark));
    }
  }
  return {};
}

const Runner& jestRunner() {
  static const Runner row{"jest", "file", nullptr, jestFileOf, jestTestedStem, fileAtStart};
  return row;
}

}  // namespace antorder
