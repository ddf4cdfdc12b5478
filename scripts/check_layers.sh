#!/bin/bash
# Fails when a source file includes from a folder its layer may not use. Dependencies
# run one way: app -> protocol -> search -> eval, net, book, bitbase, pgn -> board
# (book reads games through pgn);
# tools stand on the search and serve the app. Board uses the standard library only.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [board]=""
  [eval]="board"
  [net]="board"
  [bitbase]="board"
  [book]="board pgn"
  [pgn]="board"
  [search]="board eval net bitbase book"
  [tools]="board eval net bitbase book pgn search"
  [protocol]="board eval net bitbase book pgn search"
  [app]="board eval net bitbase book pgn search tools protocol"
)

status=0
for dir in src/*/; do
  layer=$(basename "$dir")
  if [ -z "${allowed[$layer]+set}" ]; then
    echo "check_layers: folder src/$layer has no place in the layer table" >&2
    status=1
    continue
  fi
  while IFS=: read -r file line text; do
    target=$(sed -E 's|^[[:space:]]*#[[:space:]]*include[[:space:]]*"([a-z_]+)/.*|\1|' <<<"$text")
    [ "$target" = "$layer" ] && continue
    case " ${allowed[$layer]} " in
      *" $target "*) ;;
      *)
        echo "$file:$line: $layer may not include from $target: $text" >&2
        status=1
        ;;
    esac
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_]+/' "$dir" || true)
done
[ $status -eq 0 ] && echo "check_layers: every include follows the layer table"
exit $status
