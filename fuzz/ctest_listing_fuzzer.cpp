// Feeds any bytes to the reader of ctest's json-v1 listing, and each test it
// gives to the environment edits, which must hold up under the sanitizers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "collect/ctest_listing.h"

using namespace antorder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<CtestTest> tests;
  std::string reason;
  if (!readCtestListing(std::string(reinterpret_cast<const char*>(data), size), tests, reason)) {
    return 0;
  }
  for (const CtestTest& test : tests) {
    std::vector<std::string> environment;
    testEnvironment({"PATH=/bin", "A=1"}, test, environment, reason);
  }
  return 0;
}
