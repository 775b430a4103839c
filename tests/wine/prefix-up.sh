#!/bin/sh
# Makes a fresh, headless 64-bit Wine prefix for one test run and keeps its
# wineserver running until prefix-down.sh.
#   prefix-up.sh PREFIX [STAND_IN_EXE]
# With STAND_IN_EXE, installs it as the scheduler, C:\Program Files\TAVOBatt\tbSched.exe.
set -eu
prefix=$1
standin=${2:-}
export WINEPREFIX="$prefix"
. "$(dirname "$0")/env.sh"

if [ -d "$prefix" ]; then
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  rm -rf "$prefix"
fi
echo "prefix-up: creating $prefix"
wine wineboot --init >/dev/null 2>&1
# Windows need a display driver; headless, the null driver. It is read when
# the wineserver starts, so restart it once the value is in place.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w
"$wineserver" -p </dev/null >/dev/null 2>&1
# Start the prefix's services now, detached from any test's output: a test
# that started them would leave them holding its output pipe open.
wine cmd /c exit </dev/null >/dev/null 2>&1

[ -n "$standin" ] || exit 0
product="$prefix/drive_c/Program Files/TAVOBatt"
mkdir -p "$product"
cp "$standin" "$product/tbSched.exe"
printf "%s\n" "prefix-up: stand-in scheduler installed at C:\\Program Files\\TAVOBatt\\tbSched.exe"
