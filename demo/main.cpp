#include <cerrno>
#include <cstdio>
#include <cstring>

#include "demo/colony.h"
#include "demo/run.h"
#include "demo/suite.h"
#include "platform/random.h"

namespace {

// Pushes the report out and says on standard error when it could not be
// written (a full disk, a closed output), so that a lost report is no success.
bool finishReport() {
  const bool flushed = std::fflush(stdout) == 0;
  const int error = errno;
  if (flushed && std::ferror(stdout) == 0) {
    return true;
  }
  std::fprintf(stderr, "antorder: could not write the report: %s\n",
               error != 0 ? std::strerror(error) : "unknown error");
  return false;
}

}  // namespace

// Arguments are accepted and ignored: the suite and every parameter are built in.
int main(int /*argc*/, char** /*argv*/) {
  errno = 0;
  seedRandom(RANDOM_SEED);
  TestSuite suite = BUILT_IN_SUITE;
  Colony colony = {};

  int givenOrder[TEST_COUNT];
  for (int position = 0; position < TEST_COUNT; ++position) {
    givenOrder[position] = position;
  }
  std::printf("initial APFD=%f \n", static_cast<double>(computeApfd(suite, givenOrder)));
  runOptimisation(suite, colony);

  const bool reportWritten = finishReport();

  // Holds a console window open until a key arrives; input at its end returns at once.
  std::getchar();
  return reportWritten ? 0 : 1;
}
