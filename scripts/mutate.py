#!/usr/bin/env python3
"""Puts plausible faults into the code one at a time and tells which ones the tests catch.

Each fault (a "mutant") of the list file replaces one exact snippet of one source file. For
every mutant the script writes the fault, rebuilds incrementally, runs the tests with ctest
under a time limit, and puts the file back. A mutant is caught when a test fails or times
out; a mutant that does not build is listed apart and not counted.

Usage:
  scripts/mutate.py [--build DIR] [--list FILE] [--only NAME ...] [--program PROG ...]
                    [--timeout S] [-j N] [--all-tests] [--skip-baseline] [--dry-run]

The build folder must already be configured (scripts/test.sh or the cmake line of the
README). It works from any worktree: the sources are the ones beside this script.

List file (scripts/mutants.txt): blocks of

  == name
  file: core/text/Cp932.h
  tests: core_tests cli_tests      (test programs to build and run; "all" or none: every one)
  what: the fault in a few words
  ---
  exact original snippet (one or more lines; must occur exactly once in the file)
  +++
  the snippet with the fault

Lines starting with '#' outside the snippets are comments.
"""

import argparse
import os
import re
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


@dataclass
class Mutant:
    name: str
    file: str = ""
    tests: list = field(default_factory=list)
    what: str = ""
    original: str = ""
    mutated: str = ""
    line: int = 0


def parse_list(path):
    mutants = []
    current = None
    mode = None  # None, "orig", "mut"
    buf = []

    def close_snippet():
        nonlocal buf
        text = "\n".join(buf)
        buf = []
        return text

    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for number, raw in enumerate(lines, 1):
        if raw.startswith("== "):
            if current is not None:
                current.mutated = close_snippet()
                mutants.append(current)
            current = Mutant(name=raw[3:].strip(), line=number)
            mode = None
            continue
        if current is None:
            continue
        if mode is None:
            if raw == "---":
                mode = "orig"
            elif raw.startswith("#") or not raw.strip():
                pass
            elif ":" in raw:
                key, value = raw.split(":", 1)
                key, value = key.strip(), value.strip()
                if key == "file":
                    current.file = value
                elif key == "tests":
                    current.tests = [] if value in ("", "all") else value.split()
                elif key == "what":
                    current.what = value
                else:
                    sys.exit(f"{path}:{number}: unknown key {key!r}")
            else:
                sys.exit(f"{path}:{number}: expected 'key: value' or '---'")
        elif mode == "orig":
            if raw == "+++":
                current.original = close_snippet()
                mode = "mut"
            else:
                buf.append(raw)
        else:
            buf.append(raw)
    if current is not None:
        current.mutated = close_snippet()
        mutants.append(current)
    for m in mutants:
        # Blank lines and comment lines ("# ...") between blocks belong to no snippet.
        lines = m.mutated.split("\n")
        while lines and (not lines[-1].strip() or lines[-1].startswith("# ")):
            lines.pop()
        m.mutated = "\n".join(lines)
        m.original = m.original.rstrip("\n")
        if not m.file or not m.original:
            sys.exit(f"{path}:{m.line}: mutant {m.name} needs a file and an original snippet")
    return mutants


def run(cmd, timeout=None, quiet=True):
    try:
        p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout, text=True,
                           errors="replace")
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired as e:
        out = e.stdout.decode(errors="replace") if isinstance(e.stdout, bytes) else (e.stdout or "")
        return None, out


def build(build_dir, targets, jobs):
    cmd = ["ninja", "-C", build_dir, f"-j{jobs}"] + targets
    return run(cmd)


def ctest(build_dir, programs, jobs, timeout):
    cmd = ["ctest", "--test-dir", build_dir, f"-j{jobs}", "--timeout", str(timeout), "--stop-on-failure",
           "--output-on-failure"]
    if programs:
        cmd += ["-L", "^(" + "|".join(re.escape(p) for p in programs) + ")$"]
    # The whole run may take a few times the time limit of one test.
    return run(cmd, timeout=timeout * 4 + 60)


