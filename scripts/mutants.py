#!/usr/bin/env python3
"""Do the tests notice small faults put into the code?

Copies the work tree to a scratch folder, builds it once, then for each of N
sampled mutants (a flipped comparison, a swapped operator, a constant off by
one, a dropped call) rebuilds incrementally and runs ctest. A mutant no test
fails is a fault the tests would let through.

  scripts/mutants.py [--count 40] [--seed 1] [--files 'src/**/*.cpp,plumo/src/*.cpp']
                     [--ctest '-j2 --timeout 120'] [--keep DIR] [--list]

Run from the project root. Prints one line per mutant and a summary line
"mutants: K killed, S survived, U did not build (score K/(K+S))".

Files under a windows/ or web/ folder are left out of the sample: the Linux
build never compiles them, so their mutants would count as built and never
be tested. Judging one takes a cross build and the Wine or browser suites,
minutes a mutant; those suites run in scripts/test.sh instead.
"""
import argparse
import glob
import os
import random
import re
import shutil
import subprocess
import sys
import time

# (pattern, replacement): one mutation wherever the pattern matches.
OPERATORS = [
    (r"(?<=[\w)\]] )<=(?= )", "<"),
    (r"(?<=[\w)\]] )>=(?= )", ">"),
    (r"(?<=[\w)\]] )<(?= [\w(-])", "<="),
    (r"(?<=[\w)\]] )>(?= [\w(-])", ">="),
    (r" == ", " != "),
    (r" != ", " == "),
    (r" && ", " || "),
    (r" \|\| ", " && "),
    (r"(?<=[\w)\]] )\+(?= [\w(])", "-"),
    (r"(?<=[\w)\]] )-(?= [\w(])", "+"),
    (r"(?<=[\w)\]] )\*(?= [\w(])", "/"),
    (r"\+\+", "--"),
    (r"\btrue\b", "false"),
    (r"\bfalse\b", "true"),
]
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
CALL = re.compile(r"^\s+[\w:.>\-\[\]]+\(.*\);\s*$")
# Lines no mutant is made on: comments, preprocessor, compile-time checks, labels, exits.
UNTOUCHED = re.compile(r"^\s*(//|\*|/\*|#|static_assert|constexpr|case |return |throw )")
LITERAL = re.compile(r'"(\\.|[^"\\])*"|\'(\\.|[^\'\\])*\'')
PLATFORM_ONLY = re.compile(r"(^|/)(windows|web)/")
DROPPED = "{}  // dropped"


def blank_literals(line):
    """The line with its string and character literals and comment blanked, columns kept."""
    code = LITERAL.sub(lambda m: m.group(0)[0] + " " * (len(m.group(0)) - 2) + m.group(0)[-1], line)
    cut = code.find("//")
    return code if cut < 0 else code[:cut]


def sites(path):
    """Every mutation in the file as (path, line index, start, end, replacement)."""
    with open(path, encoding="utf-8") as f:
        lines = f.readlines()
    out = []
    depth = 0
    for i, line in enumerate(lines):
        code = blank_literals(line)
        # Only inside a body: declarations at file and namespace level stay as they are.
        if depth > 0 and not UNTOUCHED.match(line):
            for pattern, replacement in OPERATORS:
                out += [(path, i, m.start(), m.end(), replacement) for m in re.finditer(pattern, code)]
            for m in NUMBER.finditer(code):
                if "[" not in code[: m.start()][-3:]:
                    out.append((path, i, m.start(), m.end(), str(int(m.group(1)) + 1)))
            if CALL.match(code) and "=" not in code:
                out.append((path, i, 0, len(line.rstrip("\n")), DROPPED))
        depth += code.count("{") - code.count("}")
    return out


def mutated(line, start, end, replacement):
    if replacement == DROPPED:
        return re.match(r"\s*", line).group(0) + DROPPED + "\n"
    return line[:start] + replacement + line[end:]


def run(command, cwd, timeout=None):
    return subprocess.run(command, cwd=cwd, shell=True, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, timeout=timeout)


