#!/bin/sh
# Ends every Wine process of the test prefix: no strays after the run.
#   prefix-down.sh PREFIX
set -u
export WINEPREFIX="$1"
. "$(dirname "$0")/env.sh"
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w 2>/dev/null || true
echo "prefix-down: wineserver of $1 ended"
