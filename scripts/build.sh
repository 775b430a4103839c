#!/bin/sh
# Configures (once) and builds everything into build/.
set -eu
cd "$(dirname "$0")/.."
[ -f build/CMakeCache.txt ] || cmake --preset mingw
cmake --build --preset mingw