def first_failure(output):
    for line in output.splitlines():
        m = re.search(r"\d+/\d+ Test\s+#\d+: (\S+) .*(\*\*\*Failed|\*\*\*Timeout|\*\*\*Exception|Failed|Timeout)", line)
        if m:
            return m.group(1)
    return ""


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--build", default=os.path.join(ROOT, "build"), help="configured build folder")
    ap.add_argument("--list", default=os.path.join(ROOT, "scripts", "mutants.txt"))
    ap.add_argument("--only", nargs="*", default=[], help="names (or name prefixes) of the mutants to run")
    ap.add_argument("--program", nargs="*", default=[], help="only the mutants that run one of these test programs")
    ap.add_argument("--timeout", type=int, default=120, help="time limit of one test, in seconds")
    ap.add_argument("-j", "--jobs", type=int, default=2)
    ap.add_argument("--all-tests", action="store_true", help="run every test for every mutant")
    ap.add_argument("--skip-baseline", action="store_true", help="do not run the tests on the unchanged sources first")
    ap.add_argument("--dry-run", action="store_true", help="only check that every snippet is found once")
    args = ap.parse_args()
    build_dir = os.path.abspath(args.build)

    mutants = parse_list(args.list)
    if args.only:
        mutants = [m for m in mutants if any(m.name == o or m.name.startswith(o) for o in args.only)]
    if args.program:
        mutants = [m for m in mutants if set(m.tests) & set(args.program)]
    # Faults in headers rebuild much more: they come last, so a short run sees the most faults.
    mutants.sort(key=lambda m: m.file.endswith(".h"))
    bad = []
    for m in mutants:
        path = os.path.join(ROOT, m.file)
        if not os.path.isfile(path):
            bad.append(f"{m.name}: no file {m.file}")
            continue
        with open(path, encoding="utf-8") as f:
            n = f.read().count(m.original)
        if n != 1:
            bad.append(f"{m.name}: the original snippet occurs {n} times in {m.file}")
    if bad:
        print("The list does not match the sources:\n  " + "\n  ".join(bad))
        return 2
    print(f"{len(mutants)} mutants, sources {ROOT}, build {build_dir}")
    if args.dry_run:
        return 0
    if not os.path.isfile(os.path.join(build_dir, "build.ninja")):
        print(f"{build_dir} is not a configured Ninja build folder")
        return 2
    # Only what the chosen mutants need is built.
    needed = [] if args.all_tests or any(not m.tests for m in mutants) else sorted({p for m in mutants for p in m.tests})
    code, out = build(build_dir, needed, args.jobs)
    if code != 0:
        print("The unchanged sources do not build:\n" + out[-3000:])
        return 2
    code, out = (0, "") if args.skip_baseline else ctest(build_dir, needed, args.jobs, args.timeout)
    if code != 0:
        print("The tests fail on the unchanged sources:\n" + out[-3000:])
        return 2

    # A signal must not leave a fault in the sources.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))

    results = []
    started = time.monotonic()
    for i, m in enumerate(mutants, 1):
        path = os.path.join(ROOT, m.file)
        with open(path, encoding="utf-8", newline="") as f:
            original = f.read()
        t0 = time.monotonic()
        programs = [] if args.all_tests else m.tests
        try:
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write(original.replace(m.original, m.mutated, 1))
            code, out = build(build_dir, programs, args.jobs)
            if code != 0:
                errors = [l for l in out.splitlines() if "error" in l]
                detail = errors[0] if errors else (out.strip().splitlines() or [""])[-1]
                verdict, detail = "NOBUILD", detail[:200]
            else:
                code, out = ctest(build_dir, programs, args.jobs, args.timeout)
                if code is None:
                    verdict, detail = "CAUGHT", "time limit"
                elif code != 0:
                    verdict, detail = "CAUGHT", first_failure(out)
                else:
                    verdict, detail = "MISSED", ""
        finally:
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write(original)
        seconds = time.monotonic() - t0
        results.append((m, verdict, detail))
        print(f"[{i:3}/{len(mutants)}] {verdict:7} {m.name:32} {seconds:5.0f}s  {m.what}"
              + (f"  [{detail}]" if detail else ""), flush=True)

    build(build_dir, needed, args.jobs)  # leaves the build matching the sources
    counted = [r for r in results if r[1] != "NOBUILD"]
    caught = sum(1 for r in counted if r[1] == "CAUGHT")
    print()
    print(f"caught {caught} of {len(counted)}" + (f" ({100.0 * caught / len(counted):.0f} %)" if counted else "")
          + f" in {time.monotonic() - started:.0f}s")
    for m, verdict, _ in results:
        if verdict != "CAUGHT":
            print(f"  {verdict}: {m.name} ({m.file}): {m.what}")
    return 0 if caught == len(counted) else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(130)
