#!/bin/bash
# Builds the default opening book Tolvaren.opn from the ECO classification file of
# Debian's scid-data package, with the engine's own "book" commands:
#  1. every named opening line becomes one game without a result ("book add");
#  2. a first book keeps the moves that at least THRESHOLD lines share;
#  3. the engine searches each end position of that book to NODES nodes ("book makepos")
#     and the scores are learned back ("book addpos"), so that the weights of the final
#     book follow the engine's judgement of where each line leads.
# Searches to a node count with one thread are deterministic: same input, same book.
#
#   scripts/make_book.sh [ENGINE [ECO-FILE [OUTPUT [THRESHOLD [NODES [WIDTH]]]]]]
set -euo pipefail
cd "$(dirname "$0")/.."
engine=${1:-build/tolvaren}
eco=${2:-/usr/share/scid/data/scid.eco}
output=${3:-book/Tolvaren.opn}
threshold=${4:-30}
nodes=${5:-100000}
width=${6:-5}

if [ ! -r "$eco" ]; then
  echo "make_book: $eco not found (apt-get install scid-data)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every named line with moves becomes one game.
awk -f scripts/eco_entries.awk "$eco" |
  awk -F '\t' '$3 != "" { printf "[White \"?\"]\n[Black \"?\"]\n[Result \"*\"]\n\n%s *\n\n", $3 }' \
  > "$work/eco.pgn"

# Lines the SAN reader refuses (a wrong check mark, a capture without "x") are
# reported and skipped; the reader reads on.
{
  echo uci
  echo "book add $work/eco.pgn"
  echo "book writemem $work/eco.bin"
  echo "book write $work/first.opn threshold $((threshold * 1000)) width $width"
  echo "book makepos $work/first.opn out $work/positions.txt nodes $nodes hash 16"
  echo "book readmem $work/eco.bin"
  echo "book addpos $work/positions.txt"
  echo "book write $output threshold $((threshold * 1000)) width $width"
  echo "book entropy $output"
  echo quit
} | "$engine" 2> "$work/errors.txt" | grep '^info book entropy' || true
echo "make_book: $(grep -c '^\[White' "$work/eco.pgn") lines, $(grep -c 'PGN-Parser' "$work/errors.txt") refused," \
  "$(grep -c '' "$work/positions.txt") end positions searched" >&2
