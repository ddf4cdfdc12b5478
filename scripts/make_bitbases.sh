#!/bin/bash
# Builds every bitbase of 2 to 4 pieces, both orders of each pairing, with the engine
# itself, into one directory. Smaller materials come first and, among materials of one
# size, those with fewer pawns: captures and promotions read the files made before.
# Usage: make_bitbases.sh [--missing] ENGINE [DIRECTORY] [THREADS]
# With --missing, materials whose file is already there are kept (make install).
set -euo pipefail
missing=0
if [ "${1:-}" = --missing ]; then missing=1; shift; fi
engine=$(realpath "$1")
directory=${2:-bitbases}
threads=${3:-2}
mkdir -p "$directory"
cd "$directory"

pieces="D T L S B"  # falling type; B is the pawn
# Every way to give a side up to `$1` pieces besides its king, in name order.
sides() {
  local n=$1
  echo ""
  [ "$n" -ge 1 ] || return 0
  for a in $pieces; do echo "$a"; done
  [ "$n" -ge 2 ] || return 0
  local i=0
  for a in $pieces; do
    local j=0
    for b in $pieces; do
      [ $j -ge $i ] && echo "$a$b"
      j=$((j + 1))
    done
    i=$((i + 1))
  done
}

materials=()
while read -r a; do
  while read -r b; do
    n=$((${#a} + ${#b} + 2))
    [ $n -le 4 ] || continue
    name="K${a}K${b}"
    pawns=$(tr -cd 'B' <<<"$name" | wc -c)
    materials+=("$n $pawns $name")
  done < <(sides 2)
done < <(sides 2)

# Seconds between two "date +%s.%N" stamps; awk, as bc is not always installed.
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

start=$(date +%s.%N)
made=0
while read -r n pawns name; do
  [ $missing -eq 1 ] && [ -f "$name.abb" ] && continue
  made=$((made + 1))
  t0=$(date +%s.%N)
  "$engine" --CreateBitbase "Threads=$threads" "$name" >/dev/null
  t1=$(date +%s.%N)
  printf '%-6s %8.2f s %10d bytes\n' "$name" "$(elapsed "$t0" "$t1")" "$(stat -c %s "$name.abb")"
done < <(printf '%s\n' "${materials[@]}" | sort -n -k1,1 -k2,2 -k3,3)
end=$(date +%s.%N)
if [ $missing -eq 1 ] && [ $made -eq 0 ]; then exit 0; fi
printf '%d of %d materials in %.1f s\n' "$made" "${#materials[@]}" "$(elapsed "$start" "$end")"
