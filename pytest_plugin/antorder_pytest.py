"""Runs pytest's tests in the order antorder-suite wrote, and leaves out
the tests a time budget left out.

Load it with ``pytest -p antorder_pytest`` (the folder of this file on
PYTHONPATH). Both files name a test a line by the key pytest's own
``--junitxml`` gives it: ``tests/test_login.py::TestLogin::test_lockout``
is ``tests.test_login.TestLogin.test_lockout``, parameters included.

``--antorder-order FILE`` runs the tests the file names in its order, after
the tests it does not name (new ones, the likeliest to fail), which keep
their collection order; a key that names no test is ignored.
``--antorder-rest FILE`` deselects the tests the file names, as ``-k`` does.
"""

import re

import pytest


def pytest_addoption(parser):
    group = parser.getgroup("antorder", "running tests in antorder-suite's order")
    group.addoption(
        "--antorder-order",
        metavar="FILE",
        help="run the tests in the order of this file's JUnit keys, a key a line; "
        "tests it does not name run first",
    )
    group.addoption(
        "--antorder-rest",
        metavar="FILE",
        help="deselect the tests this file names by their JUnit keys, a key a line",
    )


def junit_key(nodeid):
    """The key pytest's --junitxml gives a test: its classname and name joined."""
    path, bracket, parameters = nodeid.partition("[")
    names = path.split("::")
    names[0] = re.sub(r"\.py$", "", names[0].replace("/", "."))
    names[-1] += bracket + parameters
    return ".".join(names)


def read_keys(path):
    with open(path, encoding="utf-8") as lines:
        return [line.rstrip("\r\n") for line in lines if line.strip()]


@pytest.hookimpl(trylast=True)
def pytest_collection_modifyitems(config, items):
    rest_file = config.getoption("antorder_rest")
    if rest_file:
        rest = set(read_keys(rest_file))
        deselected = [item for item in items if junit_key(item.nodeid) in rest]
        if deselected:
            items[:] = [item for item in items if junit_key(item.nodeid) not in rest]
            config.hook.pytest_deselected(items=deselected)
    order_file = config.getoption("antorder_order")
    if order_file:
        position = {}
        for key in read_keys(order_file):
            position.setdefault(key, len(position))
        new = [item for item in items if junit_key(item.nodeid) not in position]
        known = [item for item in items if junit_key(item.nodeid) in position]
        known.sort(key=lambda item: position[junit_key(item.nodeid)])
        items[:] = new + known
