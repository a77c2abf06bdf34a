// The Jest sequencer's cases that need no Jest: a stand-in for
// @jest/test-sequencer (Jest's own order by path, its own shards by turns)
// in the work folder, found from there as the project's own would be.
//
// node jest_sequencer_cases.js SEQUENCER WORK
"use strict";
const fs = require("fs");
const path = require("path");
const assert = require("assert");

const [sequencer, work] = process.argv.slice(2);
const stub = path.join(work, "node_modules", "@jest", "test-sequencer");
fs.mkdirSync(stub, { recursive: true });
fs.writeFileSync(
  path.join(stub, "index.js"),
  `const byPath = (tests) => [...tests].sort((a, b) => (a.path < b.path ? -1 : 1));
   class Base {
     sort(tests) { return byPath(tests); }
     shard(tests, { shardIndex, shardCount }) {
       return byPath(tests).filter((test, i) => i % shardCount === shardIndex - 1);
     }
   }
   module.exports = { default: Base };`
);
process.chdir(work);

const root = path.join(work, "shop");
const files = ["test/cart.test.js", "test/cart.test.js.v2/mail.test.js", "test/search.test.js", "test/new.test.js"];
const tests = files.map((file) => ({ path: path.join(root, file), context: { config: { rootDir: root } } }));
const names = (list) => list.map((test) => path.relative(root, test.path).split(path.sep).join("/"));

// run(order, rest, call): a fresh sequencer (its words said anew), with the
// files written as given (null: the variable unset; undefined text: a file
// that does not exist); what it returns and what it says.
async function run(order, rest, call) {
  const said = [];
  const write = process.stderr.write;
  process.stderr.write = (text) => said.push(text);
  try {
    for (const [variable, text] of [["ANTORDER_ORDER", order], ["ANTORDER_REST", rest]]) {
      const file = path.join(work, variable + ".txt");
      fs.rmSync(file, { force: true });
      if (text === null) {
        delete process.env[variable];
      } else {
        process.env[variable] = file;
        if (text !== undefined) {
          fs.writeFileSync(file, text);
        }
      }
    }
    delete require.cache[require.resolve(sequencer)];
    const Sequencer = require(sequencer);
    const result = await call(new Sequencer({}));
    return { ran: names(result), said: said.join("") };
  } finally {
    process.stderr.write = write;
  }
}
const sort = (sequencer) => sequencer.sort(tests);

const cases = [
  // A file whose path, and a dot, begins another's; titles with dots in them;
  // CR LF line ends.
  ["the longest file path", "test/cart.test.js.v2/mail.test.js. sends\r\ntest/search.test.js.v1.2 finds\r\n" +
      "test/cart.test.js. tax\r\n", null, sort,
    ["test/cart.test.js.v2/mail.test.js", "test/search.test.js", "test/cart.test.js", "test/new.test.js"],
    /1 test file\(s\) the order does not name run last: test\/new.test.js/],
  ["a file named only by the rest does not run", "test/search.test.js. finds\n",
    "test/cart.test.js. tax\ntest/search.test.js. misses\n", sort,
    ["test/search.test.js", "test/cart.test.js.v2/mail.test.js", "test/new.test.js"], /run last/],
  ["no order", null, null, sort, files.slice().sort(), /^antorder: not ordered: ANTORDER_ORDER is not set\n$/],
  ["an order that cannot be read", undefined, null, sort, files.slice().sort(),
    /^antorder: not ordered: cannot read ANTORDER_ORDER=.*\n$/],
  ["a rest that cannot be read", "test/cart.test.js. tax\n", undefined, sort, files.slice().sort(),
    /^antorder: not ordered: cannot read ANTORDER_REST=/],
  ["another project's order", "shop/a.test.js. x\nshop/b.test.js. y\ntest/cart.test.js. tax\n", null, sort,
    ["test/cart.test.js", "test/cart.test.js.v2/mail.test.js", "test/new.test.js", "test/search.test.js"],
    /2 of its 3 lines name no test file here, such as line 1, 'shop\/a.test.js. x'/],
];
// Two shards of one split: cart's tests over both, its first key (" tax")
// in shard 2's order, so that it runs there alone; the file neither names
// goes where Jest's own split puts it.
const split = [
  "test/cart.test.js.b total\ntest/search.test.js. finds\n",
  "test/cart.test.js. tax\ntest/cart.test.js.v2/mail.test.js. sends\n",
];
for (const [index, order] of split.entries()) {
  const shard = (sequencer) => sequencer.shard(tests, { shardIndex: index + 1, shardCount: 2 });
  cases.push([`shard ${index + 1} of 2`, order, split[1 - index], shard,
    [["test/search.test.js", "test/new.test.js"], ["test/cart.test.js", "test/cart.test.js.v2/mail.test.js"]][index],
    /^$/]);
}
cases.push(["a shard without the rest", split[0], null,
  (sequencer) => sequencer.shard(tests, { shardIndex: 1, shardCount: 2 }),
  ["test/cart.test.js", "test/new.test.js"], /^antorder: Jest's own shards: /]);

(async () => {
  let failed = 0;
  for (const [name, order, rest, call, expected, says] of cases) {
    const { ran, said } = await run(order, rest, call);
    try {
      assert.deepStrictEqual(ran, expected);
      assert.match(said, says);
    } catch (error) {
      failed += 1;
      console.error(`${name}: ran ${JSON.stringify(ran)}, said ${JSON.stringify(said)}: ${error.message}`);
    }
  }
  process.exit(failed === 0 ? 0 : 1);
})();
