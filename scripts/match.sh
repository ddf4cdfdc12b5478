#!/bin/bash
# Strength testing: builds the engine and the match manager in build/ when needed and
# plays Tolvaren against a usual opponent with the usual settings.
#   scripts/match.sh toga [games] [tc] [manager switches...]
#   scripts/match.sh stockfish2400 [games] [tc] [manager switches...]
#   scripts/match.sh self OTHER_BINARY [games] [tc] [manager switches...]
# games defaults to 100, tc to 10+0.1 (also 40/20 or st=0.2). Switches after these
# pass to tolvaren-match (for example --sprt elo0=0 elo1=10 or --concurrency 1).
# OPENINGS names the opening file; PGNOUT the game file (default build/matches/).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}  # BUILD_DIR: another build directory

usage() {
  sed -n '3,9p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

[ $# -ge 1 ] || usage
mode=$1
shift
other=""
if [ "$mode" = self ]; then
  [ $# -ge 1 ] || usage
  other=$1
  shift
  [ -x "$other" ] || { echo "match.sh: $other is not an executable engine" >&2; exit 2; }
fi
games=100
tc=10+0.1
if [ $# -ge 1 ] && [[ $1 != --* ]]; then games=$1; shift; fi
if [ $# -ge 1 ] && [[ $1 != --* ]]; then tc=$1; shift; fi

find_engine() {
  command -v "$1" 2>/dev/null || { [ -x "/usr/games/$1" ] && echo "/usr/games/$1"; } || {
    echo "match.sh: $1 not found (apt-get install -y $1)" >&2
    exit 2
  }
}

case $mode in
  toga)
    opponent=(name=toga2 "cmd=$(find_engine toga2)" option.Hash=16 "option.Number of Threads=1" option.OwnBook=false)
    ;;
  stockfish2400)
    opponent=(name=stockfish2400 "cmd=$(find_engine stockfish)" option.Hash=16 option.Threads=1
              option.UCI_LimitStrength=true option.UCI_Elo=2400 "option.Move Overhead=100")
    ;;
  self)
    opponent=(name=other "cmd=$other" option.Hash=16 option.OwnBook=false option.Ponder=false)
    ;;
  *) usage ;;
esac

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j 2 --target tolvaren tolvaren-match >/dev/null

openings=${OPENINGS:-$root/book/openings.pgn}
opening_args=()
if [ -f "$openings" ]; then
  opening_args=(--openings "$openings" --plies 16)
else
  echo "match.sh: no opening file $openings: every game starts from the start position" >&2
  opening_args=(--openings none)
fi
mkdir -p "$build/matches"
pgnout=${PGNOUT:-$build/matches/$mode-$(date -u +%Y%m%d-%H%M%S).pgn}
echo "match.sh: games are written to $pgnout" >&2

exec "$build/tolvaren-match" \
  --engine name=tolvaren "cmd=$build/tolvaren" option.Hash=16 option.OwnBook=false option.Ponder=false \
  --engine "${opponent[@]}" \
  --tc "$tc" --games "$games" --concurrency 2 "${opening_args[@]}" --seed 1 --pgnout "$pgnout" "$@"
