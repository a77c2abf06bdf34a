"""Runs pytest's tests in the order antorder-suite wrote, and leaves out
the tests a time budget left out; or has antorder-suite order the tests
this run collected, with no collection of its own.

Load it with ``pytest -p antorder_pytest`` (the folder of this file on
PYTHONPATH), and give its options with ``=``: ``--antorder-order=FILE``.
pytest chooses its rootdir before it loads the plugin, so a separate FILE
would be taken for a test path there.

Both files name a test a line, either by the key pytest's ``--junitxml``
gives it or by its node id: ``tests.test_login.TestLogin.test_lockout[2]``
and ``tests/test_login.py::TestLogin::test_lockout[2]`` name one test.
A line matches the collected test whose file, as folders and file name,
ends with the line's, with the same class, function and parameters; this
holds whatever pytest's rootdir. Where the line's ending fits several
files, the shortest path is taken (the line names it most fully), and where
two tie, the line matches neither. A line must name a test's file as well
as the test.

``--antorder-order=FILE`` runs the tests the file names in its order, after
the tests it does not name (new ones, the likeliest to fail), which keep
their collection order. ``--antorder-rest=FILE`` deselects the tests the
file names, as ``-k`` does. A line that matches no test is ignored, but when
more than half of a file's lines match none, the terminal summary says so,
with one such line and the key of a test this run collected.

The files are read as UTF-8, a byte that is not UTF-8 taken for a
replacement character (its line then matches nothing). A line ends at a
line feed only, one carriage return before it left off, so a carriage
return inside a line leaves it one line.

``--antorder-history=DIR`` orders the tests by itself: once pytest has
collected them, it lists their node ids as ``pytest --collect-only -q``
would, runs antorder-suite (the program ``ANTORDER_SUITE`` names, else
``antorder-suite`` on PATH) on the history with ``--tests`` that list and
the options given, and applies its order and rest as the two options above
would: one collection. Where that fails (no program, no history yet, a
refusal), the tests run in pytest's own order, and the terminal summary says
why in one line ``antorder: not ordered: REASON``; the run passes or fails
on its tests alone.

With ``--junitxml``, each test's report records its place in pytest's own
collection order, before any reordering or deselection, as the property
``antorder_position`` (0 for the first test collected): a replay of the
history takes the order pytest would have run for its given order, not the
order that ran.
"""

import os
import re
import shutil
import subprocess
import tempfile

import pytest

# The property of a test's JUnit report that holds its place in the collection.
POSITION_PROPERTY = "antorder_position"


def pytest_addoption(parser):
    group = parser.getgroup("antorder", "running tests in antorder-suite's order")
    group.addoption(
        "--antorder-order",
        metavar="FILE",
        help="run the tests in this file's order, a JUnit key or node id a line; "
        "tests it does not name run first. Write it as --antorder-order=FILE",
    )
    group.addoption(
        "--antorder-rest",
        metavar="FILE",
        help="deselect the tests this file names, a JUnit key or node id a line. "
        "Write it as --antorder-rest=FILE",
    )
    group.addoption(
        "--antorder-history",
        metavar="DIR",
        help="order the collected tests by antorder-suite from this folder of JUnit reports, "
        "with no second collection; where that fails, pytest's own order runs. "
        "Write it as --antorder-history=DIR",
    )
    group.addoption(
        "--antorder-changes",
        metavar="FILE",
        help="with --antorder-history: the change this run tests, as git diff writes it",
    )
    group.addoption(
        "--antorder-coverage",
        metavar="FILE",
        help="with --antorder-history: per-test coverage (lcov or coverage.py JSON)",
    )
    group.addoption(
        "--antorder-changes-ignore",
        metavar="GLOB",
        action="append",
        default=[],
        help="with --antorder-history: files of the change to ignore; repeatable",
    )
    group.addoption(
        "--antorder-budget",
        metavar="SECONDS",
        help="with --antorder-history: run only the tests whose expected times, "
        "their own without collection or start-up, fit this many seconds",
    )
    group.addoption(
        "--antorder-fail-closed",
        action="store_true",
        default=False,
        help="with --antorder-changes and --antorder-budget: run every test where "
        "the change touches none known to depend on it",
    )
    group.addoption(
        "--antorder-shard",
        metavar="I/N",
        help="with --antorder-history: run shard I of N of the order",
    )


# The options that need --antorder-history, by their names in config.option.
HISTORY_OPTIONS = (
    ("antorder_changes", "--antorder-changes"),
    ("antorder_coverage", "--antorder-coverage"),
    ("antorder_changes_ignore", "--antorder-changes-ignore"),
    ("antorder_budget", "--antorder-budget"),
    ("antorder_fail_closed", "--antorder-fail-closed"),
    ("antorder_shard", "--antorder-shard"),
)


