#!/bin/sh
# Static checks of the program's sources: a clang syntax check with the
# mingw target, as a second compiler.
set -eu
cd "$(dirname "$0")/.."
defs="-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601 -DWINVER=0x0601"
clang++ --target=x86_64-w64-mingw32 -fsyntax-only -Wall -Wextra -Werror -std=c++17 -I. $defs \
  common/*.cpp setup/*.cpp
echo "lint: clang syntax check clean"
