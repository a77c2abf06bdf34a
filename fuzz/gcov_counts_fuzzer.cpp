// Feeds any bytes to the reader of gcov's JSON output, which must hold up
// under the sanitizers and count only lines from 1 up.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "collect/gcov_counts.h"

using namespace antorder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  LineCounts counts;
  std::string reason;
  if (!addGcovJson(std::string(reinterpret_cast<const char*>(data), size), counts, reason)) {
    return 0;
  }
  for (const auto& [file, lines] : counts) {
    for (const auto& [line, count] : lines) {
      if (line < 1 || count == 0) std::abort();
    }
  }
  return 0;
}
