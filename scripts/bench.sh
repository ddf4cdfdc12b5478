#!/bin/bash
# Prints the engine's benchmark lines: the engine's own (search, perft, parallel search),
# then each subsystem's bench tool given after the engine, under the tool's name.
#   scripts/bench.sh ENGINE [TOOLS...]
# The timed figures are medians of RUNS runs (default 3); PARALLEL=0 leaves the
# parallel figures out, DEPTH (default 11) sets their depth.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/speed_lib.sh"
engine="$1"
shift
runs=${RUNS:-3}
depth=${DEPTH:-11}

echo "== engine"
# sed reads to the end: with head the engine may die of a broken pipe, which pipefail ends the script on.
printf 'uci\nquit\n' | "$engine" | sed -n 1p
echo "== search"
printf 'uci\nbench\nquit\n' | "$engine" | grep '^bench:'
times=()
for ((i = 0; i < runs; i++)); do times+=("$(bench_ms "$engine")"); done
echo "bench: wall ms ${times[*]}, median $(printf '%s\n' "${times[@]}" | median)"

echo "== perft (start position, depth 6)"
for hash in 0 16; do
  printf 'uci\nperft depth 6 Hash %s\nquit\n' "$hash" | "$engine" | awk -v h="$hash" '
    /^info depth 6/ { t = $5; n = $7; if (t < 1) t = 1; printf "perft: hash %s MiB nodes %s time %s ms nps %.0f\n", h, n, t, n * 1000 / t }'
done
stockfish=$(bash "$root/scripts/find_stockfish.sh")
own=() ref=()
for ((i = 0; i < runs; i++)); do
  own+=("$(perft_ms "$engine")")
  [ -n "$stockfish" ] && ref+=("$(stockfish_perft_ms "$stockfish")")
done
if [ -n "$stockfish" ]; then
  o=$(printf '%s\n' "${own[@]}" | median)
  s=$(printf '%s\n' "${ref[@]}" | median)
  awk -v o="$o" -v s="$s" 'BEGIN { printf "perft: no table median %d ms, stockfish go perft 6 median %d ms, ratio %.3f\n", o, s, o / s }'
else
  echo "perft: no table median $(printf '%s\n' "${own[@]}" | median) ms (no stockfish for the reference)"
fi

if [ "${PARALLEL:-1}" != 0 ]; then
  echo "== parallel search (time to depth $depth over the bench positions)"
  declare -A par
  for ((i = 0; i < runs; i++)); do
    for threads in 1 2 4; do par[$threads]="${par[$threads]:-} $(parallel_ms "$engine" "$threads" "$depth")"; done
  done
  parallel_line "" "${par[1]}" "${par[2]}" "${par[4]}"
fi

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
