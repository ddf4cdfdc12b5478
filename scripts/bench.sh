#!/bin/sh
# Prints the engine's benchmark lines; each subsystem adds its own block here.
engine="$1"
echo "== engine"
printf 'uci\nquit\n' | "$engine" | head -1
echo "== search"
printf 'uci\nbench\nquit\n' | "$engine" | grep '^bench:'
echo "== perft (start position, depth 6)"
for hash in 0 16; do
  printf 'uci\nperft depth 6 Hash %s\nquit\n' "$hash" | "$engine" | awk -v h="$hash" '
    /^info depth 6/ { t = $5; n = $7; if (t < 1) t = 1; printf "perft: hash %s MiB nodes %s time %s ms nps %.0f\n", h, n, t, n * 1000 / t }'
done
if [ -n "$2" ] && [ -x "$2" ]; then
  echo "== evaluation"
  "$2"
fi
if [ -n "$3" ] && [ -x "$3" ]; then
  echo "== bitbase blocks and cached probes"
  "$3"
fi
