#include "suite/test_names.h"

#include <algorithm>

namespace antorder {

std::string junitKeyOf(const std::string& name) {
  const std::size_t parts = name.find("::");
  if (parts == std::string::npos) return name;
  std::string path = name.substr(0, parts);
  if (path.size() > 3 && path.compare(path.size() - 3, 3, ".py") == 0) path.resize(path.size() - 3);
  std::replace(path.begin(), path.end(), '/', '.');
  std::replace(path.begin(), path.end(), '\\', '.');
  // Parameters, from the first "[", stay as they are, as pytest writes them.
  std::string rest = name.substr(parts + 2);
  for (std::size_t at = rest.find("::"); at < rest.find('['); at = rest.find("::", at)) {
    rest.replace(at, 2, ".");
  }
  return path + "." + rest;
}

}  // namespace antorder
