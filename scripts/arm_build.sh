#!/bin/bash
# Cross-builds the engine for 32-bit ARM (hard-float Linux, the board it was made for)
# with Debian's g++-arm-linux-gnueabihf, installing the compiler first when it is
# missing and this user may install; the engine lands in build-arm/ and `file` says
# what it is. The tests are not built: they would need an ARM machine or an emulator.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cxx=arm-linux-gnueabihf-g++
if ! command -v "$cxx" >/dev/null 2>&1; then
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    echo "installing Debian's g++-arm-linux-gnueabihf" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq g++-arm-linux-gnueabihf >/dev/null
  else
    echo "arm_build: please install g++-arm-linux-gnueabihf" >&2
    exit 1
  fi
fi
cmake -S "$root" -B "$root/build-arm" -DCMAKE_BUILD_TYPE=Release -DCMAKE_SYSTEM_NAME=Linux \
  -DCMAKE_SYSTEM_PROCESSOR=arm -DCMAKE_CXX_COMPILER="$cxx" -DTOLVAREN_WERROR=ON >/dev/null
cmake --build "$root/build-arm" -j "${JOBS:-2}" --target tolvaren
file "$root/build-arm/tolvaren"
