#!/bin/bash
# Builds the opening lines for matches, book/openings.pgn, from the ECO classification
# file of Debian's scid-data package: every named line of at least MIN_PLIES half-moves,
# once per distinct first PLIES half-moves (the match manager plays that many), in the
# file's order, named by its ECO code and name. Lines that the engine's own PGN reader
# refuses (it reads them with "book add") are left out. Same ECO file, same output.
#
#   scripts/make_openings.sh [ENGINE [ECO-FILE [OUTPUT [MIN_PLIES [PLIES]]]]]
set -euo pipefail
cd "$(dirname "$0")/.."
engine=${1:-build/tolvaren}
eco=${2:-/usr/share/scid/data/scid.eco}
output=${3:-book/openings.pgn}
min_plies=${4:-12}
plies=${5:-16}

if [ ! -r "$eco" ]; then
  echo "make_openings: $eco not found (apt-get install scid-data)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each kept line becomes a game of exactly seven text lines.
LC_ALL=C awk -f scripts/eco_entries.awk "$eco" |
  LC_ALL=C awk -F '\t' -v min="$min_plies" -v plies="$plies" '
  {
    name = $2
    moves = $3
    n = split(moves, token, " ")
    count = 0
    key = ""
    for (i = 1; i <= n; i++) {
      san = token[i]
      sub(/^[0-9]+\.(\.\.)?/, "", san)
      if (san == "") continue
      if (++count <= plies) key = key " " san
    }
    if (count < min || key in seen) next
    seen[key] = 1
    gsub(/[\\"]/, "", name)
    printf "[Event \"%s %s\"]\n[White \"?\"]\n[Black \"?\"]\n[Result \"*\"]\n\n%s *\n\n", $1, name, moves
  }' > "$work/lines.pgn"

# The reader names each refused line by its text line: the moves are line 6 of each game.
printf 'uci\nbook add %s\nquit\n' "$work/lines.pgn" | "$engine" 2> "$work/errors.txt" > /dev/null
grep -o 'line [0-9]*' "$work/errors.txt" | awk '{ print int(($2 - 6) / 7) }' > "$work/refused.txt" || true
awk -v refused="$work/refused.txt" '
  BEGIN { while ((getline g < refused) > 0) skip[g] = 1 }
  { game = int((NR - 1) / 7) }
  !(game in skip)' "$work/lines.pgn" > "$output"
echo "make_openings: $(grep -c '^\[Event' "$output") lines of at least $min_plies plies written to $output," \
  "$(grep -c '' "$work/refused.txt") refused" >&2
