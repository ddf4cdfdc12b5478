#!/bin/bash
# Speed of two engine binaries side by side, measured in one run with the runs of the
# two alternating, so that a busy machine slows both alike; medians are printed.
#   scripts/speed_compare.sh OLD NEW
# 1. bench (same node count expected): wall milliseconds, and NEW's time as a share of OLD's;
# 2. perft 6 of the start position without the perft table, with Stockfish's
#    "go perft 6" as the reference (installed from Debian when missing and allowed);
# 3. time to a fixed depth over the bench positions with 1, 2 and 4 threads
#    (scripts/depth_timing.py) and the speed-ups against one thread.
# RUNS (default 5) sets the runs per figure, PARALLEL_RUNS (default 3) and DEPTH
# (default 11) those of part 3; PARALLEL=0 leaves part 3 out.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 2 ] || { sed -n '3p' "$0" | sed 's/^# *//' >&2; exit 2; }
old=$1
new=$2
for b in "$old" "$new"; do
  [ -x "$b" ] || { echo "speed_compare: $b is not an executable engine" >&2; exit 2; }
done
runs=${RUNS:-5}
parallel_runs=${PARALLEL_RUNS:-3}
depth=${DEPTH:-11}

. "$root/scripts/speed_lib.sh"
stockfish=$(bash "$root/scripts/find_stockfish.sh")

echo "== bench: old $(bench_nodes "$old") nodes, new $(bench_nodes "$new") nodes"
old_bench=() new_bench=()
for ((i = 0; i < runs; i++)); do
  old_bench+=("$(bench_ms "$old")")
  new_bench+=("$(bench_ms "$new")")
done
ob=$(printf '%s\n' "${old_bench[@]}" | median)
nb=$(printf '%s\n' "${new_bench[@]}" | median)
echo "bench: old ${old_bench[*]} ms"
echo "bench: new ${new_bench[*]} ms"
awk -v o="$ob" -v n="$nb" 'BEGIN { printf "bench: median old %d ms, new %d ms, new/old %.3f (target at most 0.667)\n", o, n, n / o }'

echo "== perft 6 of the start position, no table (milliseconds)"
old_perft=() new_perft=() sf_perft=()
for ((i = 0; i < runs; i++)); do
  old_perft+=("$(perft_ms "$old")")
  new_perft+=("$(perft_ms "$new")")
  [ -n "$stockfish" ] && sf_perft+=("$(stockfish_perft_ms "$stockfish")")
done
op=$(printf '%s\n' "${old_perft[@]}" | median)
np=$(printf '%s\n' "${new_perft[@]}" | median)
echo "perft: old ${old_perft[*]}"
echo "perft: new ${new_perft[*]}"
if [ -n "$stockfish" ]; then
  sp=$(printf '%s\n' "${sf_perft[@]}" | median)
  echo "perft: stockfish ${sf_perft[*]}"
  awk -v o="$op" -v n="$np" -v s="$sp" 'BEGIN { printf "perft: median old %d, new %d, stockfish %d; new/stockfish %.3f (target at most 1)\n", o, n, s, n / s }'
else
  awk -v o="$op" -v n="$np" 'BEGIN { printf "perft: median old %d, new %d (no stockfish for the reference)\n", o, n }'
fi

[ "${PARALLEL:-1}" = 0 ] && exit 0
echo "== time to depth $depth over the bench positions (milliseconds)"
declare -A par
for ((i = 0; i < parallel_runs; i++)); do
  for threads in 1 2 4; do
    for side in old new; do
      bin=$old
      [ $side = new ] && bin=$new
      par[$side,$threads]="${par[$side,$threads]:-} $(parallel_ms "$bin" "$threads" "$depth")"
    done
  done
done
for side in old new; do parallel_line "$side " "${par[$side,1]}" "${par[$side,2]}" "${par[$side,4]}"; done
