#!/usr/bin/env python3
"""Times the job "replace ABC by 123 in every *.txt name" done by kavo and
by its peers, on fixtures it generates under $TMPDIR (or /tmp).

Every run works on a fresh copy of its fixture; the peers take turns within
each round. After every run the tree is checked: no file lost, no name that
still holds ABC. Prints a Markdown table: median and minimum seconds, the
ratio to the floor, system calls per entry (strace on 10,000 files),
user-space instructions per entry (valgrind's callgrind on the same 10,000
files, start-up included) and the peak resident memory.

Usage: bench/run_bench.py [--runs N] [--with-1m]
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def sh(*args, **kw):
    return subprocess.run(args, check=True, **kw)


def ensure_tools():
    wanted = {"strace": "strace", "valgrind": "valgrind",
              "rename.ul": "util-linux",
              "file-rename": "rename", "cc": "gcc"}
    missing = [pkg for tool, pkg in wanted.items() if not shutil.which(tool)]
    if missing:
        if os.geteuid() != 0:
            sys.exit("missing: %s (install them)" % " ".join(missing))
        sh("apt-get", "update", stdout=subprocess.DEVNULL)
        sh("apt-get", "install", "-y", *missing, stdout=subprocess.DEVNULL)


def build(work):
    sh("cmake", "--preset", "release", cwd=ROOT, stdout=subprocess.DEVNULL)
    sh("cmake", "--build", "--preset", "release", "--target", "kavo",
       cwd=ROOT, stdout=subprocess.DEVNULL)
    tools = {}
    for name in ("floor", "timeit"):
        out = os.path.join(work, name)
        sh("cc", "-O2", "-o", out, os.path.join(HERE, name + ".c"))
        tools[name] = out
    tools["kavo"] = os.path.join(ROOT, "build-release", "kavo")
    return tools


def make_fixture(path, dirs, files_per_dir):
    """dirs == 0: files directly in path; else `dirs` subdirectories."""
    os.makedirs(path)
    number = 0
    targets = [path] if dirs == 0 else [
        os.path.join(path, "d%04d" % d) for d in range(dirs)]
    for directory in targets:
        os.makedirs(directory, exist_ok=True)
        for _ in range(files_per_dir):
            name = os.path.join(directory, "f%07d.ABC.txt" % number)
            os.close(os.open(name, os.O_CREAT | os.O_WRONLY, 0o644))
            number += 1
    return number


def peers(tools, tree):
    kavo = [tools["kavo"], "ABC", "123", "*.txt"] + (["/d"] if tree else [])
    depth = [] if tree else ["-maxdepth", "1"]
    find = "find . %s -name '*.txt' -print0 | xargs -0 " % " ".join(depth)
    return [
        ("floor", {}, [tools["floor"]] + (["-r"] if tree else []) +
         ["ABC", "123", "."]),
        ("kavo CP932", {"KAVO_ENCODING": "CP932"}, kavo),
        ("kavo UTF-8", {"LANG": "C.UTF-8"}, kavo),
        ("kavo /ls0-", {"KAVO_ENCODING": "CP932"}, kavo + ["/ls0-"]),
        ("util-linux rename", {}, ["sh", "-c", find + "rename.ul ABC 123"]),
        ("perl rename", {}, ["sh", "-c", find + "file-rename s/ABC/123/"]),
    ]


def environment(extra):
    env = {k: v for k, v in os.environ.items()
           if k not in ("KAVO_ENCODING", "LANG", "LC_ALL", "LC_CTYPE")}
    env.update(extra)
    return env


def check(tree_dir, expected):
    count = 0
    for _, _, files in os.walk(tree_dir):
        for name in files:
            count += 1
            if "ABC" in name:
                sys.exit("not renamed: %s" % name)
    if count != expected:
        sys.exit("%d files instead of %d in %s" % (count, expected, tree_dir))


def timed_run(tools, fixture, expected, env, command, work):
    run_dir = os.path.join(work, "run")
    shutil.rmtree(run_dir, ignore_errors=True)
    sh("cp", "-a", fixture, run_dir)
    out = subprocess.run([tools["timeit"], run_dir] + command,
                         env=environment(env), check=True,
                         capture_output=True, text=True).stdout.split()
    check(run_dir, expected)
    return float(out[0]), int(out[1])


def syscalls_per_entry(tools, fixture, expected, env, command, work):
    run_dir = os.path.join(work, "run")
    shutil.rmtree(run_dir, ignore_errors=True)
    sh("cp", "-a", fixture, run_dir)
    log = os.path.join(work, "strace.txt")
    subprocess.run(["strace", "-f", "-c", "-o", log] + command, cwd=run_dir,
                   env=environment(env), check=True,
                   stdout=subprocess.DEVNULL)
    check(run_dir, expected)
    with open(log) as f:
        total = [line for line in f if line.rstrip().endswith("total")][-1]
    return int(total.split()[3]) / expected


def instructions_per_entry(fixture, expected, env, command, work):
    """User-space instructions per entry (callgrind), start-up included;
    None for a peer that runs through a shell pipeline."""
    if command[0] == "sh":
        return None
    run_dir = os.path.join(work, "run")
    shutil.rmtree(run_dir, ignore_errors=True)
    sh("cp", "-a", fixture, run_dir)
    out = os.path.join(work, "callgrind.out")
    subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" +
                    out] + command, cwd=run_dir, env=environment(env),
                   check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    check(run_dir, expected)
    with open(out) as f:
        total = [line for line in f if line.startswith(("summary:", "totals:"))]
    return int(total[0].split()[1]) / expected


def measure(tools, name, fixture, expected, tree, runs, work):
    times = {p[0]: [] for p in peers(tools, tree)}
    rss = {p[0]: [] for p in peers(tools, tree)}
    for _ in range(runs):
        for label, env, command in peers(tools, tree):
            seconds, kib = timed_run(tools, fixture, expected, env, command,
                                     work)
            times[label].append(seconds)
            rss[label].append(kib)
    return times, rss


def table(title, times, rss, calls, instructions):
    floor = statistics.median(times["floor"])
    print("\n### %s\n" % title)
    print("| program | median s | min s | × floor | syscalls/entry "
          "| instructions/entry | peak RSS MiB |")
    print("| --- | --- | --- | --- | --- | --- | --- |")
    for label, values in times.items():
        median = statistics.median(values)
        count = instructions[label]
        print("| %s | %.3f | %.3f | %.2f | %.2f | %s | %.1f |" % (
            label, median, min(values), median / floor, calls[label],
            "—" if count is None else "{:,.0f}".format(count),
            max(rss[label]) / 1024))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--with-1m", action="store_true")
    args = parser.parse_args()
    ensure_tools()
    work = tempfile.mkdtemp(prefix="kavo-bench-",
                            dir=os.environ.get("TMPDIR", "/tmp"))
    # kavo's run journals go with the fixtures, not into the user's home.
    os.environ["XDG_STATE_HOME"] = os.path.join(work, "state")
    try:
        tools = build(work)
        fixtures = os.path.join(work, "fixtures")
        sizes = {
            "flat10k": make_fixture(os.path.join(fixtures, "flat10k"), 0,
                                    10000),
            "tree10k": make_fixture(os.path.join(fixtures, "tree10k"), 100,
                                    100),
            "flat100k": make_fixture(os.path.join(fixtures, "flat100k"), 0,
                                     100000),
            "tree100k": make_fixture(os.path.join(fixtures, "tree100k"), 1000,
                                     100),
        }
        print("Job: replace ABC by 123 in every *.txt name; %d runs each, "
              "round-robin, fresh copy per run." % args.runs)
        for name, tree in (("flat100k", False), ("tree100k", True)):
            small = "tree10k" if tree else "flat10k"
            calls = {label: syscalls_per_entry(
                tools, os.path.join(fixtures, small), sizes[small], env,
                command, work) for label, env, command in peers(tools, tree)}
            instructions = {label: instructions_per_entry(
                os.path.join(fixtures, small), sizes[small], env, command,
                work) for label, env, command in peers(tools, tree)}
            times, rss = measure(tools, name, os.path.join(fixtures, name),
                                 sizes[name], tree, args.runs, work)
            table(name, times, rss, calls, instructions)
        if args.with_1m:
            scale(tools, fixtures, sizes, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def scale(tools, fixtures, sizes, work):
    """kavo and the floor from 100,000 to 1,000,000 files in one directory."""
    path = os.path.join(fixtures, "flat1m")
    count = make_fixture(path, 0, 1000000)
    print("\n### flat100k → flat1m (3 runs each)\n")
    print("| program | median s 100k | median s 1m | ratio | peak RSS MiB 1m "
          "| bytes/entry 1m | bytes/added entry |")
    print("| --- | --- | --- | --- | --- | --- | --- |")
    for label, env, command in peers(tools, False)[:2]:
        small = [timed_run(tools, os.path.join(fixtures, "flat100k"),
                           sizes["flat100k"], env, command, work)
                 for _ in range(3)]
        large = [timed_run(tools, path, count, env, command, work)
                 for _ in range(3)]
        t_small = statistics.median(s for s, _ in small)
        t_large = statistics.median(s for s, _ in large)
        peak = max(k for _, k in large)
        # The growth from 100k to 1m entries, without the start-up share.
        added = (peak - max(k for _, k in small)) * 1024 / (
            count - sizes["flat100k"])
        print("| %s | %.3f | %.3f | %.1f | %.1f | %.0f | %.0f |" % (
            label, t_small, t_large, t_large / t_small, peak / 1024,
            peak * 1024 / count, added))


if __name__ == "__main__":
    main()
