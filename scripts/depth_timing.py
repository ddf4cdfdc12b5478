#!/usr/bin/env python3
"""Time to a fixed depth over the bench positions, through UCI, for one engine binary.

Usage: depth_timing.py ENGINE THREADS [DEPTH]

Plays the engine's own bench positions (read from src/search/bench.cpp) one after the
other: a new game, the position, "go depth DEPTH", until "bestmove". Prints one line:
"threads T depth D time MS nodes N" with the summed wall time of the searches and the
nodes of their last reports. Works with any build of the engine, old or new, because it
only needs the UCI commands.
"""
import os
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def bench_positions():
    with open(os.path.join(ROOT, "src", "search", "bench.cpp"), encoding="utf-8") as f:
        text = f.read()
    block = text[text.index("BenchPositions[] = {"):]
    block = block[: block.index("};")]
    return re.findall(r'"([^"]+)"', block)


class Engine:
    def __init__(self, path):
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     text=True, bufsize=1)

    def send(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def wait_for(self, prefix):
        """Returns the lines up to and including the first that starts with prefix."""
        lines = []
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise RuntimeError("engine closed its output before " + prefix)
            line = line.strip()
            lines.append(line)
            if line.startswith(prefix):
                return lines

    def close(self):
        self.send("quit")
        self.proc.wait(timeout=10)


def main():
    if len(sys.argv) < 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    engine_path, threads = sys.argv[1], int(sys.argv[2])
    depth = int(sys.argv[3]) if len(sys.argv) > 3 else 11
    engine = Engine(engine_path)
    engine.send("uci")
    engine.wait_for("uciok")
    for option, value in (("Hash", 16), ("NumberOfProcessors", threads), ("OwnBook", "false"),
                          ("Ponder", "false")):
        engine.send(f"setoption name {option} value {value}")
    total_ms = 0.0
    total_nodes = 0
    for fen in bench_positions():
        engine.send("ucinewgame")
        engine.send("position fen " + fen)
        engine.send("isready")
        engine.wait_for("readyok")
        start = time.monotonic()
        engine.send(f"go depth {depth}")
        lines = engine.wait_for("bestmove")
        total_ms += (time.monotonic() - start) * 1000.0
        nodes = [int(m.group(1)) for m in (re.search(r"\bnodes (\d+)", l) for l in lines) if m]
        total_nodes += nodes[-1] if nodes else 0
    engine.close()
    print(f"threads {threads} depth {depth} time {total_ms:.0f} nodes {total_nodes}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
