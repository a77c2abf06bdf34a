// antorder's Jest test sequencer: runs the test files in the order
// antorder-suite wrote, leaves out the files it set aside, and answers
// Jest's --shard=I/N with antorder's own shard.
//
//   ANTORDER_ORDER=PATH  the order, a history key a line: the project's test
//                        file (relative to rootDir, "/" separators), ".", then
//                        the describe chain and the test's title
//   ANTORDER_REST=PATH   the tests left out (a budget's rest, or every other
//                        shard's tests); a file whose every test is there
//                        does not run
//
// Jest runs a file's tests together, so a file takes the place of its first
// test in the order. A file the order does not name (a new one) runs after
// the named ones, in Jest's own order. Without a readable order Jest's own
// order runs, with one line saying why.
//
// Shards: with --shard=I/N give shard I's order and rest (antorder-suite
// --shard I/N --order ... --rest ...). Every shard sees all tests, its own in
// the order and the others in the rest, so every shard computes the same
// owner of each file: the shard whose order holds the file's first key (by
// code units). A file runs in its owner's shard alone, whole, even when
// antorder's split gave its tests to several shards. Files neither file names
// are split among the shards as Jest splits them.
"use strict";

const fs = require("fs");
const path = require("path");

// Installed beside antorder, away from the project's node_modules: the base
// class is the project's own, found from the folder Jest runs in, then from
// here and NODE_PATH.
function loadBaseSequencer() {
  let found;
  try {
    found = require(require.resolve("@jest/test-sequencer", { paths: [process.cwd()] }));
  } catch (error) {
    found = require("@jest/test-sequencer");
  }
  return found.default || found;
}

const BaseSequencer = loadBaseSequencer();

// Each warning once a process: Jest may call shard() and then sort().
const said = new Set();
function say(line) {
  if (!said.has(line)) {
    said.add(line);
    process.stderr.write("antorder: " + line + "\n");
  }
}

// A file's lines; each ends at a line feed, one CR before it dropped. Empty
// lines name nothing.
function readLines(variable) {
  const file = process.env[variable];
  const text = fs.readFileSync(file, "utf8");
  return text
    .split("\n")
    .map((line) => (line.endsWith("\r") ? line.slice(0, -1) : line))
    .filter((line) => line !== "");
}

// A test file's path as the keys give it.
function keyPath(test) {
  const rootDir = (test.context && test.context.config && test.context.config.rootDir) || process.cwd();
  return path.relative(rootDir, test.path).split(path.sep).join("/");
}

// The test file a line names: the one whose path, followed by ".", is the
// longest prefix of the line.
function fileOf(line, byPath) {
  for (let end = line.lastIndexOf("."); end > 0; end = line.lastIndexOf(".", end - 1)) {
    const test = byPath.get(line.slice(0, end));
    if (test !== undefined) {
      return test;
    }
  }
  return undefined;
}

// What the order and rest files say of these tests, or null (with the
// reason said) where there is no order to follow.
function readPlan(tests, sharded) {
  if (!process.env.ANTORDER_ORDER) {
    say("not ordered: ANTORDER_ORDER is not set");
    return null;
  }
  if (sharded && !process.env.ANTORDER_REST) {
    say("Jest's own shards: with --shard, ANTORDER_REST must name the other shards' tests");
    return null;
  }
  let order;
  let rest = [];
  try {
    order = readLines("ANTORDER_ORDER");
  } catch (error) {
    say("not ordered: cannot read ANTORDER_ORDER=" + process.env.ANTORDER_ORDER + ": " + error.message);
    return null;
  }
  if (process.env.ANTORDER_REST) {
    try {
      rest = readLines("ANTORDER_REST");
    } catch (error) {
      say("not ordered: cannot read ANTORDER_REST=" + process.env.ANTORDER_REST + ": " + error.message);
      return null;
    }
  }
  const byPath = new Map();
  for (const test of tests) {
    byPath.set(keyPath(test), test);
  }
  const position = new Map(); // test file -> its first line's place in the order
  const owner = new Map(); // test file -> its first key, by code units
  const inOrder = new Set();
  const unmatched = [];
  const note = (line) => {
    const test = fileOf(line, byPath);
    if (test === undefined) {
      return undefined;
    }
    if (!owner.has(test) || line < owner.get(test)) {
      owner.set(test, line);
    }
    return test;
  };
  order.forEach((line, index) => {
    const test = note(line);
    if (test === undefined) {
      unmatched.push(index);
    } else {
      inOrder.add(line);
      if (!position.has(test)) {
        position.set(test, index);
      }
    }
  });
  rest.forEach((line) => note(line));
  // A run of part of the suite (jest test/cart) leaves lines unmatched as
  // well: only most lines naming nothing here is worth a word.
  if (unmatched.length * 2 > order.length) {
    const first = unmatched[0];
    say(
      "ANTORDER_ORDER=" + process.env.ANTORDER_ORDER + ": " + unmatched.length + " of its " + order.length +
        " lines name no test file here, such as line " + (first + 1) + ", '" + order[first] + "'"
    );
  }
  return { position, owner, inOrder };
}

class AntorderSequencer extends BaseSequencer {
  async shard(tests, options) {
    // sort() follows with our share alone: the order's other lines name
    // files of the other shards, not files missing here.
    this.antorderAllTests = tests;
    const plan = readPlan(tests, true);
    if (plan === null) {
      return super.shard(tests, options);
    }
    const ours = [];
    const unnamed = [];
    for (const test of tests) {
      if (!plan.owner.has(test)) {
        unnamed.push(test);
      } else if (plan.inOrder.has(plan.owner.get(test))) {
        ours.push(test);
      }
    }
    const theirs = unnamed.length > 0 ? await super.shard(unnamed, options) : [];
    return ours.concat(theirs);
  }

  async sort(tests) {
    const plan = readPlan(this.antorderAllTests || tests, false);
    if (plan === null) {
      return super.sort(tests);
    }
    const named = tests.filter((test) => plan.position.has(test));
    named.sort((a, b) => plan.position.get(a) - plan.position.get(b));
    const unnamed = tests.filter((test) => !plan.owner.has(test));
    if (unnamed.length > 0) {
      say(
        unnamed.length + " test file(s) the order does not name run last: " +
          unnamed.map(keyPath).join(", ")
      );
    }
    return named.concat(await super.sort(unnamed));
  }
}

module.exports = AntorderSequencer;
