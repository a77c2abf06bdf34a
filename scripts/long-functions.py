#!/usr/bin/env python3
"""Lists every function of the project longer than a number of lines.

  scripts/long-functions.py [BUILD_DIR] [--lines N] [--jobs N] [--only FOLDER...]

BUILD_DIR is a build configured with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
(default build-static). clang-tidy's readability-function-size check reads
each source the build compiles, and the headers of the project's folders it
includes; each function over N lines (default 60, counted as clang-tidy
counts them: the body's lines, blank lines and comments among them) is
listed once as FILE:LINE NAME LINES, longest first. Exits 1 where
clang-tidy cannot run, 0 otherwise, whatever it lists.
"""

import argparse
import concurrent.futures
import json
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# warning: function 'name' exceeds recommended size/complexity thresholds
WARNING = re.compile(r"^(.*?):(\d+):\d+: warning: function '(.*)' exceeds recommended size")
NOTE = re.compile(r"^.*: note: (\d+) lines including whitespace and comments \(threshold \d+\)")


def run_tidy(tidy, build, source, lines):
    # The list form, which every clang-tidy reads.
    config = ("{CheckOptions: [{key: readability-function-size.LineThreshold, value: %d}]}"
              % lines)
    command = [tidy, "-p", build, "--quiet", "-checks=-*,readability-function-size",
               "-config=" + config, "-header-filter=^" + re.escape(ROOT) + "/", source]
    done = subprocess.run(command, capture_output=True, text=True, check=False)
    if "error:" in done.stderr and not done.stdout:
        sys.exit("long-functions: clang-tidy failed on %s:\n%s" % (source, done.stderr))
    found = []
    place = None
    for line in done.stdout.splitlines():
        warning = WARNING.match(line)
        if warning:
            place = (os.path.relpath(warning.group(1), ROOT), int(warning.group(2)),
                     warning.group(3))
            continue
        note = NOTE.match(line)
        if note and place is not None:
            found.append(place + (int(note.group(1)),))
            place = None
    return found


def main():
    parser = argparse.ArgumentParser(description="List the functions over N lines.")
    parser.add_argument("build", nargs="?", default=os.path.join(ROOT, "build-static"))
    parser.add_argument("--lines", type=int, default=60)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--only", nargs="*", default=[],
                        help="folders of the project to read, as demo or reading")
    arguments = parser.parse_args()
    tidy = shutil.which("clang-tidy")
    database = os.path.join(arguments.build, "compile_commands.json")
    if tidy is None or not os.path.isfile(database):
        sys.exit("long-functions: needs clang-tidy and %s" % database)
    with open(database, encoding="utf-8") as file:
        sources = sorted({entry["file"] for entry in json.load(file)})
    sources = [s for s in sources if os.path.relpath(s, ROOT).split(os.sep)[0] != ".."
               and "/_deps/" not in s]
    if arguments.only:
        sources = [s for s in sources if os.path.relpath(s, ROOT).split(os.sep)[0]
                   in arguments.only]
    functions = set()
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, arguments.jobs)) as pool:
        for found in pool.map(lambda s: run_tidy(tidy, arguments.build, s, arguments.lines),
                              sources):
            functions.update(found)
    for path, line, name, count in sorted(functions, key=lambda f: (-f[3], f[0], f[1])):
        print("%s:%d %s %d" % (path, line, name, count))


if __name__ == "__main__":
    main()
