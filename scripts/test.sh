#!/bin/sh
# The test command: installs what is missing, builds everything, checks the
# sources with a second compiler, and runs every test under Wine.
set -eu
cd "$(dirname "$0")/.."
# Wine wants a home folder; a bare CI environment may not name one.
export HOME="${HOME:-$(pwd)/build}"
echo "== dependencies"
./scripts/deps.sh
echo "== build"
./scripts/build.sh
echo "== clang syntax check (x86_64-w64-mingw32)"
./scripts/lint.sh
echo "== tests (under Wine, in build/wineprefix)"
ctest --preset mingw "$@"
