#!/usr/bin/env python3
"""Tries the tests on single injected faults and prints which of them the tests catch.

    python3 tests/mutants/run.py [--compat] [--skip-baseline] [NAME_PART...]

The faults are mutants.py's table (only those whose name holds one of the NAME_PARTs, when any
are given). The tree at HEAD is checked out once into build-mutants/tree (a detached git
worktree) and built there; each fault is applied to that copy alone, built, and the tests run
until the first failure (`ctest --stop-on-failure`), then the file is restored. The tests are
the whole native suite on classic SDL, less the formatting check; --compat adds the
sdl12-compat runs. First the suite runs once on the unchanged tree (unless --skip-baseline): a
fault counts as caught only when the tree without it passes. Not run by CI: a whole run takes about 9 minutes on two cores
(the unchanged suite once, then each fault to its first failing test), more with --compat.
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
from mutants import MUTANTS  # noqa: E402

WORK = os.path.join(ROOT, "build-mutants")
TREE = os.path.join(WORK, "tree")
BUILD = os.path.join(TREE, "build")


def sh(argv, **kw):
    return subprocess.run(argv, text=True, capture_output=True, **kw)


def prepare():
    """The detached copy of HEAD, configured and built."""
    os.makedirs(WORK, exist_ok=True)
    head = sh(["git", "-C", ROOT, "rev-parse", "HEAD"], check=True).stdout.strip()
    if os.path.isdir(TREE):
        sh(["git", "-C", TREE, "checkout", "--quiet", "--detach", head], check=True)
        sh(["git", "-C", TREE, "checkout", "--quiet", "--", "."], check=True)
    else:
        sh(["git", "-C", ROOT, "worktree", "add", "--detach", TREE, head], check=True)
    sh(["cmake", "-S", TREE, "-B", BUILD, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
        "-DWARNINGS_AS_ERRORS=ON", "-DBENCH=ON"], check=True)
    build = sh(["cmake", "--build", BUILD, "-j%d" % os.cpu_count()])
    if build.returncode:
        sys.exit("the unchanged tree does not build:\n" + build.stdout[-3000:])
    return head


def run_tests(compat):
    """(passed, the first failing test or a reason) for the suite in the copy."""
    argv = ["ctest", "--test-dir", BUILD, "--stop-on-failure", "--timeout", "300",
            "--output-on-failure"]
    # The code's formatting is no test of what it does: a fault that shifts a table's columns
    # would otherwise count as caught by it. The layers' include rule is, and stays.
    argv += ["--exclude-regex",
             r"^style\.clang_format$" if compat else r"^(compat\.|style\.clang_format$)"]
    result = sh(argv)
    if result.returncode == 0:
        return True, ""
    for line in result.stdout.splitlines():
        if "***" in line or "(Failed)" in line or "(Timeout)" in line:
            parts = line.split()
            for i, p in enumerate(parts):
                if p.startswith("Test") and i + 2 < len(parts):
                    return False, parts[i + 2]
            return False, line.strip()
    return False, "ctest status %d" % result.returncode


def apply(path, old, new):
    with open(path) as f:
        text = f.read()
    if text.count(old) != 1:
        return "its text occurs %d times in %s" % (text.count(old), path)
    with open(path, "w") as f:
        f.write(text.replace(old, new))
    return None


def main():
    args = sys.argv[1:]
    compat = "--compat" in args
    baseline = "--skip-baseline" not in args
    parts = [a for a in args if not a.startswith("--")]
    chosen = [m for m in MUTANTS if not parts or any(p in m[0] for p in parts)]
    head = prepare()
    print("Tree %s, %d faults, %s" % (head[:10], len(chosen),
                                      "both SDL runs" if compat else "classic SDL"), flush=True)
    if baseline:
        ok, first = run_tests(compat)
        if not ok:
            sys.exit("the unchanged tree fails %s: fix that first" % first)
        print("The unchanged tree passes.", flush=True)

    rows = []
    for name, rel, old, new in chosen:
        path = os.path.join(TREE, rel)
        started = time.monotonic()
        problem = apply(path, old, new)
        if problem:
            rows.append((name, rel, "not applied: " + problem, 0))
            continue
        try:
            build = sh(["cmake", "--build", BUILD, "-j%d" % os.cpu_count()])
            if build.returncode:
                verdict = "caught by the build (warnings are errors)"
            else:
                ok, first = run_tests(compat)
                verdict = "**not caught**" if ok else "caught by `%s`" % first
        finally:
            sh(["git", "-C", TREE, "checkout", "--quiet", "--", rel], check=True)
        rows.append((name, rel, verdict, time.monotonic() - started))
        print("%-60s %s" % (name, verdict), flush=True)

    sh(["cmake", "--build", BUILD, "-j%d" % os.cpu_count()])  # back to the unchanged tree
    print("\n| fault | file | result | seconds |\n|---|---|---|---:|")
    for name, rel, verdict, seconds in rows:
        print("| %s | `%s` | %s | %d |" % (name, rel, verdict, seconds))
    missed = [r for r in rows if r[2] == "**not caught**" or r[2].startswith("not applied")]
    print("\n%d of %d caught." % (len(rows) - len(missed), len(rows)))
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
