// Feeds any bytes to the reader of the next run's tests, as a runner lists
// them, which must hold up under the sanitizers and give only names that
// an order file can hold.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "runners/runners.h"

using namespace antorder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> names;
  ReadError error;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  if (!readTestList(in, names, error)) return 0;
  for (const std::string& name : names) {
    // Every name is one line of an order file, and no control character.
    if (name.empty()) std::abort();
    for (const char c : name) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
    }
  }
  return 0;
}
