#pragma once

// How one test's names in different tools' words are told to be one: a
// pytest node id and the key pytest's JUnit report gives the same test, and
// the names a coverage report gives the tests of a history.

#include <string>
#include <vector>

namespace antorder {

// The key of a JUnit testcase: its classname and name joined by a dot; the
// name alone where the classname is empty or the same as the name (pytest
// reports a module's own doctest with classname and name both "pkg.mod").
std::string junitKey(const std::string& classname, const std::string& name);

// The key a JUnit report gives the test a pytest node id names, by the
// classname and name pytest's --junitxml makes of it:
// "tests/test_cart.py::TestCart::test_total" is "tests.test_cart.TestCart.test_total",
// a module doctest "pkg/mod.py::pkg.mod" is "pkg.mod", and a function's
// "pkg/mod.py::pkg.mod.func" is "pkg.mod.pkg.mod.func".
// Other names are their own key.
std::string junitKeyOf(const std::string& name);

// The name as lcov's --test-name writes it: every character outside
// [A-Za-z0-9_] as "_".
std::string lcovTestName(const std::string& name);

// Which keys each of a coverage report's test names stands for.
struct CoverageNameMatch {
  std::vector<std::vector<int>> keysOfTest;  // by coverage test, ascending; empty: none
  // Tests whose lcov name two keys rewrite to alike: the test, and two of the keys.
  struct Tie {
    int test;
    int first;
    int second;
  };
  std::vector<Tie> lcovTies;
};

// Matches a coverage report's test names to keys, each by the first rule
// that finds any, in its own words or as its node id's key (junitKeyOf):
// 1. the whole key;
// 2. the key's ending after a dot, where no other key ends alike
//    (coverage.py names a module as imported: test_cart.test_total);
// 3. for a name of [A-Za-z0-9_] alone, the key lcov rewrites to it, where
//    no other key rewrites alike (ButtonTest_Basic: ButtonTest.Basic);
// 4. every parametrised key "F[...]" whose F the name matches by rule 1 or
//    2 (coverage.py's test_function context names test_x for test_x[a]);
// 5. a name rules 1 to 4 leave unmatched that names a method of a class,
//    "mod.Base.test_x", stands for each key "...Class.test_x" that no name
//    found by them: a test class inherits the method from a mixin, and
//    coverage.py names a method by the class that defines it. Keys in the
//    same module come first: where there are any, only those. A class is a
//    part that begins with a capital letter, as Python's classes do, the
//    module every part before it.
CoverageNameMatch matchCoverageNames(const std::vector<std::string>& keys,
                                     const std::vector<std::string>& names);

}  // namespace antorder
