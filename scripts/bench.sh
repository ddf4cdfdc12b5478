#!/bin/sh
# Prints the engine's benchmark lines: the engine's own (search, perft), then each
# subsystem's bench tool given after the engine, under the tool's name.
engine="$1"
shift
echo "== engine"
printf 'uci\nquit\n' | "$engine" | head -1
echo "== search"
printf 'uci\nbench\nquit\n' | "$engine" | grep '^bench:'
echo "== perft (start position, depth 6)"
for hash in 0 16; do
  printf 'uci\nperft depth 6 Hash %s\nquit\n' "$hash" | "$engine" | awk -v h="$hash" '
    /^info depth 6/ { t = $5; n = $7; if (t < 1) t = 1; printf "perft: hash %s MiB nodes %s time %s ms nps %.0f\n", h, n, t, n * 1000 / t }'
done
for tool in "$@"; do
  [ -x "$tool" ] || continue
  case "$(basename "$tool")" in
    eval_bench) echo "== evaluation" ;;
    bitbase_bench) echo "== bitbase blocks and cached probes" ;;
    book_bench) echo "== book (generated book of over 100000 entries: best load time, probes per second)" ;;
    *) echo "== $(basename "$tool")" ;;
  esac
  "$tool"
done