class PositionRecorder:
    """Gives each collected test its place in the collection as a property
    of its JUnit report, before any plugin reorders or deselects."""

    @pytest.hookimpl(hookwrapper=True)
    def pytest_collection_modifyitems(self, items):
        for position, item in enumerate(items):
            item.user_properties.append((POSITION_PROPERTY, position))
        yield


def pytest_configure(config):
    if config.getoption("antorder_history"):
        if config.getoption("antorder_order") or config.getoption("antorder_rest"):
            raise pytest.UsageError(
                "--antorder-history orders the tests itself: "
                "give it without --antorder-order and --antorder-rest"
            )
    else:
        for name, option in HISTORY_OPTIONS:
            if config.getoption(name):
                raise pytest.UsageError(f"{option} needs --antorder-history=DIR")
    if getattr(config.option, "xmlpath", None):
        config.pluginmanager.register(PositionRecorder(), "antorder_positions")


def junit_key(nodeid):
    """The key pytest's --junitxml gives a test: its classname and name joined."""
    path, bracket, parameters = nodeid.partition("[")
    names = path.split("::")
    names[0] = re.sub(r"\.py$", "", names[0].replace("/", "."))
    names[-1] += bracket + parameters
    # The classname alike the name (a module's own doctest): the name alone.
    classname = ".".join(names[:-1])
    return names[-1] if classname == names[-1] else ".".join(names)


def read_lines(path, option):
    """The lines of a file that are not blank, as the program wrote them,
    each with its line number."""
    try:
        with open(path, "rb") as file:
            data = file.read()
    except OSError as error:
        raise pytest.UsageError(f"{option}: cannot read {path}: {error.strerror}") from None
    lines = []
    for number, line in enumerate(data.decode("utf-8-sig", errors="replace").split("\n"), 1):
        if line.endswith("\r"):
            line = line[:-1]
        if line.strip():
            lines.append((number, line))
    return lines


def dotted(parts):
    """The names in parts, each cut at its dots, as a JUnit key is."""
    return tuple(name for part in parts for name in part.split(".") if name)


def without_py(file_name):
    return file_name[: -len(".py")] if file_name.endswith(".py") else file_name


def name_of_line(line):
    """A line's test as (names, parameters): the names of its file's folders,
    its module, class and function, and the parameters in brackets."""
    if "::" in line.partition("[")[0]:
        file_path, _, inner = line.partition("::")
        inner, bracket, parameters = inner.partition("[")
        parts = [part for part in file_path.split("/") if part not in ("", ".", "..")]
        if parts:
            parts[-1] = without_py(parts[-1])
        names = dotted(parts) + dotted(inner.split("::"))
    else:
        head, bracket, parameters = line.partition("[")
        names = dotted([head])
    return names, bracket + parameters


def name_of_item(item):
    """A collected test as (names, parameters, how many of the names are
    inside its file), its file's whole path standing for the folders."""
    _, _, inner = item.nodeid.partition("::")
    inner, bracket, parameters = inner.partition("[")
    parts = list(item.path.parts[1:])
    if parts:
        parts[-1] = without_py(parts[-1])
    inside = dotted(inner.split("::"))
    return dotted(parts) + inside, bracket + parameters, len(inside)


# What the files' lines that match no test are, said in the terminal summary.
mismatches = pytest.StashKey()
# Why the tests run in pytest's own order, and antorder-suite's warnings.
not_ordered = pytest.StashKey()
suite_warnings = pytest.StashKey()


class CollectedTests:
    """The collected tests, found by the lines that name them."""

    def __init__(self, items):
        self.by_last_name = {}
        for item in items:
            names, parameters, inside = name_of_item(item)
            shapes = [(names, inside)]
            # Where pytest's report keys a test by its name alone (a module's
            # own doctest: "pkg/mod.py::pkg.mod" is "pkg.mod"), its file's
            # names alone find it too.
            if inside and junit_key(item.nodeid) == item.nodeid.partition("::")[2]:
                outside = names[: len(names) - inside]
                if outside[-inside:] == names[-inside:]:
                    shapes.append((outside, 0))
            for shape, shape_inside in shapes:
                if shape:
                    self.by_last_name.setdefault((shape[-1], parameters), []).append(
                        (shape, shape_inside, item)
                    )

    def find(self, line):
        """The test a line names, or None where it names none or two equally."""
        names, parameters = name_of_line(line)
        if not names:
            return None
        best, best_length, tied = None, 0, False
        for candidate, inside, item in self.by_last_name.get((names[-1], parameters), ()):
            # The line must reach into the test's file name, and fit its end.
            if len(names) <= inside or candidate[-len(names):] != names:
                continue
            if best is None or len(candidate) < best_length:
                best, best_length, tied = item, len(candidate), False
            elif len(candidate) == best_length:
                tied = True
        return None if tied else best