def failed_tests(output):
    """The names ctest lists as failed."""
    tail = output.split("The following tests FAILED:", 1)
    return re.findall(r"^\s*\d+ - (\S+)", tail[1], re.M) if len(tail) > 1 else []


def judge(work, path, index, start, end, replacement, ctest):
    """('killed', 'SURVIVED' or 'did not build', the tests that failed); the file
    is as it was afterwards."""
    target = os.path.join(work, path)
    with open(target, encoding="utf-8") as f:
        lines = f.readlines()
    original = lines[index]
    try:
        lines[index] = mutated(original, start, end, replacement)
        with open(target, "w", encoding="utf-8") as f:
            f.writelines(lines)
        if run("cmake --build build-mutants -j2", work).returncode:
            return "did not build", []
        try:
            r = run("ctest --test-dir build-mutants " + ctest, work, timeout=900)
        except subprocess.TimeoutExpired:
            return "killed", ["(timed out)"]
        return ("SURVIVED", []) if r.returncode == 0 else ("killed", failed_tests(r.stdout))
    finally:
        lines[index] = original
        with open(target, "w", encoding="utf-8") as f:
            f.writelines(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--count", type=int, default=40)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--files", default="src/**/*.cpp,plumo/src/*.cpp")
    parser.add_argument("--ctest", default="-j2 --timeout 120")
    parser.add_argument("--keep", default="", help="scratch folder to make or reuse")
    parser.add_argument("--list", action="store_true", help="list the sample without running it")
    args = parser.parse_args()

    root = os.getcwd()
    found = {f for pattern in args.files.split(",") for f in glob.glob(pattern, recursive=True)}
    files = sorted(f for f in found if not PLATFORM_ONLY.search(f))
    every = [site for f in files for site in sites(f)]
    picks = random.Random(args.seed).sample(every, min(args.count, len(every)))
    print("%d mutation sites in %d files (%d windows/ or web/ files left out); trying %d"
          % (len(every), len(files), len(found) - len(files), len(picks)), flush=True)
    if args.list:
        for path, index, _, _, replacement in picks:
            print("%s:%d %s" % (path, index + 1, replacement))
        return 0

    work = args.keep or os.path.join(os.environ.get("TMPDIR", "/tmp"), "mutants-%d" % os.getpid())
    if not args.keep or not os.path.isdir(work):
        shutil.copytree(root, work, ignore=shutil.ignore_patterns("build*", ".git"),
                        dirs_exist_ok=True)
    r = run("cmake -B build-mutants -DCMAKE_BUILD_TYPE=Release >/dev/null && "
            "cmake --build build-mutants -j2", work)
    if r.returncode:
        print("mutants: the unmutated tree does not build:\n" + r.stdout[-3000:])
        return 2
    r = run("ctest --test-dir build-mutants " + args.ctest, work)
    if r.returncode:
        print("mutants: tests fail before any mutant:\n" + r.stdout[-3000:])
        return 2

    verdicts = {"killed": 0, "SURVIVED": 0, "did not build": 0}
    for path, index, start, end, replacement in picks:
        began = time.time()
        verdict, failed = judge(work, path, index, start, end, replacement, args.ctest)
        verdicts[verdict] += 1
        with open(os.path.join(work, path), encoding="utf-8") as f:
            original = f.readlines()[index]
        after = mutated(original, start, end, replacement)
        print("%-13s %s:%d  %s  ->  %s  (%.0fs)" % (
            verdict, path, index + 1, original.strip()[:70],
            "(call dropped)" if replacement == DROPPED else after.strip()[:70],
            time.time() - began), flush=True)
        if failed:
            # Which tests notice it: a test that never alone notices one is a
            # candidate to fold into another.
            print("              by %d: %s" % (len(failed), " ".join(failed[:8])), flush=True)
    run("cmake --build build-mutants -j2", work)
    killed, survived = verdicts["killed"], verdicts["SURVIVED"]
    tried = killed + survived
    print("mutants: %d killed, %d survived, %d did not build (score %s)" % (
        killed, survived, verdicts["did not build"],
        "%d%%" % (100 * killed // tried) if tried else "n/a"))
    if not args.keep:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
