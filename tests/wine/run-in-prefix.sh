#!/bin/sh
# Runs one Windows program of the build under Wine, in the test prefix that
# the WINEPREFIX of the calling test names. Exit code: the program's.
set -e
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
. "$(dirname "$0")/env.sh"
exec wine "$@"