def match_file(config, option, path, tests, items):
    """The tests the file of an option names, in the file's order, each
    once; keeps a word for the summary where most of its lines name none."""
    lines = read_lines(path, option)
    found, seen, unmatched = [], set(), []
    for number, line in lines:
        item = tests.find(line)
        if item is None:
            unmatched.append((number, line))
        elif id(item) not in seen:
            seen.add(id(item))
            found.append(item)
    if 2 * len(unmatched) > len(lines):
        number, line = unmatched[0]
        example = (
            f"a test collected here is {junit_key(items[0].nodeid)} "
            f"(node id {items[0].nodeid})"
            if items
            else "this run collected no test"
        )
        config.stash.setdefault(mismatches, []).append(
            f"{option}={path}: {len(unmatched)} of its {len(lines)} lines match no "
            f"collected test (or more than one equally), such as line {number}, "
            f"{line!r}; {example}. A run of part of the suite leaves lines "
            f"unmatched; otherwise the file names another project's tests."
        )
    return found


def suite_program():
    """The antorder-suite to run: ANTORDER_SUITE's, else the one on PATH."""
    named = os.environ.get("ANTORDER_SUITE")
    if named:
        return named
    return shutil.which("antorder-suite")


def suite_command(config, program, history, tests, order_file, rest_file):
    """antorder-suite's command line for the history and the options given."""
    command = [program, history, "--quiet", "--tests", tests, "--order", order_file]
    budget = config.getoption("antorder_budget")
    shard = config.getoption("antorder_shard")
    for option, value in (
        ("--changes", config.getoption("antorder_changes")),
        ("--coverage", config.getoption("antorder_coverage")),
        ("--budget", budget),
        ("--shard", shard),
    ):
        if value:
            command += [option, value]
    for glob in config.getoption("antorder_changes_ignore"):
        command += ["--changes-ignore", glob]
    if config.getoption("antorder_fail_closed"):
        command.append("--fail-closed")
    if budget or shard:
        command += ["--rest", rest_file]
    return command


def order_by_history(config, items):
    """Has antorder-suite order the collected tests; the files of its order
    and rest, or None with the reason kept for the summary."""
    history = config.getoption("antorder_history")
    program = suite_program()
    if not program:
        reason = "antorder-suite is not on PATH (or name it with ANTORDER_SUITE)"
    elif not os.path.exists(history):
        reason = f"no history at {history} yet"
    else:
        folder = tempfile.mkdtemp(prefix="antorder-")
        config.add_cleanup(lambda: shutil.rmtree(folder, ignore_errors=True))
        tests = os.path.join(folder, "tests.txt")
        order_file = os.path.join(folder, "order.txt")
        rest_file = os.path.join(folder, "rest.txt")
        # As pytest --collect-only -q lists them, which --tests reads.
        with open(tests, "w", encoding="utf-8", errors="replace", newline="\n") as listing:
            for item in items:
                listing.write(item.nodeid + "\n")
            listing.write(f"\n{len(items)} tests collected\n")
        command = suite_command(config, program, history, tests, order_file, rest_file)
        try:
            done = subprocess.run(
                command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.PIPE, check=False,
            )
        except OSError as error:
            reason = f"cannot run {program}: {error.strerror}"
        else:
            said = done.stderr.decode("utf-8", errors="replace").splitlines()
            said = [line for line in said if line.strip()]
            if done.returncode == 0:
                config.stash[suite_warnings] = said
                return order_file, rest_file if os.path.exists(rest_file) else None
            reason = f"{os.path.basename(program)} exited with status {done.returncode}"
            if said:
                reason += ": " + said[0]
    config.stash[not_ordered] = reason
    return None


@pytest.hookimpl(trylast=True)
def pytest_collection_modifyitems(config, items):
    order_file = config.getoption("antorder_order")
    rest_file = config.getoption("antorder_rest")
    if config.getoption("antorder_history") and items:
        files = order_by_history(config, items)
        if files is None:
            return
        order_file, rest_file = files
    if not order_file and not rest_file:
        return
    # Both files are matched against every collected test, so that an order
    # that names the tests the rest file leaves out does not look mismatched.
    tests = CollectedTests(items)
    if rest_file:
        rest = match_file(config, "--antorder-rest", rest_file, tests, items)
        left_out = {id(item) for item in rest}
        deselected = [item for item in items if id(item) in left_out]
        if deselected:
            items[:] = [item for item in items if id(item) not in left_out]
            config.hook.pytest_deselected(items=deselected)
    if order_file:
        order = match_file(config, "--antorder-order", order_file, tests, items)
        position = {id(item): index for index, item in enumerate(order)}
        new = [item for item in items if id(item) not in position]
        known = sorted(
            (item for item in items if id(item) in position), key=lambda item: position[id(item)]
        )
        items[:] = new + known


def pytest_terminal_summary(terminalreporter, config):
    said = config.stash.get(suite_warnings, []) + config.stash.get(mismatches, [])
    reason = config.stash.get(not_ordered, None)
    if reason is not None:
        said.append(f"antorder: not ordered: {reason}")
    if said:
        terminalreporter.write_sep("=", "antorder", yellow=True)
        for text in said:
            terminalreporter.write_line(text, yellow=True)
