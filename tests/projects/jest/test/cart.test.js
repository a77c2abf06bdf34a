const check = require("./check");

describe("cart", () => {
  test("total", () => check("total"));
  test("empty", () => check("empty"));
});

test("tax", () => check("tax"));
