#!/usr/bin/env python3
"""Evaluates the time network outside the engine, from its text, for checks and time logs.

    scripts/time_net.py eval "1 0 0 ..."          # the output for one line of 16 inputs
    scripts/time_net.py log FILE [FILE ...]       # how often the network's factor sat at 0.02

The network text is the one embedded in src/net/time_network.cpp (or --net FILE, a text the
"time write" command produced). The forward pass is written here from the format alone: tanh
hidden layers, a linear output, the bias node's value 1. Lines of a time log are the 16
inputs, the factor used and a flag; a line whose factor is the network's (floored at 0.02)
counts as a network decision, one with the fixed 0.08 or 0.15 as a fixed factor.
"""
import argparse
import math
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
FLOOR = 0.02
FIXED_FACTORS = (0.08, 0.15)
OPENING_BONUS = 0.07


def embedded_text():
    source = (ROOT / "src/net/time_network.cpp").read_text()
    body = re.search(r"EmbeddedText\[\]\s*=(.*?);", source, re.S).group(1)
    return "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', body)).replace("\\n", "\n")


class Network:
    def __init__(self, text):
        tokens = text.split()
        count = int(tokens[0])
        ints = [int(t) for t in tokens[1:1 + count]]
        layers = ints[0]
        sizes = dict(zip(ints[1:1 + 2 * layers:2], ints[2:2 + 2 * layers:2]))
        quads = ints[1 + 2 * layers:]
        assert len(quads) % 4 == 0
        self.sizes = [sizes[i] for i in range(layers)]
        # Outgoing connections per source node, in the order the text lists them.
        out = {}
        for k in range(0, len(quads), 4):
            fl, fn, tl, tn = quads[k:k + 4]
            out.setdefault((fl, fn), []).append((min(tl, layers - 1), tn))
        bias = (0, self.sizes[0])
        out[bias] = [(l, n) for l in range(1, layers) for n in range(self.sizes[l])]
        weights = [float(t) for t in tokens[1 + count:]]
        self.edges = []  # (from, to, weight) in text order
        position = 0
        sources = [(0, i) for i in range(self.sizes[0] + 1)]
        sources += [(l, n) for l in range(1, layers - 1) for n in range(self.sizes[l])]
        for src in sources:
            for dst in out.get(src, []):
                self.edges.append((src, dst, weights[position]))
                position += 1
        self.layers = layers

    def __call__(self, inputs):
        assert len(inputs) == self.sizes[0]
        value = {(0, i): x for i, x in enumerate(inputs)}
        value[(0, self.sizes[0])] = 1.0
        for layer in range(1, self.layers):
            for n in range(self.sizes[layer]):
                s = sum(w * value[a] for a, b, w in self.edges if b == (layer, n))
                value[(layer, n)] = s if layer == self.layers - 1 else math.tanh(s)
        return value[(self.layers - 1, 0)]


def classify(net, fields):
    """(output, kind) for a log line: kind is 'floor', 'network' or 'fixed'."""
    inputs, factor = fields[:16], fields[16]
    out = net(inputs)
    for bonus in (0.0, OPENING_BONUS):
        used = max(out + bonus, FLOOR)
        if abs(used - factor) <= 5e-6 * max(1.0, abs(used)):
            return out, "floor" if used == FLOOR else "network"
    if any(abs(factor - f) < 1e-9 for f in FIXED_FACTORS):
        return out, "fixed"
    return out, "unexplained"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--net", help="network text file (default: the embedded network)")
    sub = parser.add_subparsers(dest="command", required=True)
    ev = sub.add_parser("eval")
    ev.add_argument("line", nargs="+", help="16 inputs in one argument or as 16 arguments")
    lg = sub.add_parser("log")
    lg.add_argument("files", nargs="+")
    args = parser.parse_args()

    net = Network(pathlib.Path(args.net).read_text() if args.net else embedded_text())
    if args.command == "eval":
        inputs = [float(t) for t in " ".join(args.line).split()]
        print(f"{net(inputs[:16]):.15g}")
        return 0
    counts = {"floor": 0, "network": 0, "fixed": 0, "unexplained": 0}
    for name in args.files:
        for line in pathlib.Path(name).read_text().splitlines():
            fields = [float(t) for t in line.split()]
            if len(fields) < 17:
                continue
            out, kind = classify(net, fields)
            counts[kind] += 1
            if kind == "unexplained":
                print(f"unexplained line (output {out:.6g}): {line}", file=sys.stderr)
    decisions = counts["floor"] + counts["network"]
    share = 100.0 * counts["floor"] / decisions if decisions else 0.0
    print(f"network decisions {decisions}, at the 0.02 floor {counts['floor']} ({share:.1f} %), "
          f"fixed factors {counts['fixed']}, unexplained {counts['unexplained']}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
