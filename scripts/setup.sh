#!/bin/bash
# Installs what building and testing need when it is missing (Debian: cmake, g++,
# make, GoogleTest, clang-format 14 for the format check, and the Gaviota tablebases
# with their library, against which the bitbase tests check our three-piece files).
# Quiet and idempotent; `make test` and CI both call it.
set -euo pipefail

missing=()
command -v cmake >/dev/null 2>&1 || missing+=(cmake)
command -v g++ >/dev/null 2>&1 || missing+=(g++)
command -v make >/dev/null 2>&1 || missing+=(make)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
# Pinned by its major version: another release formats some lines differently.
command -v clang-format-14 >/dev/null 2>&1 || missing+=(clang-format-14)
[ -f /usr/include/gtb-probe.h ] || missing+=(libgaviotatb-dev)
[ -f /usr/share/gaviotatb/gtb4/kqk.gtb.cp4 ] || missing+=(gaviotatb)
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo="sudo"
  else
    echo "setup: please install ${missing[*]} (apt-get install -y ${missing[*]})" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
