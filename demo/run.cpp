#include "demo/run.h"

#include <cstdio>

void runOptimisation(TestSuite& suite, Colony& colony) {
  runSearch(suite, colony, [](int iteration, const Colony& searched) {
    std::printf("\n Iteration=%d, APFD = %f", iteration, static_cast<double>(searched.bestApfd));
  });
  std::printf("\n Final solution: \n");
  printTour(colony.bestTour);
}

void printTour(const int tour[TOUR_LENGTH]) {
  std::printf(":");
  for (int position = 0; position < TOUR_LENGTH; ++position) {
    std::printf("%d - ", tour[position] + 1);
  }
}
