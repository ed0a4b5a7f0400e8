#!/usr/bin/env python3
"""scripts/test-summary.py on small CTest reports: a skip passes only where the list allows it."""
import pathlib
import subprocess
import sys
import tempfile

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "test-summary.py"
PASSED = '<testcase name="a.Passes" status="run"/>'
FAILED = '<testcase name="a.Fails" status="fail"/>'
SKIPPED = ('<testcase name="a.Skips" status="notrun"><skipped message="SKIP_REGULAR_EXPRESSION_MATCHED"/>'
           "<system-out>x.cpp:3: Skipped\nno second address here</system-out></testcase>")
ALLOWED = "windows* a.Skips Wine has one address\n"

# cases, build, allowed list, exit status, first line
CASES = [
    ([PASSED, PASSED], "native", ALLOWED, 0, "native: 2 tests: 2 passed, 0 failed, 0 skipped"),
    ([PASSED, SKIPPED], "windows64", ALLOWED, 0, "windows64: 2 tests: 1 passed, 0 failed, 1 skipped, allowed:"),
    ([PASSED, SKIPPED], "native", ALLOWED, 1, "native: 2 tests: 1 passed, 0 failed, 1 skipped"),
    ([PASSED, SKIPPED], "windows", "# windows* a.Skips a comment\n", 1, "windows: 2 tests: 1 passed, 0 failed, 1 skipped"),
    ([PASSED, FAILED], "native", ALLOWED, 1, "native: 2 tests: 1 passed, 1 failed, 0 skipped"),
    ([], "native", ALLOWED, 1, "native: 0 tests: 0 passed, 0 failed, 0 skipped"),
]

failures = 0
with tempfile.TemporaryDirectory() as folder:
    report = pathlib.Path(folder) / "report.xml"
    for cases, build, allowed, status, first in CASES:
        report.write_text("<testsuite>" + "".join(cases) + "</testsuite>")
        run = subprocess.run([sys.executable, SCRIPT, build, report, allowed], capture_output=True, text=True)
        lines = run.stdout.splitlines()
        said_why = status == 0 or not any("Skips" in line for line in lines) or "no second address here" in run.stdout
        if run.returncode != status or not lines or lines[0] != first or not said_why:
            failures += 1
            print(f"FAIL: {build} with {len(cases)} cases exited {run.returncode} and said:\n{run.stdout}{run.stderr}")
sys.exit(1 if failures else 0)
