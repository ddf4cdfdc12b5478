#!/bin/sh
# Prints the engine's benchmark lines; each subsystem adds its own block here.
engine="$1"
echo "== engine"
printf 'uci\nquit\n' | "$engine" | head -1
echo "== search"
printf 'uci\nbench\nquit\n' | "$engine" | grep '^bench:'
