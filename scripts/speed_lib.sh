# Measuring helpers of scripts/bench.sh and scripts/speed_compare.sh (sourced).
# Times are wall milliseconds of whole engine runs; perft drops the start-up cost by
# subtracting a depth-1 run.

median() {
  sort -n | awk '{ v[NR] = $1 } END {
    if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

now_ms() { date +%s%3N; }

# wall_ms INPUT COMMAND...: milliseconds of COMMAND fed with INPUT (printf %b escapes).
wall_ms() {
  local input=$1 start end
  shift
  start=$(now_ms)
  printf '%b' "$input" | "$@" >/dev/null
  end=$(now_ms)
  echo $((end - start))
}

bench_nodes() { printf 'uci\nbench\nquit\n' | "$1" | awk '/^bench: nodes / { print $3 }'; }
bench_ms() { wall_ms 'uci\nbench\nquit\n' "$1"; }

perft_ms() {
  local six one
  six=$(wall_ms 'uci\nperft depth 6 Hash 0\nquit\n' "$1")
  one=$(wall_ms 'uci\nperft depth 1 Hash 0\nquit\n' "$1")
  echo $((six - one))
}

stockfish_perft_ms() {
  local six one
  six=$(wall_ms 'uci\nposition startpos\ngo perft 6\nquit\n' "$1")
  one=$(wall_ms 'uci\nposition startpos\ngo perft 1\nquit\n' "$1")
  echo $((six - one))
}

# parallel_ms ENGINE THREADS DEPTH: time to DEPTH over the bench positions.
parallel_ms() { python3 "$root/scripts/depth_timing.py" "$1" "$2" "$3" | awk '{ print $6 }'; }

# parallel_line LABEL "1-THREAD TIMES" "2-THREAD TIMES" "4-THREAD TIMES": medians and speed-ups.
parallel_line() {
  local m1 m2 m4
  m1=$(printf '%s\n' $2 | median)
  m2=$(printf '%s\n' $3 | median)
  m4=$(printf '%s\n' $4 | median)
  awk -v l="$1" -v a="$m1" -v b="$m2" -v c="$m4" 'BEGIN {
    printf "parallel: %s1 thread %d ms, 2 threads %d ms, 4 threads %d ms; speed-up 2/1 %.2f (target 1.7), 4/2 %.2f (target 1)\n", l, a, b, c, a / b, b / c }'
}
