#pragma once

// How one test's names in different tools' words are told to be one: a
// pytest node id and the key pytest's JUnit report gives the same test.

#include <string>

namespace antorder {

// The key a JUnit report gives the test a pytest node id names:
// "tests/test_cart.py::TestCart::test_total" is "tests.test_cart.TestCart.test_total".
// Other names are their own key.
std::string junitKeyOf(const std::string& name);

}  // namespace antorder
