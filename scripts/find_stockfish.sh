#!/bin/bash
# Prints the path of Debian's stockfish, the perft reference of the speed scripts,
# installing the package first when it is missing and this user may install.
# Prints nothing when it cannot be had.
find() { command -v stockfish 2>/dev/null || { [ -x /usr/games/stockfish ] && echo /usr/games/stockfish; } || true; }
path=$(find)
if [ -z "$path" ] && [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
  echo "installing Debian's stockfish for the perft reference" >&2
  apt-get install -y stockfish >/dev/null 2>&1 || true
  path=$(find)
fi
echo "$path"
