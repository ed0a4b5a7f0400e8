#!/usr/bin/env python3
"""Counts one build's tests from CTest's JUnit report and prints them in one line.

A test that did not run (skipped by itself, disabled, or not found) fails the run unless the
list of tests that may skip names it for this build; each allowed skip is printed with its
reason, so that a fault which makes a test skip cannot read as a pass.

Usage: test-summary.py BUILD REPORT ALLOWED
ALLOWED holds one entry a line: a pattern of builds, the test's name, and the reason.
"""
import fnmatch
import sys
import xml.etree.ElementTree as ElementTree


def allowed_skips(text, build):
    allowed = {}
    for line in text.splitlines():
        fields = line.split(None, 2)
        if len(fields) == 3 and not fields[0].startswith("#") and fnmatch.fnmatchcase(build, fields[0]):
            allowed[fields[1]] = fields[2]
    return allowed


def skip_reason(case):
    """The reason that GoogleTest printed under "Skipped", or CTest's own."""
    output = (case.findtext("system-out") or "").splitlines()
    for at, line in enumerate(output):
        if line.endswith(": Skipped") and at + 1 < len(output):
            return output[at + 1]
    skipped = case.find("skipped")
    return skipped.get("message", "") if skipped is not None else "did not run"


def main():
    build, report, allowed_text = sys.argv[1:4]
    allowed = allowed_skips(allowed_text, build)
    cases = ElementTree.parse(report).getroot().iter("testcase")
    passed, failed, skipped, refused = [], [], [], []
    for case in cases:
        name, status = case.get("name"), case.get("status")
        if status == "run":
            passed.append(name)
        elif status == "fail":
            failed.append(name)
        elif name in allowed:
            skipped.append(f"    {name}: {allowed[name]}")
        else:
            refused.append(f"FAIL: {name} did not run ({skip_reason(case)}), and it is not among the tests that may skip")
    total = len(passed) + len(failed) + len(skipped) + len(refused)
    print(f"{build}: {total} tests: {len(passed)} passed, {len(failed)} failed, "
          f"{len(skipped) + len(refused)} skipped" + (", allowed:" if skipped and not refused else ""))
    for line in skipped + refused:
        print(line)
    if total == 0:
        print(f"FAIL: {build} ran no tests")
    return 1 if failed or refused or total == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
