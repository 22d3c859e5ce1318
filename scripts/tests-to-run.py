#!/usr/bin/env python3
"""Says which tests a default run of scripts/test.sh runs again: after a run in which every test
passed (STAMP, touched when that run's build had ended), only the tests whose programs were built
again since, or whose files changed. Prints "all", "none", or ctest's -I line of test numbers.
   scripts/tests-to-run.py BUILD STAMP"""
import json
import os
import subprocess
import sys

build, stamp = sys.argv[1], sys.argv[2]
root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def newer(path, than):
    try:
        return os.stat(path).st_mtime_ns > than
    except OSError:
        return True  # gone: judged anew


def changed_besides_code(than):
    """Whether a file the tests read as they run (not C++ sources, which the build follows) or the
    build's own scripts changed: then every test runs."""
    for folder in ("tests", "scripts", "cmake"):
        for base, _, names in os.walk(os.path.join(root, folder)):
            for name in names:
                if not name.endswith((".cpp", ".h")) and newer(os.path.join(base, name), than):
                    return True
    return any(newer(os.path.join(base, name), than)
               for base, _, names in os.walk(root) if "build" not in base and "/." not in base
               for name in names if name == "CMakeLists.txt")


def main():
    if not os.path.exists(stamp):
        return "all"
    passed = os.stat(stamp).st_mtime_ns
    if changed_besides_code(passed):
        return "all"
    listing = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"], check=True,
                             capture_output=True, text=True).stdout
    tests = json.loads(listing)["tests"]
    # The command line's tests run it as a program of its own: a new one means all of them.
    cli = os.path.join(build, "app", "cli", "tagwright-cli")
    cli_changed = newer(cli, passed)
    chosen = []
    for number, test in enumerate(tests, start=1):
        labels = next((p["value"] for p in test.get("properties", []) if p["name"] == "LABELS"), [])
        files = [part for part in test["command"] if os.path.isabs(part) and os.path.exists(part)]
        if (cli_changed and "window" not in labels) or any(os.path.isdir(f) for f in files) or \
                any(newer(f, passed) for f in files):
            chosen.append(number)
    if len(chosen) == len(tests):
        return "all"
    return "0,0,0," + ",".join(map(str, chosen)) if chosen else "none"


print(main())
