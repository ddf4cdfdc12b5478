#!/bin/bash
# Runs `bench` with two builds of the engine and fails unless both print the same
# node count: undefined behaviour and uninitialised reads show up as a difference.
set -euo pipefail
nodes() {
  printf 'uci\nbench\nquit\n' | "$1" | awk '/^bench: nodes / { print $3 }'
}
a=$(nodes "$1")
b=$(nodes "$2")
if [ -z "$a" ] || [ "$a" != "$b" ]; then
  echo "bench_compare: node counts differ: $1 '${a}' vs $2 '${b}'" >&2
  exit 1
fi
echo "bench_compare: both builds search $a nodes"
