#!/bin/sh
# Static checks of the program's sources: a clang syntax check with the mingw
# target (a second compiler), clang-tidy (.clang-tidy) and cppcheck.
set -eu
cd "$(dirname "$0")/.."
sources="common/*.cpp setup/*.cpp"
defs="-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601 -DWINVER=0x0601"
flags="--target=x86_64-w64-mingw32 -std=c++17 -I. $defs"

clang++ $flags -fsyntax-only -Wall -Wextra -Werror $sources
echo "lint: clang syntax check clean"

clang-tidy --quiet $sources -- $flags 2>/dev/null
echo "lint: clang-tidy clean"

# constParameter in Handles.h: the handle types are pointer typedefs (HKEY,
# HANDLE, PSID) whose traits must match the platform's signatures.
cppcheck --quiet --enable=warning,style,performance,portability --error-exitcode=1 --inline-suppr \
  --std=c++17 --platform=win64 --library=windows -DUNICODE -D_UNICODE -I. \
  --suppress=constParameter:common/Handles.h common setup companion
echo "lint: cppcheck clean"
