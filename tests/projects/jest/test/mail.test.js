const check = require("./check");

test("sends", () => check("sends"));
test("bounces", () => check("bounces"));
