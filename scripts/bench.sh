#!/bin/sh
# The benchmark: builds, then measures tbSetup.exe under Wine in a prefix of
# its own (build/bench-prefix) and prints a table of medians, min and max.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh >/dev/null
./scripts/build.sh >/dev/null
export WINEPREFIX="$(pwd)/build/bench-prefix"
. ./tests/wine/env.sh
trap './tests/wine/prefix-down.sh "$WINEPREFIX" >/dev/null' EXIT
./tests/wine/prefix-up.sh "$WINEPREFIX" build/bin/tbSchedStandIn.exe >/dev/null
echo "tbSetup benchmark, $(date -u +%Y-%m-%d), $(nproc) cores, $(wine --version), $(uname -m)"
wine build/bin/tbBench.exe | tr -d '\r'

# Peak memory, as Linux sees the process that runs tbSetup.exe: Wine's own
# loader and DLLs included, so it bounds what the program itself uses.
for args in "" "/Commit" "/StandAlone"; do
  kib=$(/usr/bin/time -f %M wine build/bin/tbSetup.exe $args 2>&1 >/dev/null | tail -n 1)
  printf '| %-44s | %9s | %9s | %9s | %-5s | %s\n' "peak resident set, tbSetup.exe ${args:-(no switch)}" "$kib" "" "" "KiB" "one run, Wine included"
done
