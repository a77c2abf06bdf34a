// Feeds any bytes to the reader of the next run's tests, as a runner lists
// them, which must hold up under the sanitizers and give only names that
// an order file can hold.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "reading/test_list.h"

using namespace antorder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> names;
  ReadError error;
  if (!readTestListText(std::string(reinterpret_cast<const char*>(data), size), names, error)) {
    return 0;
  }
  for (const std::string& name : names) {
    if (name.empty()) std::abort();
  }
  return 0;
}
