// Feeds any bytes to the reader of changes, which must hold up under the
// sanitizers and give hunks whose ranges a later step can walk.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "reading/diff_reader.h"

using namespace antorder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  Change change;
  ReadError error;
  if (!readDiff(in, change, error)) return 0;
  for (const ChangedFile& file : change.files) {
    for (const DiffHunk& hunk : file.hunks) {
      if (hunk.oldStart < 0 || hunk.oldCount < 0 || hunk.newStart < 0 || hunk.newCount < 0) {
        std::abort();
      }
    }
  }
  return 0;
}
