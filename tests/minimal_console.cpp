// The least a console program of this kind does: print a line and read one
// character. Its heap use is what the C and C++ runtimes allocate by
// themselves, the yardstick for the program's own.
#include <cstdio>

int main() {
  std::printf("%f \n", 0.74);
  std::fflush(stdout);
  std::getchar();
  return 0;
}
