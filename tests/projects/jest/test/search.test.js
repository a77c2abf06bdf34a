const check = require("./check");

test.each(["plain", "two words"])("finds %s", (word) => check("search " + word));

describe("filters", () => {
  describe("by price", () => {
    test("low first", () => check("low first"));
  });
  test("none", () => check("none"));
});
