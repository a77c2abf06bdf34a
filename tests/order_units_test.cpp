#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ordering/order_units.h"
#include "runners/runners.h"

using namespace antorder;

namespace {

TEST(OrderUnits, NamesEachRunnersUnitAndEachTestsClassOrFile) {
  struct Runner {
    const char* name;
    bool known;
    OrderUnit unit;
  };
  for (const Runner& r :
       {Runner{"junit5", true, OrderUnit::CLASS}, Runner{"jest", true, OrderUnit::FILE},
        Runner{"ctest", true, OrderUnit::TEST}, Runner{"gtest", true, OrderUnit::TEST},
        Runner{"pytest", true, OrderUnit::TEST}, Runner{"JUnit5", false, OrderUnit::TEST},
        Runner{"", false, OrderUnit::TEST}}) {
    SCOPED_TRACE(r.name);
    // As the options map --runner: the runner's row names its unit.
    OrderUnit unit = OrderUnit::TEST;
    const antorder::Runner* row = runnerNamed(r.name);
    EXPECT_EQ(row != nullptr, r.known);
    if (row != nullptr) {
      EXPECT_TRUE(orderUnitNamed(row->unit, unit));
    }
    EXPECT_EQ(unit, r.unit);
  }
  // The unit's name reads back; another name leaves the unit as it was.
  for (const OrderUnit unit : {OrderUnit::TEST, OrderUnit::CLASS, OrderUnit::FILE}) {
    OrderUnit read = unit == OrderUnit::FILE ? OrderUnit::TEST : OrderUnit::FILE;
    EXPECT_TRUE(orderUnitNamed(orderUnitName(unit), read));
    EXPECT_EQ(read, unit);
  }
  for (const char* other : {"", "Class", "files", "test "}) {
    OrderUnit read = OrderUnit::CLASS;
    EXPECT_FALSE(orderUnitNamed(other, read)) << other;
    EXPECT_EQ(read, OrderUnit::CLASS);
  }
  // The runners room's mapping, as --runner takes it.
  struct Case {
    const char* key;
    const char* file;
    const char* runner;
    const char* expected;
  };
  const Case cases[] = {
      {"shop.CartTest.total", "", "junit5", "shop.CartTest"},
      // Arguments and display names may hold dots of their own.
      {"shop.CartTest.total(double)[1] 0.5", "", "junit5", "shop.CartTest"},
      {"shop.CartTest.rounds[2.5, 3.0]", "", "junit5", "shop.CartTest"},
      {"shop.CartTest$Nested.total", "", "junit5", "shop.CartTest$Nested"},
      {"src/cart.test.js.Cart adds one.5 items", "", "jest", "src/cart.test.js"},
      {"src/cart.test.js.works", "", "jest", "src/cart.test.js"},
      // A report's file wins over the key.
      {"src/cart.test.js.works", "src/cart.test.js", "jest", "src/cart.test.js"},
      // Without a class part, a test is its own unit.
      {"total", "", "junit5", "total"},
      {".total", "", "junit5", ".total"},
      {"(x.y)", "", "junit5", "(x.y)"},
      {"shop.CartTest.total", "", "pytest", "shop.CartTest.total"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    History history;
    if (*c.file != '\0') {
      history.keyIndex.emplace(c.key, 0);
      history.fileOfKey[0] = c.file;
    }
    EXPECT_EQ(runnerUnitOf(c.runner, c.key, &history), c.expected);
  }
}

// Each unit comes at its first test's position, its tests following in
// the order's sequence; an order whose units already run together stays.
TEST(OrderUnits, RegroupsAnOrderByUnit) {
  struct Case {
    std::vector<int> unitOf;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {{}, {}},
      {{0, 0, 1, 1, 2}, {0, 1, 2, 3, 4}},
      {{0, 1, 0, 2, 1, 0}, {0, 2, 5, 1, 4, 3}},
      // Numbers that do not follow the first appearance.
      {{7, 3, 7, 3}, {0, 2, 1, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.unitOf));
    EXPECT_EQ(regroupedPositions(c.unitOf), c.expected);
  }
  EXPECT_EQ(unitNumbers({"a.X.t", "a.Y.t", "a.X.u", "b"}, junit5ClassOf),
            (std::vector<int>{0, 1, 0, 2}));
}

// A unit is selected whole or not at all, first fit by its tests' summed
// time in the order of its first test.
TEST(OrderUnits, TheBudgetTakesWholeUnits) {
  struct Case {
    const char* what;
    std::vector<double> seconds;
    std::vector<int> unitOf;
    double budget;
    std::vector<int> selected;
    double selectedSeconds;
  };
  const Case cases[] = {
      {"a unit of two tests fits only whole", {1, 1, 1}, {0, 0, 1}, 1.5, {2}, 1.0},
      {"the second unit no longer fits", {2, 1, 1, 3}, {0, 0, 1, 1}, 4.0, {0, 1}, 3.0},
      {"both fit exactly", {2, 1, 1, 3}, {0, 0, 1, 1}, 7.0, {0, 1, 2, 3}, 7.0},
      {"first fit goes past a unit too long", {3, 2, 1}, {0, 1, 0}, 3.0, {1}, 2.0},
      {"nothing fits", {2, 2}, {0, 0}, 3.0, {}, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const BudgetSelection selection = selectUnitsWithinBudget(c.seconds, c.unitOf, c.budget);
    EXPECT_EQ(selection.selected, c.selected);
    EXPECT_EQ(selection.selectedSeconds, c.selectedSeconds);
    EXPECT_EQ(selection.selected.size() + selection.rest.size(), c.seconds.size());
  }
}

// Over shards, no unit has tests on two, every test is on one, and each
// shard's budget takes whole units.
TEST(OrderUnits, ShardsSplitWholeUnits) {
  std::vector<double> seconds;
  std::vector<int> unitOf;
  // 40 tests in 13 units, interleaved, of varied times.
  for (int test = 0; test < 40; ++test) {
    unitOf.push_back((test * 7) % 13);
    seconds.push_back(0.5 + static_cast<double>((test * 5) % 9));
  }
  for (const int count : {1, 2, 4, 13, 20}) {
    SCOPED_TRACE(count);
    const std::vector<int> shardOf = splitUnitsIntoShards(seconds, unitOf, count);
    ASSERT_EQ(shardOf.size(), seconds.size());
    std::vector<int> shardOfUnit(13, -1);
    std::set<int> used;
    for (std::size_t at = 0; at < shardOf.size(); ++at) {
      ASSERT_GE(shardOf[at], 0);
      ASSERT_LT(shardOf[at], count);
      int& unitShard = shardOfUnit[static_cast<std::size_t>(unitOf[at])];
      if (unitShard < 0) unitShard = shardOf[at];
      EXPECT_EQ(unitShard, shardOf[at]) << "unit " << unitOf[at] << " split";
      used.insert(shardOf[at]);
    }
    EXPECT_EQ(used.size(), static_cast<std::size_t>(std::min(count, 13)));
    const std::vector<char> selected =
        selectUnitsWithinShardBudgets(seconds, unitOf, shardOf, count, 20.0);
    std::vector<int> selectedOfUnit(13, -1);
    for (std::size_t at = 0; at < selected.size(); ++at) {
      const int taken = selected[at] != 0 ? 1 : 0;
      int& unitSelected = selectedOfUnit[static_cast<std::size_t>(unitOf[at])];
      if (unitSelected < 0) unitSelected = taken;
      EXPECT_EQ(unitSelected, taken) << "unit " << unitOf[at] << " selected in part";
    }
  }
}

}  // namespace
