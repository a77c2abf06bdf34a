#include "demo/suite.h"

float computeApfd(const TestSuite& suite, const int order[]) {
  // Sum of the 1-based positions at which each fault is first revealed;
  // a fault that no test of the order reveals adds nothing.
  float positionSum = 0.0f;
  for (int fault = 0; fault < FAULT_COUNT; ++fault) {
    for (int position = 0; position < TEST_COUNT; ++position) {
      if (suite.faultMatrix[order[position]][fault] == 1) {
        positionSum += static_cast<float>(position + 1);
        break;
      }
    }
  }
  return apfdFromPositionSum(positionSum, TEST_COUNT, FAULT_COUNT);
}
