#pragma once

// The runs of a history from JUnit XML reports, as pytest, ctest,
// GoogleTest, Maven Surefire and Jest write them.
//
// A report's root is <testsuites> or <testsuite>, suites may nest, and every
// <testcase> with its name, classname and time is one result. A test's key is
// classname.name, or the name alone where the classname is empty or the name
// itself. It ran unless it has a <skipped> child or its status or result says
// notrun, disabled, skipped or suppressed; it failed with a <failure> or
// <error> child (or Surefire's flaky and rerun variants) or status="fail".
// Two results with one key in a run (pytest's failed call and errored
// teardown) are one test: failed if either failed, their times added.
// A testcase property antorder_position, which the pytest plugin writes, is
// the test's place in pytest's collection order. A testcase's file
// attribute (jest-junit's, GoogleTest's) names the test's own file.

#include <istream>
#include <string>

#include "history/history.h"
#include "suite/suite_builder.h"

namespace antorder {

// Reads one report as one run, appended to the history; `file` names it in
// errors and the run. False, with the line and the reason, on a report that
// is not JUnit XML.
bool readJunitReport(std::istream& in, const std::string& file, const std::string& runName,
                     History& history, ReadError& error);

// Reads a report, or a folder of runs: each .xml file directly inside is one
// run, each folder inside one run of every .xml file under it; runs in name
// order, the oldest first, read `jobs` at a time with the same result for
// any number. A run of a folder that cannot be read (a report cut short, a
// folder without permission) is left out, in history.leftOut; the folder
// itself must be readable and hold a run that is. Errors name the file they
// are in.
bool readJunitPath(const std::string& path, History& history, ReadError& error, int jobs = 1);

// Whether `path`, as the file system resolves it (through links, another
// spelling of a folder), is a file the history in `folder` reads or would
// read: a report, a diff or a coverage snapshot directly inside, or
// anything inside a run's folder. Writing there would destroy the history.
bool insideHistory(const std::string& folder, const std::string& path);

}  // namespace antorder
