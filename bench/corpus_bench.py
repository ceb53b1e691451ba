#!/usr/bin/env python3
"""Extraction speed on the bench corpus (bench/make_corpus.py) against the
standard tools: `valbrix-cli extract`, `unzip`, `bsdtar` and `7zz`, each into
a fresh folder on the RAM disk beside the corpus.

A shared machine drifts in speed, so each round runs every tool once, in an
order that rotates from round to round, and divides each tool's wall time by
unzip's of the same round; the median of these paired ratios is the figure
(below 1.0 = faster than unzip), with its spread. Medians of wall and CPU
time (user + system, the children's own accounting) are printed beside it,
and the median paired ratio of CPU time, which a busy machine disturbs less. The first round also
compares our output tree with unzip's, file by file, so a fast wrong result
cannot pass.

Usage: corpus_bench.py [--rounds N] [--corpus FOLDER] [--only NAME[,NAME]] [--tools T[,T]]
Tools: valbrix (default worker count), valbrix-j1, valbrix-j2, unzip, bsdtar, 7zz.
Environment: VALBRIX_CLI (default build/cli/valbrix-cli).
Tools that are not installed are left out (bsdtar comes with libarchive-tools).
"""
import argparse
import filecmp
import os
import resource
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CORPUS = ["text-deflate", "text-stored", "random-deflate", "small", "tiny", "text-one"]


def commands(cli):
    return {
        "valbrix": lambda archive, out: [cli, "extract", "-d", out, archive],
        # Fixed worker counts, to set the pool against the serial path in one run.
        "valbrix-j1": lambda archive, out: [cli, "extract", "-j", "1", "-d", out, archive],
        "valbrix-j2": lambda archive, out: [cli, "extract", "-j", "2", "-d", out, archive],
        "unzip": lambda archive, out: ["unzip", "-qq", archive, "-d", out],
        "bsdtar": lambda archive, out: ["bsdtar", "-xf", archive, "-C", out],
        "7zz": lambda archive, out: ["7zz", "x", "-y", "-bso0", "-bsp0", "-o" + out, archive],
    }


def timed(argv):
    """Wall and CPU seconds of one run; a failing tool stops the benchmark."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    result = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if result.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (result.returncode, " ".join(argv), result.stderr.decode(errors="replace")))
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def same_tree(left, right):
    """True when both folders hold the same files with the same bytes."""
    comparison = filecmp.dircmp(left, right)
    if comparison.left_only or comparison.right_only or comparison.funny_files:
        return False
    _, mismatch, errors = filecmp.cmpfiles(left, right, comparison.common_files, shallow=False)
    if mismatch or errors:
        return False
    return all(same_tree(os.path.join(left, d), os.path.join(right, d)) for d in comparison.common_dirs)


def bench(name, archive, tools, rounds, scratch):
    wall = {tool: [] for tool in tools}
    cpu = {tool: [] for tool in tools}
    ratio = {tool: [] for tool in tools}
    cpu_ratio = {tool: [] for tool in tools}
    for r in range(rounds):
        names = list(tools)
        order = names[r % len(names):] + names[:r % len(names)]
        this_round = {}
        this_cpu = {}
        for tool in order:
            out = os.path.join(scratch, tool)
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            w, c = timed(tools[tool](archive, out))
            this_round[tool] = w
            this_cpu[tool] = c
            cpu[tool].append(c)
            wall[tool].append(w)
        for ours in [t for t in tools if t.startswith("valbrix")] if r == 0 and "unzip" in tools else []:
            if not same_tree(os.path.join(scratch, ours), os.path.join(scratch, "unzip")):
                sys.exit("%s: %s's output differs from unzip's" % (name, ours))
        for tool in tools:
            ratio[tool].append(this_round[tool] / this_round["unzip"])
            cpu_ratio[tool].append(this_cpu[tool] / max(this_cpu["unzip"], 1e-6))
    shutil.rmtree(scratch, ignore_errors=True)
    print("\n%s (%.1f MB, %d rounds)" % (name, os.path.getsize(archive) / 1e6, rounds))
    print("  %-10s %8s %8s %8s %6s %6s %8s" % ("tool", "wall s", "cpu s", "/unzip", "min", "max", "cpu/unz"))
    for tool in tools:
        print("  %-10s %8.3f %8.3f %8.2f %6.2f %6.2f %8.2f" % (
            tool, statistics.median(wall[tool]), statistics.median(cpu[tool]), statistics.median(ratio[tool]),
            min(ratio[tool]), max(ratio[tool]), statistics.median(cpu_ratio[tool])))
    sys.stdout.flush()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--corpus", default="/dev/shm/valbrix-corpus")
    parser.add_argument("--only", default=",".join(CORPUS))
    parser.add_argument("--tools", default="valbrix,unzip,bsdtar,7zz")
    args = parser.parse_args()

    cli = os.path.abspath(os.environ.get("VALBRIX_CLI", os.path.join(ROOT, "build", "cli", "valbrix-cli")))
    if not os.access(cli, os.X_OK):
        sys.exit("valbrix-cli not found at %s (set VALBRIX_CLI)" % cli)
    subprocess.run([sys.executable, os.path.join(HERE, "make_corpus.py"), args.corpus], check=True,
                   stdout=subprocess.DEVNULL)
    available = commands(cli)
    tools = {}
    for tool in ["unzip"] + [t for t in args.tools.split(",") if t != "unzip"]:
        if tool.startswith("valbrix") or shutil.which(available[tool]("a", "o")[0]):
            tools[tool] = available[tool]
        else:
            print("(%s not installed, left out)" % tool)
    scratch = os.path.join(args.corpus, "out")
    for name in args.only.split(","):
        bench(name, os.path.join(args.corpus, name + ".zip"), tools, args.rounds, scratch)


if __name__ == "__main__":
    main()
