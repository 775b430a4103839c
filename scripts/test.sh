#!/bin/sh
# The test command: installs what is missing, builds everything, checks the
# sources (a second compiler, clang-tidy, cppcheck), and runs every test under
# Wine.
set -eu
cd "$(dirname "$0")/.."
. ./tests/wine/env.sh
echo "== dependencies"
./scripts/deps.sh
echo "== build"
./scripts/build.sh
echo "== static checks (clang syntax check, clang-tidy, cppcheck)"
./scripts/lint.sh
echo "== reproducible build"
./scripts/check-reproducible.sh
echo "== tests (under Wine, in build/wineprefix)"
ctest --preset mingw "$@"
